// The module's file-type names, from the desktop's shared MIME database.
#include <unicode/unistr.h>

#ifdef VELLORA2_HAVE_GIO
#include <gio/gio.h>
#endif

#include <string>

#include "forms/intl/intl.hpp"

namespace vellora2::forms::intl {

// The description of the MIME type registered for the extension's glob; ""
// when the database does not know the extension (GIO then guesses the generic
// "application/octet-stream", which describes no kind of document).
std::u16string RegisteredDescription(std::u16string_view extension) {
#ifdef VELLORA2_HAVE_GIO
  if (extension.empty()) return {};
  std::string name = "file";
  icu::UnicodeString(false, extension.data(), static_cast<int32_t>(extension.size())).toUTF8String(name);
  gboolean uncertain = FALSE;
  gchar* type = g_content_type_guess(name.c_str(), nullptr, 0, &uncertain);
  std::u16string result;
  if (type != nullptr && uncertain == FALSE && !g_content_type_is_unknown(type)) {
    if (gchar* description = g_content_type_get_description(type)) {
      const icu::UnicodeString text = icu::UnicodeString::fromUTF8(description);
      result.assign(text.getBuffer(), static_cast<size_t>(text.length()));
      g_free(description);
    }
  }
  g_free(type);
  return result;
#else
  (void)extension;
  return {};
#endif
}

}  // namespace vellora2::forms::intl
