#include "forms/form_display.hpp"

#include <utility>

#include "vellora2/platform/platform.hpp"

#ifdef VELLORA2_HAVE_GTK
#include "platform/gtk/gtk_platform.hpp"
#endif

namespace vellora2::forms {
namespace {

// Windows go where the platform puts its message boxes: only the GTK platform
// has a screen, and only on the thread that started GTK.
class PlatformFormDisplay : public FormDisplay {
 public:
  std::unique_ptr<PropertiesWindow> Create(frmProperties& form) override {
#ifdef VELLORA2_HAVE_GTK
    if (dynamic_cast<GtkPlatform*>(&CurrentPlatform()) != nullptr) return MakeGtkPropertiesWindow(form);
#endif
    (void)form;
    return nullptr;
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
