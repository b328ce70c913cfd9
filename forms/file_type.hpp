// The text that names a kind of document: what the desktop's shared MIME
// database calls files with this extension, and otherwise the extension in
// capitals followed by " File" ("QXV File").
#pragma once

#include <string>
#include <string_view>

namespace vellora2::forms {

// `extension` with its leading dot, as GetFileExt gives it; "" gives " File".
std::u16string FileTypeText(std::u16string_view extension);

}  // namespace vellora2::forms
