// The real window under a virtual display: opened by EditProperties for a
// saved document, checked widget by widget, typed into, closed with Enter
// (OK is the default button) and with Escape, and photographed tab by tab.
#include <gtk/gtk.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "forms/form_display.hpp"
#include "platform/gtk/gtk_platform.hpp"
#include "platform/gtk/gtk_support.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/document/cvellora.hpp"

namespace vellora2 {
namespace {

namespace fs = std::filesystem;

using gtk::Named;

GtkWidget* PropertiesWindow() {
  GtkWidget* found = nullptr;
  GList* windows = gtk_window_list_toplevels();
  for (GList* w = windows; w != nullptr; w = w->next) {
    if (gtk_widget_get_mapped(GTK_WIDGET(w->data)) && Named(GTK_WIDGET(w->data), "frmProperties") != nullptr) {
      found = GTK_WIDGET(w->data);
    }
  }
  g_list_free(windows);
  return found;
}

void Settle() {
  for (int i = 0; i < 20; ++i) {
    while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
    g_usleep(10000);
  }
}

void Screenshot(GtkWidget* window, const std::string& name) {
  gtk_widget_queue_draw(window);
  Settle();
  GdkWindow* gdk = gtk_widget_get_window(window);
  ASSERT_NE(gdk, nullptr);
  GdkPixbuf* image = gdk_pixbuf_get_from_window(gdk, 0, 0, gdk_window_get_width(gdk), gdk_window_get_height(gdk));
  ASSERT_NE(image, nullptr);
  const char* dir = std::getenv("VELLORA2_SCREENSHOT_DIR");
  const fs::path folder = dir != nullptr ? fs::path(dir) : fs::current_path();
  fs::create_directories(folder);
  const std::string path = (folder / ("properties-" + name + ".png")).string();
  EXPECT_TRUE(gdk_pixbuf_save(image, path.c_str(), "png", nullptr, nullptr)) << path;
  g_object_unref(image);
}

std::string LabelText(GtkWidget* window, const char* name) {
  GtkWidget* w = Named(window, name);
  return w != nullptr && GTK_IS_LABEL(w) ? gtk_label_get_text(GTK_LABEL(w)) : "<missing " + std::string(name) + ">";
}

std::string EntryText(GtkWidget* window, const char* name) {
  GtkWidget* w = Named(window, name);
  return w != nullptr && GTK_IS_ENTRY(w) ? gtk_entry_get_text(GTK_ENTRY(w)) : "<missing " + std::string(name) + ">";
}

// Every label on show has the room its text needs at the width it was given:
// no caption cut short, no wrapped date missing its second line.
void ExpectLabelsWhole(GtkWidget* widget, const std::string& tab) {
  if (!gtk_widget_get_mapped(widget)) return;
  if (GTK_IS_LABEL(widget)) {
    const int width = gtk_widget_get_allocated_width(widget);
    int min_width = 0;
    int min_height = 0;
    gtk_widget_get_preferred_width(widget, &min_width, nullptr);
    gtk_widget_get_preferred_height_for_width(widget, width, &min_height, nullptr);
    EXPECT_GE(width, min_width) << tab << ": " << gtk_label_get_text(GTK_LABEL(widget));
    EXPECT_GE(gtk_widget_get_allocated_height(widget), min_height) << tab << ": " << gtk_label_get_text(GTK_LABEL(widget));
  }
  if (!GTK_IS_CONTAINER(widget)) return;
  GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
  for (GList* c = children; c != nullptr; c = c->next) ExpectLabelsWhole(GTK_WIDGET(c->data), tab);
  g_list_free(children);
}

void PressKey(GtkWidget* window, guint keyval) {
  GdkEvent* event = gdk_event_new(GDK_KEY_PRESS);
  event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
  event->key.keyval = keyval;
  event->key.send_event = TRUE;
  event->key.time = GDK_CURRENT_TIME;
  gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(gdk_display_get_default())));
  gtk_main_do_event(event);
  gdk_event_free(event);
}

class GtkPropertiesWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("VELLORA2_TEST_GTK") == nullptr) GTEST_SKIP() << "VELLORA2_TEST_GTK is not set";
    platform_ = MakeGtkPlatform();
    if (!platform_) GTEST_SKIP() << "no display";
    previous_ = SetCurrentPlatform(platform_);
    previous_display_ = forms::SetCurrentFormDisplay(nullptr);
    folder_ = fs::temp_directory_path() / ("vellora2-forms-gtk-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    if (!platform_) return;
    // A timer left running would tick into the next test with this one gone.
    if (timer_ != 0) g_source_remove(timer_);
    forms::SetCurrentFormDisplay(previous_display_);
    SetCurrentPlatform(previous_);
    fs::remove_all(folder_);
  }

  // Runs `act` on the window once it has been on screen for half a second.
  void WhenShown(std::function<void(GtkWidget*)> act) {
    act_ = std::move(act);
    ticks_ = 0;
    acted_ = false;
    if (timer_ != 0) g_source_remove(timer_);
    timer_ = g_timeout_add(100, &GtkPropertiesWindow::Tick, this);
  }

  std::shared_ptr<Platform> platform_;
  fs::path folder_;

 private:
  static gboolean Tick(gpointer data) {
    auto* self = static_cast<GtkPropertiesWindow*>(data);
    GtkWidget* window = PropertiesWindow();
    if (++self->ticks_ > 150) {
      ADD_FAILURE() << "the window did not appear in 15 seconds";
      self->timer_ = 0;
      return G_SOURCE_REMOVE;
    }
    if (window == nullptr && self->acted_) {
      self->timer_ = 0;
      return G_SOURCE_REMOVE;
    }
    if (window == nullptr) return G_SOURCE_CONTINUE;
    if (self->ticks_ < 5) return G_SOURCE_CONTINUE;
    if (!self->acted_) {
      self->act_(window);
      self->acted_ = true;
      return G_SOURCE_CONTINUE;
    }
    // Still open a second later: the act did not close it. Cancel, so the test ends.
    if (self->ticks_ > 15) {
      ADD_FAILURE() << "the window stayed open";
      if (GtkWidget* cancel = Named(window, "cmdCancel")) gtk_button_clicked(GTK_BUTTON(cancel));
      self->timer_ = 0;
      return G_SOURCE_REMOVE;
    }
    return G_SOURCE_CONTINUE;
  }

  std::shared_ptr<Platform> previous_;
  std::shared_ptr<forms::FormDisplay> previous_display_;
  std::function<void(GtkWidget*)> act_;
  int ticks_ = 0;
  bool acted_ = false;
  guint timer_ = 0;
};

TEST_F(GtkPropertiesWindow, ShowsTheDocumentTakesTypingAndWritesItOnEnter) {
  // A folder name far wider than the window: the window keeps its size.
  const fs::path folder = folder_ / ("Board papers for the second quarter of the year, final versions after review "
                                     "by the audit committee");
  fs::create_directories(folder);
  const std::u16string path = FromUtf8((folder / "Quarterly Report.qxv").string());
  CVellora doc;
  ASSERT_TRUE(doc.NewFile());
  doc.DocTitle(u"Quarterly figures");
  doc.DocAuthor(u"Ada Lovelace");
  doc.DocCompany(u"Analytical Engines Ltd");
  doc.DocEmail(u"ada@example.org");
  doc.DocComments(u"Draft for the board.\nNumbers are provisional.");
  ASSERT_TRUE(doc.SaveToPath(path).IsEmpty());
  doc.DialogBoxParentHwnd(1);  // modal: EditProperties returns when the window closes

  bool acted = false;
  WhenShown([&](GtkWidget* window) {
    acted = true;
    EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window)), "File Properties");
    EXPECT_FALSE(gtk_window_get_resizable(GTK_WINDOW(window)));
    EXPECT_TRUE(gtk_window_get_modal(GTK_WINDOW(window)));
    GtkWidget* tabs = Named(window, "SSTab1");
    ASSERT_NE(tabs, nullptr);
    ASSERT_EQ(gtk_notebook_get_n_pages(GTK_NOTEBOOK(tabs)), 3);
    const char* names[] = {"General", "Summary", "Statistics"};
    for (int i = 0; i < 3; ++i) {
      EXPECT_STREQ(gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(tabs), gtk_notebook_get_nth_page(GTK_NOTEBOOK(tabs), i)),
                   names[i]);
    }
    EXPECT_EQ(gtk_notebook_get_current_page(GTK_NOTEBOOK(tabs)), 0);
    EXPECT_EQ(LabelText(window, "lblFileTitle"), "Quarterly Report.qxv");
    EXPECT_EQ(LabelText(window, "lblLocation"), folder.string());
    gchar* tip = gtk_widget_get_tooltip_text(Named(window, "lblLocation"));
    EXPECT_STREQ(tip, folder.c_str());  // the shortened folder is shown whole in its tooltip
    g_free(tip);
    EXPECT_NE(LabelText(window, "lblSize").find(" bytes"), std::string::npos);
    EXPECT_NE(LabelText(window, "lblCreated"), "");
    EXPECT_EQ(LabelText(window, "lblPrinted"), "");
    EXPECT_EQ(EntryText(window, "txtTitle"), "Quarterly figures");
    EXPECT_EQ(EntryText(window, "txtCompany"), "Analytical Engines Ltd");
    EXPECT_EQ(LabelText(window, "lblRevNum"), "1");
    GtkWidget* ok = Named(window, "cmdOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(gtk_widget_has_default(ok));
    EXPECT_STREQ(gtk_button_get_label(GTK_BUTTON(ok)), "_OK");
    GtkWidget* comments = Named(window, "txtComments");
    ASSERT_TRUE(comments != nullptr && GTK_IS_TEXT_VIEW(comments));
    GtkTextIter start, end;
    GtkTextBuffer* buffer = gtk_text_view_get_buffer(GTK_TEXT_VIEW(comments));
    gtk_text_buffer_get_bounds(buffer, &start, &end);
    gchar* text = gtk_text_buffer_get_text(buffer, &start, &end, FALSE);
    EXPECT_STREQ(text, "Draft for the board.\nNumbers are provisional.");
    g_free(text);

    // The window's fixed size, with GTK's default theme and fonts, on every tab.
    const char* shots[] = {"general", "summary", "statistics"};
    for (int i = 0; i < 3; ++i) {
      gtk_notebook_set_current_page(GTK_NOTEBOOK(tabs), i);
      Screenshot(window, shots[i]);
      EXPECT_NEAR(gtk_widget_get_allocated_width(window), 373, 37) << names[i];
      EXPECT_NEAR(gtk_widget_get_allocated_height(window), 409, 41) << names[i];
      ExpectLabelsWhole(window, names[i]);
    }

    // Access keys reach the boxes their captions name.
    gtk_notebook_set_current_page(GTK_NOTEBOOK(tabs), 1);
    Settle();
    for (const auto& [key, name] : {std::pair{GDK_KEY_k, "txtKeywords"}, std::pair{GDK_KEY_p, "txtPhoneNum"}}) {
      EXPECT_TRUE(gtk_window_mnemonic_activate(GTK_WINDOW(window), key, GDK_MOD1_MASK)) << name;
      EXPECT_TRUE(gtk_widget_has_focus(Named(window, name))) << name;
    }

    // Type a new author, then Enter in the field: OK is the default button.
    gtk_notebook_set_current_page(GTK_NOTEBOOK(tabs), 1);
    GtkWidget* author = Named(window, "txtAuthor");
    ASSERT_NE(author, nullptr);
    gtk_widget_grab_focus(author);
    gtk_editable_delete_text(GTK_EDITABLE(author), 0, -1);
    gint position = 0;
    gtk_editable_insert_text(GTK_EDITABLE(author), "Charles Babbage", -1, &position);
    Settle();
    // Enter in a text box presses the default button.
    gtk_widget_activate(author);
  });
  doc.EditProperties();
  ASSERT_TRUE(acted);
  EXPECT_EQ(doc.DocAuthor(), u"Charles Babbage");
  EXPECT_EQ(doc.DocTitle(), u"Quarterly figures");
  EXPECT_TRUE(doc.Dirty());

  // Escape cancels: the typing is dropped.
  WhenShown([](GtkWidget* window) {
    GtkWidget* title = Named(window, "txtTitle");
    ASSERT_NE(title, nullptr);
    gtk_entry_set_text(GTK_ENTRY(title), "thrown away");
    PressKey(window, GDK_KEY_Escape);
  });
  doc.EditProperties();
  EXPECT_EQ(doc.DocTitle(), u"Quarterly figures");
  EXPECT_EQ(PropertiesWindow(), nullptr);
}

TEST_F(GtkPropertiesWindow, AttributesOnlyShownCommentsScrollAndTimesStayWhole) {
  CVellora doc;
  ASSERT_TRUE(doc.NewFile());
  std::u16string comments;
  for (int line = 1; line <= 20; ++line) comments += u"Line " + FromUtf8(std::to_string(line)) + u" of the comments\r\n";
  doc.DocComments(comments);
  ASSERT_TRUE(doc.SaveToPath(FromUtf8((folder_ / "Twenty lines.qxv").string())).IsEmpty());
  doc.DialogBoxParentHwnd(1);
  WhenShown([](GtkWidget* window) {
    GtkWidget* tabs = Named(window, "SSTab1");
    ASSERT_NE(tabs, nullptr);
    // A click on an attribute box changes nothing that the user can see.
    for (const char* name : {"chkReadOnly", "chkHidden", "chkArchive", "chkSystem"}) {
      GtkWidget* check = Named(window, name);
      ASSERT_NE(check, nullptr) << name;
      const gboolean before = gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check));
      gtk_button_clicked(GTK_BUTTON(check));
      EXPECT_EQ(gtk_toggle_button_get_active(GTK_TOGGLE_BUTTON(check)), before) << name;
    }
    // Dates wrap between words, but the day-period marker ("PM") stays on the
    // line of its time: the last line holds a digit.
    for (const char* name : {"lblCreated", "lblModified", "lblAccessed"}) {
      GtkWidget* label = Named(window, name);
      ASSERT_NE(label, nullptr) << name;
      PangoLayout* layout = gtk_label_get_layout(GTK_LABEL(label));
      const std::string text = pango_layout_get_text(layout);
      const int lines = pango_layout_get_line_count(layout);
      const PangoLayoutLine* last = pango_layout_get_line_readonly(layout, lines - 1);
      const std::string part = text.substr(static_cast<size_t>(last->start_index));
      EXPECT_NE(part.find_first_of("0123456789"), std::string::npos) << name << "'s last line: \"" << part << "\"";
    }
    // The comments box: a scroll bar that is always drawn, and the text as far
    // from the frame as an entry's.
    gtk_notebook_set_current_page(GTK_NOTEBOOK(tabs), 1);
    Settle();
    GtkWidget* view = Named(window, "txtComments");
    ASSERT_NE(view, nullptr);
    GtkWidget* scroller = gtk_widget_get_parent(view);
    ASSERT_TRUE(GTK_IS_SCROLLED_WINDOW(scroller));
    EXPECT_FALSE(gtk_scrolled_window_get_overlay_scrolling(GTK_SCROLLED_WINDOW(scroller)));
    GtkWidget* bar = gtk_scrolled_window_get_vscrollbar(GTK_SCROLLED_WINDOW(scroller));
    EXPECT_TRUE(gtk_widget_get_mapped(bar));
    GtkWidget* entry = Named(window, "txtKeywords");
    ASSERT_NE(entry, nullptr);
    GtkStyleContext* style = gtk_widget_get_style_context(entry);
    GtkBorder padding{};
    gtk_style_context_get_padding(style, gtk_style_context_get_state(style), &padding);
    EXPECT_EQ(gtk_text_view_get_left_margin(GTK_TEXT_VIEW(view)), padding.left);
    Screenshot(window, "summary-20-lines");
    gtk_notebook_set_current_page(GTK_NOTEBOOK(tabs), 2);
    Screenshot(window, "statistics-20-lines");
    PressKey(window, GDK_KEY_Escape);
  });
  doc.EditProperties();
}

}  // namespace
}  // namespace vellora2
