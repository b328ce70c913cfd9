#include "forms/file_type.hpp"

#include "forms/intl_module.hpp"

namespace vellora2::forms {

std::u16string FileTypeText(std::u16string_view extension) {
  const IntlModule* module = LoadIntlModule();
  if (module != nullptr) {
    if (std::u16string description = module->registered_description(extension); !description.empty()) {
      return description;
    }
  }
  const std::u16string_view bare = extension.empty() ? extension : extension.substr(1);
  if (module != nullptr) return module->upper_case(bare) + u" File";
  // Without the module, the ASCII letters; extensions are nearly always those.
  std::u16string upper(bare);
  for (char16_t& c : upper) {
    if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
  }
  return upper + u" File";
}

}  // namespace vellora2::forms
