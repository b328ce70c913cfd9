#include "vellora2/platform/platform.hpp"

#ifdef VELLORA2_HAVE_GTK
#include "platform/gtk/gtk_platform.hpp"
#endif

namespace vellora2 {

std::shared_ptr<Platform> MakeDesktopPlatform() {
#ifdef VELLORA2_HAVE_GTK
  if (auto gtk = MakeGtkPlatform()) return gtk;
#endif
  return MakePosixPlatform();
}

}  // namespace vellora2
