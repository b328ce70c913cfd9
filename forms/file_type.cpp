#include "forms/file_type.hpp"

#include <unicode/unistr.h>

#ifdef VELLORA2_HAVE_GIO
#include <gio/gio.h>
#endif

#include <optional>

#include "vellora2/automation/text.hpp"

namespace vellora2::forms {
namespace {

// The description of the MIME type registered for the extension's glob; nothing
// when the database does not know the extension (GIO then guesses the generic
// "application/octet-stream", which describes no kind of document).
std::optional<std::u16string> RegisteredDescription(std::u16string_view extension) {
#ifdef VELLORA2_HAVE_GIO
  if (extension.empty()) return std::nullopt;
  const std::string name = "file" + ToUtf8(extension);
  gboolean uncertain = FALSE;
  gchar* type = g_content_type_guess(name.c_str(), nullptr, 0, &uncertain);
  std::optional<std::u16string> result;
  if (type != nullptr && uncertain == FALSE && !g_content_type_is_unknown(type)) {
    if (gchar* description = g_content_type_get_description(type)) {
      if (*description != '\0') result = FromUtf8(description);
      g_free(description);
    }
  }
  g_free(type);
  return result;
#else
  (void)extension;
  return std::nullopt;
#endif
}

}  // namespace

std::u16string FileTypeText(std::u16string_view extension) {
  if (auto description = RegisteredDescription(extension)) return *description;
  const std::u16string_view bare = extension.empty() ? extension : extension.substr(1);
  icu::UnicodeString upper(false, bare.data(), static_cast<int32_t>(bare.size()));
  upper.toUpper();
  return std::u16string(upper.getBuffer(), static_cast<size_t>(upper.length())) + u" File";
}

}  // namespace vellora2::forms
