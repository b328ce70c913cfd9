#include "vellora2/dialogs/gcommondialog.hpp"

#include "dialogs/dialog_support.hpp"
#include "util/errors.hpp"
#include "vellora2/automation/error.hpp"

namespace vellora2 {

namespace dialogs {

std::u16string ErrorSource() { return std::u16string(kComponentName) + u".GCommonDialog"; }

std::u16string StrZToStr(std::u16string_view s) { return std::u16string(s.substr(0, s.find(u'\0'))); }

void SetPropertyIgnoringErrors(Object* object, std::u16string_view name, const Variant& value) {
  if (object == nullptr) return;
  try {
    object->SetProperty(name, value);
  } catch (const AutomationError&) {
    // A printer object that lacks the property or refuses the value does not
    // fail the dialog the user has already confirmed.
  }
}

}  // namespace dialogs

GCommonDialog::GCommonDialog() { LoadSystemColors(); }

void GCommonDialog::LoadSystemColors() {
  Platform& platform = CurrentPlatform();
  for (size_t i = 0; i < custom_colors_.size(); ++i) custom_colors_[i] = platform.SysColor(static_cast<int32_t>(i));
  colors_loaded_ = true;
}

int32_t GCommonDialog::CustomColor(int16_t i) {
  if (!colors_loaded_) LoadSystemColors();
  if (i < 0 || i > 15) return -1;
  return static_cast<int32_t>(custom_colors_[static_cast<size_t>(i)]);
}

void GCommonDialog::CustomColor(int16_t i, int32_t value) {
  if (!colors_loaded_) LoadSystemColors();
  if (i < 0 || i > 15) return;
  custom_colors_[static_cast<size_t>(i)] = static_cast<uint32_t>(value);
}

bool GCommonDialog::VBChooseColor(int32_t& Color, bool AnyColor, bool FullOpen, bool DisableFullOpen, int32_t Owner,
                                  int32_t Flags) {
  ChooseColorRecord record;
  record.hwndOwner = Owner == -1 ? 0 : Owner;
  record.rgbResult = static_cast<uint32_t>(Color);
  record.Flags = static_cast<uint32_t>((AnyColor ? CC_ANYCOLOR : CC_SOLIDCOLOR) | CC_RGBINIT |
                                       (FullOpen ? CC_FULLOPEN : 0) | (DisableFullOpen ? CC_PREVENTFULLOPEN : 0) |
                                       (Flags & ~(CC_ENABLEHOOK | CC_ENABLETEMPLATE)));
  if (!colors_loaded_) LoadSystemColors();
  record.lpCustColors = &custom_colors_;
  if (CurrentPlatform().ChooseColor(record)) {
    Color = static_cast<int32_t>(record.rgbResult);
    return true;
  }
  Color = -1;
  return false;
}

}  // namespace vellora2
