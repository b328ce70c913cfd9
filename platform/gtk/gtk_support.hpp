// Small helpers shared by the GTK dialogs.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>
#include <string>
#include <string_view>

namespace vellora2::gtk {

std::string Utf8(std::u16string_view text);

// The first widget named `name` in the tree under `widget` (itself included), or null.
GtkWidget* Named(GtkWidget* widget, const char* name);

// Runs `dialog` modally, destroys it and lets the window go away; returns the response.
gint RunAndDestroy(GtkWidget* dialog);

// Stands `dialog` over its owner and centres it there. The owner is a host
// window's X11 window id, the one handle a host in any toolkit or process can
// give in a Long: one of this process's GTK windows, or another program's
// window, which the window manager then keeps the dialog above. Without an
// owner (0, a window that does not exist, a display without window ids such as
// Wayland's) the dialog is centred on the screen.
void PlaceOver(GtkWidget* dialog, int32_t owner);

// Gives the keyboard to `dialog`'s button for `response` once the dialog is on
// screen, so that Enter answers with it whatever the dialog would focus itself.
void FocusResponseOnShow(GtkWidget* dialog, gint response);

// Tells the user, in a message over `dialog`, why their choice cannot be
// taken; the dialog stays open for another one.
void Refuse(GtkWidget* dialog, const std::string& why);

// Owns one GObject reference for the span of a scope.
template <typename T>
class Ref {
 public:
  explicit Ref(T* p = nullptr) : p_(p) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() {
    if (p_ != nullptr) g_object_unref(p_);
  }
  T* get() const { return p_; }

 private:
  T* p_;
};

}  // namespace vellora2::gtk
