// Small helpers shared by the GTK dialogs.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <string_view>

namespace vellora2::gtk {

std::string Utf8(std::u16string_view text);

// Runs `dialog` modally, destroys it and lets the window go away; returns the response.
gint RunAndDestroy(GtkWidget* dialog);

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
