// The desktop's windows (GTK 3 dialogs, message boxes and the File Properties
// window) live in a module of their own, vellora2-gtk.so, which the library
// loads when a window is first needed and a display is present. The library
// itself links no GUI toolkit: it starts as fast as a plain C library does and
// works where GTK is not installed, answering on the terminal instead.
#pragma once

#include <memory>

#include "vellora2/platform/platform.hpp"

namespace vellora2 {

class frmProperties;
namespace forms {
class PropertiesWindow;
}

// What the module offers, as plain function pointers: the module carries its
// own copy of the few stateless helpers it uses and calls back into the library
// only through these, the objects' virtual functions and the platform below.
struct WindowModule {
  // A platform whose dialogs and message boxes are windows, or nullptr when GTK
  // does not start on the display or another thread started it already.
  std::shared_ptr<Platform> (*make_platform)();
  // Whether `platform` is one that make_platform made.
  bool (*owns)(Platform& platform);
  // The File Properties window for `form`.
  std::unique_ptr<forms::PropertiesWindow> (*make_properties_window)(frmProperties& form);
};

// The module's entry point, exported under the name kWindowModuleEntry. It is
// handed the library's CurrentPlatform, which the module's code calls.
using WindowModuleEntry = const WindowModule* (*)(Platform& (*current_platform)());
inline constexpr const char* kWindowModuleEntry = "vellora2_window_module";

// The module, loaded on the first call when DISPLAY or WAYLAND_DISPLAY is set;
// nullptr otherwise, or when it cannot be loaded (GTK not installed): the
// reason is said once on standard error. It is looked for at
// $VELLORA2_GTK_MODULE, then in the folder "vellora2" beside the library's own
// file, then where it is installed.
const WindowModule* LoadWindowModule();

}  // namespace vellora2
