// Dates, numbers and file-type names in the user's language come from ICU and
// the desktop's MIME database (GIO), which together weigh more than the rest of
// the library. They live in a module of their own, vellora2-intl.so, which the
// library loads the first time the File Properties form needs one of them; the
// library itself links neither, and without the module the form writes US
// English and the extension's " File" name (locale_formats.hpp, file_type.hpp).
#pragma once

#include <string>
#include <string_view>

namespace vellora2::forms {

// What the module offers, as plain function pointers. Dates are OLE dates that
// already hold local wall-clock time; the locale is the one the environment
// names, read on every call.
struct IntlModule {
  std::u16string (*long_date)(double date);
  std::u16string (*medium_time)(double date);
  std::u16string (*standard_number)(double value);
  // The MIME database's description of files with `extension` (leading dot
  // included), or "" when it knows none.
  std::u16string (*registered_description)(std::u16string_view extension);
  // `text` in capitals by the Unicode rules.
  std::u16string (*upper_case)(std::u16string_view text);
};

// The module's entry point, exported under the name kIntlModuleEntry.
using IntlModuleEntry = const IntlModule* (*)();
inline constexpr const char* kIntlModuleEntry = "vellora2_intl_module";

// The module, loaded on the first call; nullptr when it cannot be loaded. It is
// looked for at $VELLORA2_INTL_MODULE, then in the folder "vellora2" beside the
// library's own file (or beside the program that holds the library), then
// where it is installed.
const IntlModule* LoadIntlModule();

}  // namespace vellora2::forms
