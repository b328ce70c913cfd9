#include "forms/form_display.hpp"

#include <utility>

#include "platform/desktop_platform.hpp"
#include "platform/window_module.hpp"
#include "vellora2/platform/platform.hpp"

namespace vellora2::forms {
namespace {

// Windows go where the platform puts its message boxes: only the window
// module's platform has a screen, and only on the thread that started GTK.
class PlatformFormDisplay : public FormDisplay {
 public:
  std::unique_ptr<PropertiesWindow> Create(frmProperties& form) override {
    Platform& platform = CurrentPlatform();
    if (auto* desktop = dynamic_cast<DesktopPlatform*>(&platform)) {
      if (desktop->Windows() == nullptr) return nullptr;
    }
    const WindowModule* module = LoadWindowModule();
    if (module == nullptr) return nullptr;
    auto* desktop = dynamic_cast<DesktopPlatform*>(&platform);
    if (desktop == nullptr && !module->owns(platform)) return nullptr;
    return module->make_properties_window(form);
  }
};

std::shared_ptr<FormDisplay>& Slot() {
  thread_local std::shared_ptr<FormDisplay> current;
  return current;
}

}  // namespace

FormDisplay& CurrentFormDisplay() {
  auto& slot = Slot();
  if (!slot) slot = std::make_shared<PlatformFormDisplay>();
  return *slot;
}

std::shared_ptr<FormDisplay> SetCurrentFormDisplay(std::shared_ptr<FormDisplay> display) {
  return std::exchange(Slot(), std::move(display));
}

}  // namespace vellora2::forms
