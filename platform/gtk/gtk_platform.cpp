#include "platform/gtk/gtk_platform.hpp"

#include <gtk/gtk.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <thread>

#include "platform/gtk/gtk_support.hpp"
#include "vellora2/automation/text.hpp"
// Last: Xlib's macros (None, Bool, Status) would clash with names in the headers above.
#ifdef GDK_WINDOWING_X11
#include <gdk/gdkx.h>
#endif

namespace vellora2 {

namespace gtk {

std::string Utf8(std::u16string_view text) { return ToUtf8(text); }

GtkWidget* Named(GtkWidget* widget, const char* name) {
  if (g_strcmp0(gtk_widget_get_name(widget), name) == 0) return widget;
  if (!GTK_IS_CONTAINER(widget)) return nullptr;
  GtkWidget* found = nullptr;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* c = children; c != nullptr && found == nullptr; c = c->next) found = Named(GTK_WIDGET(c->data), name);
  g_list_free(children);
  return found;
}

gint RunAndDestroy(GtkWidget* dialog) {
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  gtk_widget_destroy(dialog);
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  return response;
}

void PlaceOver(GtkWidget* dialog, int32_t owner) {
  GtkWindow* window = GTK_WINDOW(dialog);
  gtk_window_set_position(window, GTK_WIN_POS_CENTER);
#ifdef GDK_WINDOWING_X11
  GdkDisplay* display = gtk_widget_get_display(dialog);
  if (owner <= 0 || !GDK_IS_X11_DISPLAY(display)) return;
  const auto xid = static_cast<Window>(owner);
  GtkWindow* parent = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w != nullptr; w = w->next) {
    GdkWindow* gdk = gtk_widget_get_window(GTK_WIDGET(w->data));
    if (w->data != window && gdk != nullptr && GDK_IS_X11_WINDOW(gdk) && gdk_x11_window_get_xid(gdk) == xid) {
      parent = GTK_WINDOW(w->data);
    }
  }
  g_list_free(windows);
  if (parent != nullptr) {
    gtk_window_set_transient_for(window, parent);
    gtk_window_set_position(window, GTK_WIN_POS_CENTER_ON_PARENT);
    return;
  }
  // GDK checks that the window exists; a stale id leaves the dialog centred.
  GdkWindow* foreign = gdk_x11_window_foreign_new_for_display(display, xid);
  if (foreign == nullptr) return;
  g_object_set_data_full(G_OBJECT(dialog), "vellora2-owner", foreign, g_object_unref);
  gtk_widget_realize(dialog);
  gdk_window_set_transient_for(gtk_widget_get_window(dialog), foreign);
  // GTK centres only on windows of its own; this is its reckoning for another's.
  gint x = 0;
  gint y = 0;
  gdk_window_get_origin(foreign, &x, &y);
  GtkRequisition size{};
  gtk_widget_get_preferred_size(dialog, nullptr, &size);
  gtk_window_set_position(window, GTK_WIN_POS_NONE);
  gtk_window_move(window, std::max(0, x + (gdk_window_get_width(foreign) - size.width) / 2),
                  std::max(0, y + (gdk_window_get_height(foreign) - size.height) / 2));
#endif
}

namespace {

void FocusResponse(GtkWidget* dialog, gpointer response) {
  GtkWidget* button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GPOINTER_TO_INT(response));
  if (button == nullptr) return;
  gtk_widget_set_can_default(button, TRUE);
  gtk_widget_grab_default(button);
  gtk_widget_grab_focus(button);
}

}  // namespace

void FocusResponseOnShow(GtkWidget* dialog, gint response) {
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), response);
  // After the dialog's own "map", which puts the keyboard on its first control.
  g_signal_connect_after(dialog, "map", G_CALLBACK(FocusResponse), GINT_TO_POINTER(response));
}

void Refuse(GtkWidget* dialog, const std::string& why) {
  GtkWidget* message = gtk_message_dialog_new(GTK_WINDOW(dialog), GTK_DIALOG_MODAL, GTK_MESSAGE_WARNING,
                                              GTK_BUTTONS_OK, "%s", why.c_str());
  gtk_window_set_title(GTK_WINDOW(message), gtk_window_get_title(GTK_WINDOW(dialog)));
  gtk_window_set_position(GTK_WINDOW(message), GTK_WIN_POS_CENTER_ON_PARENT);
  // No events are handled between the message and the dialog's next run, so
  // nothing can answer the dialog while no one is waiting for its answer.
  gtk_dialog_run(GTK_DIALOG(message));
  gtk_widget_destroy(message);
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
    // GTK's own dialogs are built from descriptions that name Pango's types
    // ("PangoFontFamily" in the font chooser's list). A type not registered yet
    // is looked up as a symbol of the program, where a library loaded
    // privately (as an interpreter loads this module, with GTK beside it) is
    // not found: the font chooser then gets a list without columns and crashes.
    // Registering them here makes the lookup by name succeed everywhere.
    if (started) {
      g_type_ensure(PANGO_TYPE_FONT_FAMILY);
      g_type_ensure(PANGO_TYPE_FONT_FACE);
      g_type_ensure(PANGO_TYPE_FONT_DESCRIPTION);
    }
  }
  if (!started || *gtk_thread != std::this_thread::get_id()) return nullptr;
  return std::make_shared<GtkPlatform>();
}

}  // namespace vellora2
