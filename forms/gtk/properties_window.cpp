// The File Properties window in GTK 3: a fixed-size window holding a notebook
// with the tabs "General", "Summary" and "Statistics" and the OK and Cancel
// buttons. Every control carries its form name as its widget name, so tests
// and accessibility tools find "txtTitle" as the form calls it.
#include <gtk/gtk.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "forms/form_display.hpp"
#include "forms/frm_properties.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/platform/platform.hpp"

namespace vellora2::forms {
namespace {

using Text = std::u16string PropertiesControls::*;
using Flag = bool PropertiesControls::*;

constexpr int kWidth = 373;
constexpr int kHeight = 409;

// GTK's default entries, buttons and tabs are tall; these keep the nine
// summary rows and the comments box inside the window's fixed size.
constexpr int kEntryPaddingY = 1;
constexpr const char* kStyle =
    "entry { min-height: 18px; padding-top: 1px; padding-bottom: 1px; }"
    "button { min-height: 18px; padding: 2px 12px; }"
    "notebook > header > tabs > tab { min-height: 18px; padding: 3px 10px; }"
    "notebook > stack > grid { padding: 6px 8px; }";

// How a value too long for its row is shown. A window of fixed size cannot
// widen for it: dates wrap onto a second line, since any part cut off could be
// the one that matters; names and folders lose their middle, and their tooltip
// shows them whole.
enum class Fit { kWhole, kWrap, kEllipsize };

// "&Title:" becomes "_Title:": GTK marks access keys with an underscore.
std::string Mnemonic(std::u16string_view caption) {
  std::u16string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    const char16_t c = caption[i];
    if (c == u'_') {
      out += u"__";
    } else if (c == u'&' && i + 1 < caption.size()) {
      const char16_t next = caption[++i];
      if (next != u'&') out += u'_';
      out += next;
    } else {
      out += c;
    }
  }
  return ToUtf8(out);
}

// A date wraps between its words, but never between the time and the marker
// after it ("05:34 PM"): the space after the last digit becomes a no-break space.
std::u16string KeepTimeTogether(std::u16string text) {
  const size_t digit = text.find_last_of(u"0123456789");
  if (digit != std::u16string::npos && digit + 1 < text.size() && text[digit + 1] == u' ' &&
      text.find_first_of(u"0123456789 ", digit + 2) == std::u16string::npos) {
    text[digit + 1] = u'\u00A0';
  }
  return text;
}

class GtkPropertiesWindow final : public PropertiesWindow {
 public:
  explicit GtkPropertiesWindow(frmProperties& form);
  GtkPropertiesWindow(const GtkPropertiesWindow&) = delete;
  GtkPropertiesWindow& operator=(const GtkPropertiesWindow&) = delete;
  ~GtkPropertiesWindow() override { Close(); }

  void Show(bool modal) override;
  void Refresh() override;
  void Close() override;

 private:
  struct TextBinding {
    GtkPropertiesWindow* self;
    GtkWidget* widget;
    Text field;
  };

  GtkWidget* NewTab(const char* caption);
  void Separator();
  GtkWidget* Caption(std::u16string_view caption);
  void ValueRow(std::u16string_view caption, const char* name, Text field, Fit fit, int span = 2);
  void EntryRow(std::u16string_view caption, const char* name, Text field);
  void CommentsRow();
  GtkWidget* Check(std::u16string_view caption, const char* name, Flag field);
  GtkWidget* Button(std::u16string_view caption, const char* name, GCallback clicked);

  static void OnEntryChanged(GtkEditable* editable, gpointer data);
  static void OnBufferChanged(GtkTextBuffer* buffer, gpointer data);
  static void OnSwitchPage(GtkNotebook* notebook, GtkWidget* page, guint number, gpointer data);
  static void OnOK(GtkButton* button, gpointer data);
  static void OnCancel(GtkButton* button, gpointer data);
  static void OnResetTime(GtkButton* button, gpointer data);
  static gboolean OnDelete(GtkWidget* widget, GdkEvent* event, gpointer data);
  static gboolean OnKey(GtkWidget* widget, GdkEventKey* event, gpointer data);
  static void OnCheckToggled(GtkToggleButton* check, gpointer data);

  frmProperties& form_;
  GtkWidget* window_ = nullptr;
  GtkWidget* notebook_ = nullptr;
  GtkWidget* grid_ = nullptr;  // the tab being built
  int row_ = 0;
  std::vector<std::unique_ptr<TextBinding>> labels_;
  std::vector<std::unique_ptr<TextBinding>> entries_;
  std::unique_ptr<TextBinding> comments_;
  std::vector<std::pair<GtkWidget*, Flag>> checks_;
  GMainLoop* loop_ = nullptr;
  bool refreshing_ = false;
};

GtkPropertiesWindow::GtkPropertiesWindow(frmProperties& form) : form_(form) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  g_object_ref_sink(window_);  // ours until Close, whoever else lets go of it
  gtk_widget_set_name(window_, "frmProperties");
  gtk_window_set_title(GTK_WINDOW(window_), "File Properties");
  gtk_window_set_resizable(GTK_WINDOW(window_), FALSE);
  gtk_window_set_type_hint(GTK_WINDOW(window_), GDK_WINDOW_TYPE_HINT_DIALOG);
  gtk_window_set_position(GTK_WINDOW(window_), GTK_WIN_POS_CENTER);
  gtk_widget_set_size_request(window_, kWidth, kHeight);
  g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKey), this);

  GtkCssProvider* css = gtk_css_provider_new();
  gtk_css_provider_load_from_data(css, kStyle, -1, nullptr);

  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_container_set_border_width(GTK_CONTAINER(column), 6);
  gtk_container_add(GTK_CONTAINER(window_), column);
  notebook_ = gtk_notebook_new();
  gtk_widget_set_name(notebook_, "SSTab1");
  gtk_box_pack_start(GTK_BOX(column), notebook_, TRUE, TRUE, 0);

  // "General"
  NewTab("General");
  GIcon* document_icon = g_themed_icon_new_with_default_fallbacks("x-office-document");
  GtkWidget* icon = gtk_image_new_from_gicon(document_icon, GTK_ICON_SIZE_DND);
  g_object_unref(document_icon);
  gtk_image_set_pixel_size(GTK_IMAGE(icon), 32);
  gtk_widget_set_name(icon, "picIcon");
  gtk_widget_set_size_request(icon, 32, 32);
  gtk_widget_set_halign(icon, GTK_ALIGN_START);
  gtk_grid_attach(GTK_GRID(grid_), icon, 0, row_, 1, 1);
  auto title = std::make_unique<TextBinding>(TextBinding{this, gtk_label_new(""), &PropertiesControls::lblFileTitle});
  gtk_widget_set_name(title->widget, "lblFileTitle");
  gtk_label_set_xalign(GTK_LABEL(title->widget), 0);
  gtk_label_set_ellipsize(GTK_LABEL(title->widget), PANGO_ELLIPSIZE_MIDDLE);
  gtk_label_set_max_width_chars(GTK_LABEL(title->widget), 1);
  gtk_widget_set_hexpand(title->widget, TRUE);
  gtk_grid_attach(GTK_GRID(grid_), title->widget, 1, row_++, 2, 1);
  labels_.push_back(std::move(title));
  Separator();
  ValueRow(u"Type:", "lblType", &PropertiesControls::lblType, Fit::kEllipsize);
  ValueRow(u"Location:", "lblLocation", &PropertiesControls::lblLocation, Fit::kEllipsize);
  ValueRow(u"Size:", "lblSize", &PropertiesControls::lblSize, Fit::kWhole);
  Separator();
  ValueRow(u"Created:", "lblCreated", &PropertiesControls::lblCreated, Fit::kWrap);
  ValueRow(u"Modified:", "lblModified", &PropertiesControls::lblModified, Fit::kWrap);
  ValueRow(u"Accessed:", "lblAccessed", &PropertiesControls::lblAccessed, Fit::kWrap);
  ValueRow(u"Printed:", "lblPrinted", &PropertiesControls::lblPrinted, Fit::kWrap);
  Separator();
  GtkWidget* boxes = gtk_grid_new();
  gtk_grid_set_column_spacing(GTK_GRID(boxes), 12);
  gtk_grid_attach(GTK_GRID(boxes), Check(u"&Read Only", "chkReadOnly", &PropertiesControls::chkReadOnly), 0, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(boxes), Check(u"Hi&dden", "chkHidden", &PropertiesControls::chkHidden), 1, 0, 1, 1);
  gtk_grid_attach(GTK_GRID(boxes), Check(u"&Archive", "chkArchive", &PropertiesControls::chkArchive), 0, 1, 1, 1);
  gtk_grid_attach(GTK_GRID(boxes), Check(u"System", "chkSystem", &PropertiesControls::chkSystem), 1, 1, 1, 1);
  GtkWidget* attributes = Caption(u"Attributes:");
  gtk_widget_set_valign(attributes, GTK_ALIGN_START);
  gtk_grid_attach(GTK_GRID(grid_), attributes, 0, row_, 1, 1);
  gtk_grid_attach(GTK_GRID(grid_), boxes, 1, row_++, 2, 1);

  // "Summary"
  NewTab("Summary");
  EntryRow(u"&Title:", "txtTitle", &PropertiesControls::txtTitle);
  EntryRow(u"&Subject:", "txtSubject", &PropertiesControls::txtSubject);
  EntryRow(u"&Author:", "txtAuthor", &PropertiesControls::txtAuthor);
  EntryRow(u"&Company:", "txtCompany", &PropertiesControls::txtCompany);
  Separator();
  EntryRow(u"&E-mail:", "txtEmail", &PropertiesControls::txtEmail);
  EntryRow(u"&Web Page:", "txtWebPage", &PropertiesControls::txtWebPage);
  EntryRow(u"&Phone No.:", "txtPhoneNum", &PropertiesControls::txtPhoneNum);
  Separator();
  EntryRow(u"&Keywords:", "txtKeywords", &PropertiesControls::txtKeywords);
  CommentsRow();

  // "Statistics"
  NewTab("Statistics");
  ValueRow(u"Created:", "lblDCreated", &PropertiesControls::lblDCreated, Fit::kWrap);
  ValueRow(u"Last Saved:", "lblDSaved", &PropertiesControls::lblDSaved, Fit::kWrap);
  ValueRow(u"Last Printed:", "lblDPrinted", &PropertiesControls::lblDPrinted, Fit::kWrap);
  Separator();
  ValueRow(u"Application:", "lblApplication", &PropertiesControls::lblApplication, Fit::kEllipsize);
  ValueRow(u"Total Edit Time:", "lblEditTime", &PropertiesControls::lblEditTime, Fit::kWrap, 1);
  GtkWidget* reset = Button(u"Reset Time", "cmdResetTime", G_CALLBACK(OnResetTime));
  gtk_widget_set_halign(reset, GTK_ALIGN_END);
  gtk_widget_set_valign(reset, GTK_ALIGN_BASELINE);
  gtk_grid_attach(GTK_GRID(grid_), reset, 2, row_ - 1, 1, 1);
  ValueRow(u"Revision Number:", "lblRevNum", &PropertiesControls::lblRevNum, Fit::kWhole);
  Separator();

  // The button strip: OK answers Enter, Cancel answers Escape (OnKey).
  GtkWidget* strip = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_button_box_set_layout(GTK_BUTTON_BOX(strip), GTK_BUTTONBOX_END);
  gtk_box_set_spacing(GTK_BOX(strip), 6);
  GtkWidget* ok = Button(u"&OK", "cmdOK", G_CALLBACK(OnOK));
  gtk_container_add(GTK_CONTAINER(strip), ok);
  gtk_container_add(GTK_CONTAINER(strip), Button(u"Cancel", "cmdCancel", G_CALLBACK(OnCancel)));
  gtk_box_pack_end(GTK_BOX(column), strip, FALSE, FALSE, 0);
  gtk_widget_set_can_default(ok, TRUE);
  gtk_window_set_default(GTK_WINDOW(window_), ok);

  // The style reaches every widget of this window and no other window.
  std::vector<GtkWidget*> pending{window_};
  while (!pending.empty()) {
    GtkWidget* w = pending.back();
    pending.pop_back();
    gtk_style_context_add_provider(gtk_widget_get_style_context(w), GTK_STYLE_PROVIDER(css),
                                   GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    if (GTK_IS_CONTAINER(w)) {
      GList* children = gtk_container_get_children(GTK_CONTAINER(w));
      for (GList* c = children; c != nullptr; c = c->next) pending.push_back(GTK_WIDGET(c->data));
      g_list_free(children);
    }
  }
  g_object_unref(css);
  g_signal_connect(notebook_, "switch-page", G_CALLBACK(OnSwitchPage), this);
  gtk_widget_show_all(column);
}

GtkWidget* GtkPropertiesWindow::NewTab(const char* caption) {
  grid_ = gtk_grid_new();
  row_ = 0;
  gtk_grid_set_row_spacing(GTK_GRID(grid_), 3);
  gtk_grid_set_column_spacing(GTK_GRID(grid_), 8);
  gtk_notebook_append_page(GTK_NOTEBOOK(notebook_), grid_, gtk_label_new(caption));
  return grid_;
}

// Etched lines divide the groups of rows.
void GtkPropertiesWindow::Separator() {
  GtkWidget* line = gtk_separator_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_widget_set_name(line, "Line1");
  gtk_widget_set_margin_top(line, 2);
  gtk_widget_set_margin_bottom(line, 2);
  gtk_grid_attach(GTK_GRID(grid_), line, 0, row_++, 3, 1);
}

GtkWidget* GtkPropertiesWindow::Caption(std::u16string_view caption) {
  GtkWidget* label = gtk_label_new_with_mnemonic(Mnemonic(caption).c_str());
  gtk_widget_set_name(label, "lblLabel");
  gtk_label_set_xalign(GTK_LABEL(label), 0);
  return label;
}

void GtkPropertiesWindow::ValueRow(std::u16string_view caption, const char* name, Text field, Fit fit, int span) {
  GtkWidget* value = gtk_label_new("");
  GtkLabel* label = GTK_LABEL(value);
  gtk_widget_set_name(value, name);
  gtk_label_set_xalign(label, 0);
  gtk_label_set_selectable(label, TRUE);
  // A label that may wrap or shorten asks for almost no width of its own, so
  // that it takes the width the row has rather than widening the window.
  if (fit == Fit::kWrap) {
    gtk_label_set_line_wrap(label, TRUE);
    gtk_label_set_line_wrap_mode(label, PANGO_WRAP_WORD_CHAR);
    gtk_label_set_max_width_chars(label, 1);
  } else if (fit == Fit::kEllipsize) {
    gtk_label_set_ellipsize(label, PANGO_ELLIPSIZE_MIDDLE);
    gtk_label_set_max_width_chars(label, 1);
  }
  gtk_widget_set_hexpand(value, TRUE);
  gtk_widget_set_can_focus(value, FALSE);
  // On one baseline, the caption stands beside a value's first line.
  gtk_widget_set_valign(value, GTK_ALIGN_BASELINE);
  GtkWidget* caption_label = Caption(caption);
  gtk_widget_set_valign(caption_label, GTK_ALIGN_BASELINE);
  gtk_grid_attach(GTK_GRID(grid_), caption_label, 0, row_, 1, 1);
  gtk_grid_attach(GTK_GRID(grid_), value, 1, row_++, span, 1);
  labels_.push_back(std::make_unique<TextBinding>(TextBinding{this, value, field}));
}

void GtkPropertiesWindow::EntryRow(std::u16string_view caption, const char* name, Text field) {
  GtkWidget* entry = gtk_entry_new();
  gtk_widget_set_name(entry, name);
  gtk_widget_set_hexpand(entry, TRUE);
  gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
  GtkWidget* label = Caption(caption);
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), entry);
  gtk_grid_attach(GTK_GRID(grid_), label, 0, row_, 1, 1);
  gtk_grid_attach(GTK_GRID(grid_), entry, 1, row_++, 2, 1);
  entries_.push_back(std::make_unique<TextBinding>(TextBinding{this, entry, field}));
  g_signal_connect(entry, "changed", G_CALLBACK(OnEntryChanged), entries_.back().get());
}

void GtkPropertiesWindow::CommentsRow() {
  GtkWidget* view = gtk_text_view_new();
  gtk_widget_set_name(view, "txtComments");
  gtk_text_view_set_wrap_mode(GTK_TEXT_VIEW(view), GTK_WRAP_WORD_CHAR);
  // The text sits as far from the frame as an entry's does (its CSS padding).
  GtkWidget* probe = gtk_entry_new();
  GtkStyleContext* style = gtk_widget_get_style_context(probe);
  GtkBorder padding{};
  gtk_style_context_get_padding(style, gtk_style_context_get_state(style), &padding);
  gtk_widget_destroy(probe);
  gtk_text_view_set_left_margin(GTK_TEXT_VIEW(view), padding.left);
  gtk_text_view_set_right_margin(GTK_TEXT_VIEW(view), padding.right);
  gtk_text_view_set_top_margin(GTK_TEXT_VIEW(view), kEntryPaddingY);
  gtk_text_view_set_bottom_margin(GTK_TEXT_VIEW(view), kEntryPaddingY);
  // A scroll bar that is always there, not one drawn over the text on demand:
  // the box says at once that it holds more than it shows.
  GtkWidget* scroller = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_overlay_scrolling(GTK_SCROLLED_WINDOW(scroller), FALSE);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scroller), GTK_POLICY_NEVER, GTK_POLICY_ALWAYS);
  gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(scroller), GTK_SHADOW_IN);
  gtk_widget_set_vexpand(scroller, TRUE);
  gtk_container_add(GTK_CONTAINER(scroller), view);
  GtkWidget* label = Caption(u"C&omments:");
  gtk_widget_set_valign(label, GTK_ALIGN_START);
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), view);
  gtk_grid_attach(GTK_GRID(grid_), label, 0, row_, 1, 1);
  gtk_grid_attach(GTK_GRID(grid_), scroller, 1, row_++, 2, 1);
  comments_ = std::make_unique<TextBinding>(TextBinding{this, view, &PropertiesControls::txtComments});
  g_signal_connect(gtk_text_view_get_buffer(GTK_TEXT_VIEW(view)), "changed", G_CALLBACK(OnBufferChanged),
                   comments_.get());
}

// The attribute boxes only show the file's attributes; a click changes nothing on disk.
// A click sets the box back at once, so the user sees no change that was not made.
GtkWidget* GtkPropertiesWindow::Check(std::u16string_view caption, const char* name, Flag field) {
  GtkWidget* check = gtk_check_button_new_with_mnemonic(Mnemonic(caption).c_str());
  gtk_widget_set_name(check, name);
  checks_.emplace_back(check, field);
  g_signal_connect(check, "toggled", G_CALLBACK(OnCheckToggled), this);
  return check;
}

void GtkPropertiesWindow::OnCheckToggled(GtkToggleButton* check, gpointer data) {
  auto* self = static_cast<GtkPropertiesWindow*>(data);
  if (self->refreshing_) return;
  for (const auto& [widget, field] : self->checks_) {
    if (widget != GTK_WIDGET(check)) continue;
    const gboolean shown = self->form_.Controls().*field ? TRUE : FALSE;
    if (gtk_toggle_button_get_active(check) != shown) gtk_toggle_button_set_active(check, shown);
  }
}

GtkWidget* GtkPropertiesWindow::Button(std::u16string_view caption, const char* name, GCallback clicked) {
  GtkWidget* button = gtk_button_new_with_mnemonic(Mnemonic(caption).c_str());
  gtk_widget_set_name(button, name);
  g_signal_connect(button, "clicked", clicked, this);
  return button;
}

void GtkPropertiesWindow::Show(bool modal) {
  if (window_ == nullptr) return;
  Refresh();
  gtk_window_set_modal(GTK_WINDOW(window_), modal ? TRUE : FALSE);
  gtk_widget_show(window_);
  gtk_window_present(GTK_WINDOW(window_));
  if (!modal || loop_ != nullptr) return;
  // A modal form holds its caller until it unloads; Close ends the loop.
  loop_ = g_main_loop_new(nullptr, FALSE);
  g_main_loop_run(loop_);
  g_main_loop_unref(loop_);
  loop_ = nullptr;
}

void GtkPropertiesWindow::Refresh() {
  if (window_ == nullptr) return;
  const PropertiesControls& c = form_.Controls();
  refreshing_ = true;
  for (const auto& b : labels_) {
    const bool wraps = gtk_label_get_line_wrap(GTK_LABEL(b->widget)) != FALSE;
    const std::string text = ToUtf8(wraps ? KeepTimeTogether(c.*(b->field)) : c.*(b->field));
    gtk_label_set_text(GTK_LABEL(b->widget), text.c_str());
    const bool shortened = gtk_label_get_ellipsize(GTK_LABEL(b->widget)) != PANGO_ELLIPSIZE_NONE;
    gtk_widget_set_tooltip_text(b->widget, shortened && !text.empty() ? text.c_str() : nullptr);
  }
  for (const auto& b : entries_) gtk_entry_set_text(GTK_ENTRY(b->widget), ToUtf8(c.*(b->field)).c_str());
  gtk_text_buffer_set_text(gtk_text_view_get_buffer(GTK_TEXT_VIEW(comments_->widget)),
                           ToUtf8(c.txtComments).c_str(), -1);
  for (const auto& [check, field] : checks_) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(check), c.*field);
  gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook_), c.SSTab1);
  refreshing_ = false;
}

void GtkPropertiesWindow::Close() {
  if (window_ != nullptr) {
    gtk_widget_destroy(window_);
    g_object_unref(window_);
    window_ = nullptr;
  }
  if (loop_ != nullptr) g_main_loop_quit(loop_);
}

void GtkPropertiesWindow::OnEntryChanged(GtkEditable* editable, gpointer data) {
  auto* b = static_cast<TextBinding*>(data);
  if (b->self->refreshing_) return;
  b->self->form_.Controls().*(b->field) = FromUtf8(gtk_entry_get_text(GTK_ENTRY(editable)));
}

void GtkPropertiesWindow::OnBufferChanged(GtkTextBuffer* buffer, gpointer data) {
  auto* b = static_cast<TextBinding*>(data);
  if (b->self->refreshing_) return;
  GtkTextIter start;
  GtkTextIter end;
  gtk_text_buffer_get_bounds(buffer, &start, &end);
  gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
  b->self->form_.Controls().*(b->field) = FromUtf8(text);
  g_free(text);
}

void GtkPropertiesWindow::OnSwitchPage(GtkNotebook*, GtkWidget*, guint number, gpointer data) {
  static_cast<GtkPropertiesWindow*>(data)->form_.Controls().SSTab1 = static_cast<int32_t>(number);
}

void GtkPropertiesWindow::OnOK(GtkButton*, gpointer data) { static_cast<GtkPropertiesWindow*>(data)->form_.cmdOK_Click(); }

void GtkPropertiesWindow::OnCancel(GtkButton*, gpointer data) {
  static_cast<GtkPropertiesWindow*>(data)->form_.cmdCancel_Click();
}

void GtkPropertiesWindow::OnResetTime(GtkButton*, gpointer data) {
  // An error must not cross GTK's C frames; it is reported as the window's own.
  try {
    static_cast<GtkPropertiesWindow*>(data)->form_.cmdResetTime_Click();
  } catch (const AutomationError& e) {
    CurrentPlatform().MessageBox(e.description(), mb::kCritical, u"File Properties");
  }
}

// The close box closes the form as Cancel does.
gboolean GtkPropertiesWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  static_cast<GtkPropertiesWindow*>(data)->form_.cmdCancel_Click();
  return TRUE;
}

gboolean GtkPropertiesWindow::OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  if (event->keyval != GDK_KEY_Escape) return FALSE;
  static_cast<GtkPropertiesWindow*>(data)->form_.cmdCancel_Click();
  return TRUE;
}

}  // namespace

std::unique_ptr<PropertiesWindow> MakeGtkPropertiesWindow(frmProperties& form) {
  return std::make_unique<GtkPropertiesWindow>(form);
}

}  // namespace vellora2::forms
