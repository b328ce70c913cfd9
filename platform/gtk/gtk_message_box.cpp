// Message boxes as GTK message dialogs: the buttons, icon and default button
// that the style asks for.
#include <array>

#include "platform/gtk/gtk_platform.hpp"
#include "platform/gtk/gtk_support.hpp"

namespace vellora2 {
namespace {

struct Button {
  const char* label;
  int32_t answer;
};

// The buttons of each style's button set, in the order they stand.
std::array<Button, 3> ButtonsOf(int32_t style) {
  switch (style & 7) {
    case mb::kOkCancel: return {{{"_OK", mb::kOk}, {"_Cancel", mb::kCancel}, {nullptr, 0}}};
    case mb::kAbortRetryIgnore: return {{{"_Abort", mb::kAbort}, {"_Retry", mb::kRetry}, {"_Ignore", mb::kIgnore}}};
    case mb::kYesNoCancel: return {{{"_Yes", mb::kYes}, {"_No", mb::kNo}, {"_Cancel", mb::kCancel}}};
    case mb::kYesNo: return {{{"_Yes", mb::kYes}, {"_No", mb::kNo}, {nullptr, 0}}};
    case mb::kRetryCancel: return {{{"_Retry", mb::kRetry}, {"_Cancel", mb::kCancel}, {nullptr, 0}}};
    default: return {{{"_OK", mb::kOk}, {nullptr, 0}, {nullptr, 0}}};
  }
}

// GTK 3 message dialogs no longer draw the icon of their type, and the style
// asks for one: it goes beside the text, where it always stood.
const char* IconNameOf(int32_t style) {
  switch (style & 0x70) {
    case mb::kCritical: return "dialog-error";
    case mb::kQuestion: return "dialog-question";
    case mb::kExclamation: return "dialog-warning";
    case mb::kInformation: return "dialog-information";
    default: return nullptr;
  }
}

GtkMessageType IconOf(int32_t style) {
  switch (style & 0x70) {
    case mb::kCritical: return GTK_MESSAGE_ERROR;
    case mb::kQuestion: return GTK_MESSAGE_QUESTION;
    case mb::kExclamation: return GTK_MESSAGE_WARNING;
    case mb::kInformation: return GTK_MESSAGE_INFO;
    default: return GTK_MESSAGE_OTHER;
  }
}

// The title bar's buttons and margins beside the title, in pixels.
constexpr int kTitleBarRoom = 3 * 32 + 48;

}  // namespace

int32_t GtkPlatform::MessageBox(std::u16string_view prompt, int32_t style, std::u16string_view title) {
  GtkWidget* dialog = gtk_message_dialog_new(nullptr, GTK_DIALOG_MODAL, IconOf(style), GTK_BUTTONS_NONE, "%s",
                                             gtk::Utf8(prompt).c_str());
  gtk_window_set_title(GTK_WINDOW(dialog), gtk::Utf8(title).c_str());
  if (const char* icon = IconNameOf(style)) {
    GtkWidget* text = gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(dialog));
    GtkWidget* row = gtk_widget_get_parent(text);
    if (GTK_IS_BOX(row)) {
      GtkWidget* image = gtk_image_new_from_icon_name(icon, GTK_ICON_SIZE_DIALOG);
      gtk_widget_set_valign(image, GTK_ALIGN_START);
      gtk_box_pack_start(GTK_BOX(row), image, FALSE, FALSE, 0);
      gtk_box_reorder_child(GTK_BOX(row), image, 0);
      gtk_widget_show(image);
    }
  }
  const auto buttons = ButtonsOf(style);
  bool has_cancel = false;
  for (const Button& button : buttons) {
    if (button.label == nullptr) continue;
    gtk_dialog_add_button(GTK_DIALOG(dialog), button.label, button.answer);
    has_cancel = has_cancel || button.answer == mb::kCancel;
  }
  const int32_t fallback = mb::DefaultAnswer(style);
  gtk_dialog_set_default_response(GTK_DIALOG(dialog), fallback);
  if (GtkWidget* default_button = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), fallback)) {
    gtk_widget_grab_focus(default_button);
  }
  // A short prompt makes a narrow box, and the title bar then cuts the title
  // short behind the window manager's buttons: the box is made wide enough
  // for the title in bold beside room for three such buttons.
  PangoLayout* layout = gtk_widget_create_pango_layout(dialog, nullptr);
  gchar* markup = g_markup_printf_escaped("<b>%s</b>", gtk::Utf8(title).c_str());
  pango_layout_set_markup(layout, markup, -1);
  g_free(markup);
  int title_width = 0;
  pango_layout_get_pixel_size(layout, &title_width, nullptr);
  g_object_unref(layout);
  gtk_widget_set_size_request(dialog, title_width + kTitleBarRoom, -1);
  gtk::PlaceOver(dialog, 0);  // a message box names no owner
  const gint response = gtk::RunAndDestroy(dialog);
  if (response > 0) return response;
  // Closed by the window manager or Escape: what Cancel would say, where there is one.
  if (has_cancel) return mb::kCancel;
  return (style & 7) == mb::kOkOnly ? mb::kOk : fallback;
}

}  // namespace vellora2
