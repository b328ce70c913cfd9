// The entry point of vellora2-gtk.so, the window module (platform/window_module.hpp).
#include <memory>

#include "forms/form_display.hpp"
#include "platform/gtk/gtk_platform.hpp"
#include "platform/window_module.hpp"

namespace vellora2 {
namespace {

Platform& (*g_current_platform)() = nullptr;

bool Owns(Platform& platform) { return dynamic_cast<GtkPlatform*>(&platform) != nullptr; }

}  // namespace

// The module's code asks for the calling thread's platform: that is the
// library's, which a host or a test may have replaced, not a copy of the
// module's own.
Platform& CurrentPlatform() { return g_current_platform(); }

}  // namespace vellora2

extern "C" __attribute__((visibility("default"))) const vellora2::WindowModule* vellora2_window_module(
    vellora2::Platform& (*current_platform)()) {
  static const vellora2::WindowModule module{&vellora2::MakeGtkPlatform, &vellora2::Owns,
                                             &vellora2::forms::MakeGtkPropertiesWindow};
  vellora2::g_current_platform = current_platform;
  return &module;
}
