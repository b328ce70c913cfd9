#include "platform/gtk/gtk_platform.hpp"

#include <gtk/gtk.h>

#include <cmath>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/gtk/gtk_support.hpp"
#include "vellora2/automation/text.hpp"

namespace vellora2 {

namespace gtk {

std::string Utf8(std::u16string_view text) { return ToUtf8(text); }

gint RunAndDestroy(GtkWidget* dialog) {
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  return response;
}

}  // namespace gtk

void GtkPlatform::ProcessEvents() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

int32_t GtkPlatform::TwipsPerPixelY() {
  const gdouble dpi = gdk_screen_get_resolution(gdk_screen_get_default());
  if (dpi <= 0) return PosixPlatform::TwipsPerPixelY();
  return static_cast<int32_t>(std::lround(1440.0 / dpi));
}

std::shared_ptr<Platform> MakeGtkPlatform() {
  auto is_set = [](const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
  };
  if (!is_set("DISPLAY") && !is_set("WAYLAND_DISPLAY")) return nullptr;
  // GTK is started once per process and is not thread-safe: the thread that
  // started it is the only one that may open windows.
  static std::mutex mutex;
  static std::optional<std::thread::id> gtk_thread;
  static bool started = false;
  const std::lock_guard lock(mutex);
  if (!gtk_thread) {
    started = gtk_init_check(nullptr, nullptr) != FALSE;
    gtk_thread = std::this_thread::get_id();
  }
  if (!started || *gtk_thread != std::this_thread::get_id()) return nullptr;
  return std::make_shared<GtkPlatform>();
}

}  // namespace vellora2
