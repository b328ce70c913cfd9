// The GTK windows, under a virtual display: each dialog is opened through
// GCommonDialog with its title, filters and preset values, checked, answered
// from a timer inside the dialog's own loop, and photographed.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "dialogs/dialog_test_support.hpp"
#include "platform/gtk/gtk_platform.hpp"
#include "platform/gtk/gtk_support.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/dialogs/gcommondialog.hpp"
// Last: Xlib's macros (None, Bool, Status) would clash with names in the headers above.
#include <gdk/gdkx.h>

namespace vellora2 {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

class GtkDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Real windows only where asked for (the virtual-display test sets this),
    // never on a developer's own desktop in the middle of a plain test run.
    if (std::getenv("VELLORA2_TEST_GTK") == nullptr) GTEST_SKIP() << "VELLORA2_TEST_GTK is not set";
    platform_ = MakeGtkPlatform();
    if (!platform_) GTEST_SKIP() << "no display";
    previous_ = SetCurrentPlatform(platform_);
    folder_ = fs::temp_directory_path() / ("vellora2-gtk-" + std::to_string(::getpid()));
    fs::create_directories(folder_);
  }
  void TearDown() override {
    if (!platform_) return;
    StopTimer();
    SetCurrentPlatform(previous_);
    fs::remove_all(folder_);
  }

  // Calls `act` with the dialog once it has been on screen for a while, and
  // again on each tick until it returns true (it answers the dialog then).
  void WhenShown(std::function<bool(GtkWidget*)> act) {
    StopTimer();
    act_ = std::move(act);
    ticks_ = 0;
    timer_ = g_timeout_add(100, &GtkDialogTest::Tick, this);
  }

  // A test that ends with its dialogs unanswered leaves no timer to the next.
  void StopTimer() {
    if (timer_ != 0) g_source_remove(timer_);
    timer_ = 0;
  }

  // Writes a PNG of the dialog's window into the screenshot folder.
  static void Screenshot(GtkWidget* dialog, const std::string& name) {
    // A few frames' time, so that what the test just changed has been drawn.
    gtk_widget_queue_draw(dialog);
    for (int i = 0; i < 20; ++i) {
      while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
      g_usleep(10000);
    }
    GdkWindow* window = gtk_widget_get_window(dialog);
    ASSERT_NE(window, nullptr);
    SavePng(window, gdk_window_get_width(window), gdk_window_get_height(window), name);
  }

  // Writes a PNG of the top-left `width` by `height` of `window`.
  static void SavePng(GdkWindow* window, int width, int height, const std::string& name) {
    GdkPixbuf* image = gdk_pixbuf_get_from_window(window, 0, 0, width, height);
    ASSERT_NE(image, nullptr);
    const char* dir = std::getenv("VELLORA2_SCREENSHOT_DIR");
    const fs::path folder = dir != nullptr ? fs::path(dir) : fs::current_path();
    fs::create_directories(folder);
    const std::string path = (folder / ("gtk-" + name + ".png")).string();
    EXPECT_TRUE(gdk_pixbuf_save(image, path.c_str(), "png", nullptr, nullptr)) << path;
    g_object_unref(image);
  }

  static std::vector<GtkWidget*> Find(GtkWidget* widget, GType type) {
    std::vector<GtkWidget*> found;
    std::function<void(GtkWidget*)> walk = [&](GtkWidget* w) {
      if (G_TYPE_CHECK_INSTANCE_TYPE(w, type)) found.push_back(w);
      if (!GTK_IS_CONTAINER(w)) return;
      GList* children = gtk_container_get_children(GTK_CONTAINER(w));
      for (GList* c = children; c != nullptr; c = c->next) walk(GTK_WIDGET(c->data));
      g_list_free(children);
    };
    walk(widget);
    return found;
  }

  std::string Folder() const { return folder_.string(); }
  std::u16string Folder16() const { return FromUtf8(folder_.string()); }
  void Touch(const std::string& name) const { std::ofstream(folder_ / name) << "x"; }

  std::shared_ptr<Platform> platform_;

 private:
  static gboolean Tick(gpointer data) {
    auto* self = static_cast<GtkDialogTest*>(data);
    // A message over a dialog is the one to answer.
    GtkWidget* dialog = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w != nullptr; w = w->next) {
      if (!GTK_IS_DIALOG(w->data) || !gtk_widget_get_mapped(GTK_WIDGET(w->data))) continue;
      GtkWindow* parent = gtk_window_get_transient_for(GTK_WINDOW(w->data));
      if (dialog == nullptr || (parent != nullptr && GTK_IS_DIALOG(parent))) dialog = GTK_WIDGET(w->data);
    }
    g_list_free(windows);
    if (++self->ticks_ > 150) {
      ADD_FAILURE() << "the dialog was not answered in 15 seconds";
      if (dialog != nullptr) gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
      self->timer_ = 0;
      return G_SOURCE_REMOVE;
    }
    // Half a second on screen, so that it has drawn itself and read its folder.
    if (dialog == nullptr || self->ticks_ < 5) return G_SOURCE_CONTINUE;
    if (!self->act_(dialog)) return G_SOURCE_CONTINUE;
    self->timer_ = 0;
    return G_SOURCE_REMOVE;
  }

  std::shared_ptr<Platform> previous_;
  fs::path folder_;
  std::function<bool(GtkWidget*)> act_;
  int ticks_ = 0;
  guint timer_ = 0;
};

std::string Title(GtkWidget* dialog) { return gtk_window_get_title(GTK_WINDOW(dialog)); }

// A key pressed and let go on `window`'s keyboard, as the X server would hand it over.
void Press(GtkWidget* window, guint keyval, GdkModifierType state = static_cast<GdkModifierType>(0)) {
  GdkDisplay* display = gtk_widget_get_display(window);
  GdkKeymapKey* keys = nullptr;
  gint count = 0;
  gdk_keymap_get_entries_for_keyval(gdk_keymap_get_for_display(display), keyval, &keys, &count);
  for (GdkEventType type : {GDK_KEY_PRESS, GDK_KEY_RELEASE}) {
    GdkEvent* event = gdk_event_new(type);
    event->key.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window)));
    event->key.keyval = keyval;
    event->key.state = state;
    event->key.hardware_keycode = count > 0 ? static_cast<guint16>(keys[0].keycode) : 0;
    event->key.time = GDK_CURRENT_TIME;
    gdk_event_set_device(event, gdk_seat_get_keyboard(gdk_display_get_default_seat(display)));
    gtk_main_do_event(event);
    gdk_event_free(event);
  }
  g_free(keys);
}

// What the user typed into the entry that holds the keyboard, deleted.
void ClearFocusedEntry(GtkWidget* window) {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
  if (GTK_IS_EDITABLE(focus)) gtk_editable_delete_text(GTK_EDITABLE(focus), 0, -1);
}

// `text` typed on `window`'s keyboard, letter by letter.
void Type(GtkWidget* window, const std::string& text) {
  for (char c : text) Press(window, gdk_unicode_to_keyval(static_cast<guchar>(c)));
}

// The text of the entry that holds `window`'s keyboard; "<no entry>" when none does.
std::string FocusedText(GtkWidget* window) {
  GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
  return GTK_IS_ENTRY(focus) ? gtk_entry_get_text(GTK_ENTRY(focus)) : "<no entry>";
}

std::string MessageText(GtkWidget* dialog) {
  if (!GTK_IS_MESSAGE_DIALOG(dialog)) return "<not a message>";
  gchar* text = nullptr;
  g_object_get(dialog, "text", &text, nullptr);
  std::string result = text != nullptr ? text : "";
  g_free(text);
  return result;
}

// The middle of a window on the screen.
std::pair<int, int> Centre(GdkWindow* window) {
  int x = 0;
  int y = 0;
  gdk_window_get_origin(window, &x, &y);
  return {x + gdk_window_get_width(window) / 2, y + gdk_window_get_height(window) / 2};
}

void ExpectCentredOn(GtkWidget* dialog, std::pair<int, int> centre, const char* where) {
  const auto [x, y] = Centre(gtk_widget_get_window(dialog));
  EXPECT_NEAR(x, centre.first, 4) << where;
  EXPECT_NEAR(y, centre.second, 4) << where;
}

// The X11 window the window manager is told to keep `dialog` above; 0 for none.
unsigned long TransientFor(GtkWidget* dialog) {
  GdkAtom type = GDK_NONE;
  gint format = 0;
  gint length = 0;
  guchar* data = nullptr;
  unsigned long owner = 0;
  if (gdk_property_get(gtk_widget_get_window(dialog), gdk_atom_intern_static_string("WM_TRANSIENT_FOR"),
                       gdk_atom_intern_static_string("WINDOW"), 0, 1, FALSE, &type, &format, &length, &data) &&
      format == 32 && length >= static_cast<gint>(sizeof(long))) {
    std::memcpy(&owner, data, sizeof(long));  // 32-bit items come as the client's longs
  }
  g_free(data);
  return owner;
}

// The user picks `paper` in landscape in the page setup dialog.
void PickLandscape(GtkWidget* dialog, const char* paper) {
  GtkPageSetup* setup = gtk_page_setup_new();
  GtkPaperSize* size = gtk_paper_size_new(paper);
  gtk_page_setup_set_paper_size(setup, size);
  gtk_page_setup_set_orientation(setup, GTK_PAGE_ORIENTATION_LANDSCAPE);
  gtk_page_setup_unix_dialog_set_page_setup(GTK_PAGE_SETUP_UNIX_DIALOG(dialog), setup);
  gtk_paper_size_free(size);
  g_object_unref(setup);
}

TEST_F(GtkDialogTest, OwnerWindowHoldsTheDialogOtherwiseItIsCentred) {
  GdkRectangle screen{};
  gdk_monitor_get_geometry(gdk_display_get_monitor(gdk_display_get_default(), 0), &screen);
  const std::pair<int, int> screen_centre{screen.x + screen.width / 2, screen.y + screen.height / 2};
  GCommonDialog common;
  int32_t color = 0;

  // One of this process's GTK windows, named by its X11 window id.
  GtkWidget* host = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(host), "Host");
  gtk_window_set_default_size(GTK_WINDOW(host), 640, 420);
  gtk_window_move(GTK_WINDOW(host), 40, 30);
  gtk_widget_show(host);
  for (int i = 0; i < 20; ++i) gtk_main_iteration_do(FALSE);
  const auto host_id = static_cast<int32_t>(gdk_x11_window_get_xid(gtk_widget_get_window(host)));
  WhenShown([&](GtkWidget* dialog) {
    EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), GTK_WINDOW(host));
    ExpectCentredOn(dialog, Centre(gtk_widget_get_window(host)), "over the GTK host");
    Screenshot(gtk_widget_get_toplevel(dialog), "owner-dialog");
    SavePng(gdk_get_default_root_window(), 1000, 700, "owner-desktop");
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return true;
  });
  EXPECT_FALSE(common.VBChooseColor(color, true, false, false, host_id));
  gtk_widget_destroy(host);

  // A window that is not a GTK window of this process, as another program's is.
  GdkWindowAttr attributes{};
  attributes.window_type = GDK_WINDOW_TOPLEVEL;
  attributes.wclass = GDK_INPUT_OUTPUT;
  attributes.x = 600;
  attributes.y = 450;
  attributes.width = 500;
  attributes.height = 400;
  GdkWindow* foreign = gdk_window_new(nullptr, &attributes, GDK_WA_X | GDK_WA_Y);
  gdk_window_show(foreign);
  const unsigned long foreign_id = gdk_x11_window_get_xid(foreign);
  WhenShown([&](GtkWidget* dialog) {
    EXPECT_EQ(TransientFor(dialog), foreign_id);
    ExpectCentredOn(dialog, Centre(foreign), "over another program's window");
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return true;
  });
  EXPECT_FALSE(common.VBChooseColor(color, true, false, false, static_cast<int32_t>(foreign_id)));
  gdk_window_destroy(foreign);

  // No owner, and an id no window has (X11 ids are below 2^29): the middle of the screen.
  for (const int32_t owner : {-1, 0x1FFFFFFE}) {
    WhenShown([&](GtkWidget* dialog) {
      EXPECT_EQ(gtk_window_get_transient_for(GTK_WINDOW(dialog)), nullptr) << owner;
      EXPECT_EQ(TransientFor(dialog), 0u) << owner;
      ExpectCentredOn(dialog, screen_centre, "without an owner");
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
      return true;
    });
    EXPECT_FALSE(common.VBChooseColor(color, true, false, false, owner));
  }
}

TEST_F(GtkDialogTest, OpenWithFiltersFolderReadOnlyAndTwoFiles) {
  Touch("alpha.qxv");
  Touch("beta.txt");
  Touch("gamma.QXV");
  WhenShown([this](GtkWidget* dialog) {
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    EXPECT_EQ(Title(dialog), "Open Project");
    EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_OPEN);
    EXPECT_TRUE(gtk_file_chooser_get_select_multiple(chooser));
    GSList* filters = gtk_file_chooser_list_filters(chooser);
    EXPECT_EQ(g_slist_length(filters), 2u);
    if (filters != nullptr) {
      EXPECT_STREQ(gtk_file_filter_get_name(GTK_FILE_FILTER(filters->data)), "Projects (*.qxv)");
    }
    g_slist_free(filters);
    EXPECT_STREQ(gtk_file_filter_get_name(gtk_file_chooser_get_filter(chooser)), "Projects (*.qxv)");
    gchar* folder = gtk_file_chooser_get_current_folder(chooser);
    EXPECT_EQ(folder != nullptr ? std::string(folder) : "", Folder());
    g_free(folder);
    GtkWidget* read_only = gtk_file_chooser_get_extra_widget(chooser);
    EXPECT_TRUE(GTK_IS_CHECK_BUTTON(read_only));
    if (GTK_IS_CHECK_BUTTON(read_only)) gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(read_only), TRUE);
    // Everything the filter shows: the two projects, in either case, and not beta.txt.
    gtk_file_chooser_select_all(chooser);
    GSList* chosen = gtk_file_chooser_get_filenames(chooser);
    const guint count = g_slist_length(chosen);
    g_slist_free_full(chosen, g_free);
    if (count < 2) return false;  // the folder is still loading
    Screenshot(dialog, "open");
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    return true;
  });
  GCommonDialog common;
  std::u16string name, title;
  std::u16string filter = u"Projects (*.qxv)|*.qxv|Text (*.txt)|*.txt";
  int32_t index = 1;
  bool read_only = false;
  ASSERT_TRUE(
      common.VBGetOpenFileName(name, title, true, true, read_only, false, filter, index, Folder16(), u"Open Project"));
  EXPECT_EQ(name, Folder16() + u" alpha.qxv gamma.QXV");
  EXPECT_EQ(title, u"alpha.qxv");
  EXPECT_EQ(index, 1);
  EXPECT_EQ(filter, u"Projects (*.qxv)\0*.qxv"s);
  EXPECT_TRUE(read_only);
}

TEST_F(GtkDialogTest, SaveWithOverwritePromptAndDefaultExtension) {
  WhenShown([](GtkWidget* dialog) {
    GtkFileChooser* chooser = GTK_FILE_CHOOSER(dialog);
    EXPECT_EQ(Title(dialog), "Save Report");
    EXPECT_EQ(gtk_file_chooser_get_action(chooser), GTK_FILE_CHOOSER_ACTION_SAVE);
    gchar* current = gtk_file_chooser_get_current_name(chooser);
    EXPECT_STREQ(current, "report");
    g_free(current);
    Screenshot(dialog, "save");
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    return true;
  });
  GCommonDialog common;
  std::u16string name = u"report", title;
  int32_t flags = 0;
  ASSERT_TRUE(common.VBGetSaveFileName(name, title, true, u"Text (*.txt)|*.txt|All (*.*)|*.*", 1, Folder16(),
                                       u"Save Report", u"txt", -1, flags));
  EXPECT_EQ(name, Folder16() + u"/report.txt");
  EXPECT_EQ(title, u"report.txt");
  EXPECT_EQ(flags & OFN_EXTENSIONDIFFERENT, 0);

  // Cancel from the chooser is a cancelled save.
  WhenShown([](GtkWidget* dialog) {
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return true;
  });
  EXPECT_FALSE(common.VBGetSaveFileName(name, title, true, u"All|*.*", 1));
  EXPECT_EQ(name, u"");
}

TEST_F(GtkDialogTest, SaveTypedBareNameGetsOneDotAndTheQuestionIsForTheFinalName) {
  Touch("alpha.qxv");
  const auto ask = [this](std::u16string& name) {
    std::u16string title;
    int32_t flags = 0;
    return GCommonDialog().VBGetSaveFileName(name, title, true, u"Quillar Files (*.qxv)|*.qxv|All (*.*)|*.*", 1,
                                             Folder16(), u"Save Project", u".qxv", -1, flags);
  };
  // A bare name, typed and entered: the default extension joins it with one dot.
  WhenShown([](GtkWidget* dialog) {
    Type(dialog, "newdoc");
    EXPECT_EQ(FocusedText(dialog), "newdoc");
    Screenshot(dialog, "save-typed");
    Press(dialog, GDK_KEY_Return);
    return true;
  });
  std::u16string name;
  ASSERT_TRUE(ask(name));
  EXPECT_EQ(name, Folder16() + u"/newdoc.qxv");

  // "alpha" becomes alpha.qxv, which exists: the user is asked, and a No keeps
  // the dialog open; the second time the user replaces it.
  int step = 0;
  std::vector<std::string> questions;
  WhenShown([&](GtkWidget* dialog) {
    if (GTK_IS_FILE_CHOOSER(dialog)) {
      if (step == 0 || step == 2) {
        ClearFocusedEntry(dialog);
        Type(dialog, "alpha");
        Press(dialog, GDK_KEY_Return);
        ++step;
      }
      return false;
    }
    questions.push_back(MessageText(dialog));
    Screenshot(dialog, "save-replace");
    const bool replace = step == 3;
    gtk_dialog_response(GTK_DIALOG(dialog), replace ? GTK_RESPONSE_ACCEPT : GTK_RESPONSE_CANCEL);
    ++step;
    return replace;
  });
  ASSERT_TRUE(ask(name));
  EXPECT_EQ(name, Folder16() + u"/alpha.qxv");
  ASSERT_EQ(questions.size(), 2u);
  EXPECT_NE(questions[0].find("alpha.qxv"), std::string::npos) << questions[0];
}

TEST_F(GtkDialogTest, OpenKeepsAskingForAFileThatMustExistAndStartsInTheCurrentFolder) {
  Touch("alpha.qxv");
  const fs::path before = fs::current_path();
  fs::current_path(Folder());
  int step = 0;
  std::string message;
  std::string start;
  WhenShown([&](GtkWidget* dialog) {
    if (GTK_IS_FILE_CHOOSER(dialog)) {
      if (step == 0) {
        gchar* folder = gtk_file_chooser_get_current_folder(GTK_FILE_CHOOSER(dialog));
        start = folder != nullptr ? folder : "<none>";
        g_free(folder);
        Press(dialog, GDK_KEY_l, GDK_CONTROL_MASK);  // the location box
        Type(dialog, Folder() + "/missing.qxv");
        Press(dialog, GDK_KEY_Return);
        step = 1;
      } else if (step == 2) {
        // Still open after the message: the user gives up.
        gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
        return true;
      }
      return false;
    }
    message = MessageText(dialog);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    step = 2;
    return false;
  });
  std::u16string name, title;
  std::u16string filter = u"All (*.*)|*.*";
  int32_t index = 1;
  bool read_only = false;
  const bool chosen =
      GCommonDialog().VBGetOpenFileName(name, title, true, false, read_only, true, filter, index, u"", u"Open");
  fs::current_path(before);
  EXPECT_FALSE(chosen);
  EXPECT_EQ(start, Folder());
  EXPECT_EQ(step, 2);
  EXPECT_NE(message.find("missing.qxv"), std::string::npos) << message;
}

// Enter, and a second later Cancel should the dialog still be open.
std::function<bool(GtkWidget*)> PressEnter() {
  return [ticks = 0](GtkWidget* dialog) mutable {
    if (ticks++ == 0) {
      Press(dialog, GDK_KEY_Return);
      return false;
    }
    if (ticks < 10) return false;
    ADD_FAILURE() << Title(dialog) << " is still open after Enter";
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return true;
  };
}

TEST_F(GtkDialogTest, EnterAcceptsTheColorItOpenedWithAndAppliesThePageSetup) {
  WhenShown(PressEnter());
  GCommonDialog common;
  int32_t color = 0x3366CC;
  ASSERT_TRUE(common.VBChooseColor(color));
  EXPECT_EQ(color, 0x3366CC);

  WhenShown(PressEnter());
  int32_t left = 25, right = 25, top = 20, bottom = 20, min = 10;
  EPaperSize paper = epsA4;
  EOrientation orientation = eoLandscape;
  EPrintQuality quality = epqDraft;
  EXPECT_TRUE(common.VBPageSetupDlg(0, false, false, false, false, left, min, right, min, top, min, bottom, min, paper,
                                    orientation, quality, epsuMillimeters));
  EXPECT_EQ(left, 25);
}

TEST_F(GtkDialogTest, ColorWithPresetAndCustomColors) {
  GCommonDialog common;
  common.CustomColor(0, 0x00FF80);
  WhenShown([](GtkWidget* dialog) {
    GtkColorChooser* chooser = GTK_COLOR_CHOOSER(dialog);
    GdkRGBA rgba{};
    gtk_color_chooser_get_rgba(chooser, &rgba);
    EXPECT_NEAR(rgba.red, 0xCC / 255.0, 1e-3);  // 0x3366CC is blue 33, green 66, red CC
    EXPECT_NEAR(rgba.green, 0x66 / 255.0, 1e-3);
    EXPECT_NEAR(rgba.blue, 0x33 / 255.0, 1e-3);
    Screenshot(dialog, "color");
    const GdkRGBA chosen{0x56 / 255.0, 0x34 / 255.0, 0x12 / 255.0, 1.0};
    gtk_color_chooser_set_rgba(chooser, &chosen);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    return true;
  });
  int32_t color = 0x3366CC;
  ASSERT_TRUE(common.VBChooseColor(color));
  EXPECT_EQ(color, 0x123456);
  // The new colour joined the custom colours in front of the earlier ones.
  EXPECT_EQ(common.CustomColor(0), 0x123456);
  EXPECT_EQ(common.CustomColor(1), 0x00FF80);
}

TEST_F(GtkDialogTest, ColorEditorStaysClosedWhenFullOpenIsPrevented) {
  GCommonDialog common;
  for (const bool prevent : {false, true}) {
    bool button_shown = false;
    bool editor = false;
    WhenShown([&](GtkWidget* dialog) {
      // The "+" under the custom colours, as the user presses it.
      GtkWidget* add = gtk::Named(dialog, "add-color-button");
      EXPECT_NE(add, nullptr);
      if (add == nullptr) return true;
      button_shown = gtk_widget_get_visible(add) != FALSE;
      g_signal_emit_by_name(add, "activate");
      gboolean shown = FALSE;
      g_object_get(dialog, "show-editor", &shown, nullptr);
      editor = shown != FALSE;
      if (prevent) Screenshot(dialog, "color-prevent-full-open");
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
      return true;
    });
    int32_t color = 0x3366CC;
    EXPECT_TRUE(common.VBChooseColor(color, true, false, prevent));
    EXPECT_EQ(button_shown, !prevent) << "prevent " << prevent;
    EXPECT_EQ(editor, !prevent) << "prevent " << prevent;
    // Prevented, the editor's start colour does not replace the one chosen.
    if (prevent) {
      EXPECT_EQ(color, 0x3366CC);
    }
  }
}

TEST_F(GtkDialogTest, FontSizeOutsideTheLimitsIsRefusedAndAskedAgain) {
  bool asked = false;
  std::vector<std::string> messages;
  WhenShown([&](GtkWidget* dialog) {
    if (GTK_IS_MESSAGE_DIALOG(dialog)) {
      messages.push_back(MessageText(dialog));
      Screenshot(dialog, "font-size-refused");
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
      return false;
    }
    GtkFontChooser* chooser = GTK_FONT_CHOOSER(dialog);
    if (!asked) {
      // 30 points asked for, 20 the most allowed: the chooser starts at 20.
      PangoFontDescription* preset = gtk_font_chooser_get_font_desc(chooser);
      EXPECT_EQ(pango_font_description_get_size(preset), 20 * PANGO_SCALE);
      pango_font_description_free(preset);
      gtk_font_chooser_set_font(chooser, "DejaVu Sans 48");
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
      asked = true;
      return false;
    }
    if (messages.empty()) return false;  // the refusal is still on its way
    gtk_font_chooser_set_font(chooser, "DejaVu Sans 14");
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    return true;
  });
  GCommonDialog common;
  DynamicObject font = FontObject(u"DejaVu Sans", 30.0);
  ASSERT_TRUE(common.VBChooseFont(font, -1, -1, 0, 8, 20));
  EXPECT_EQ(messages, std::vector<std::string>{"Choose a size from 8 to 20 points."});
  EXPECT_EQ(font.GetProperty(u"Size").ToDouble(), 14.0);
}

TEST_F(GtkDialogTest, FontFromAndToTheFontObject) {
  WhenShown([](GtkWidget* dialog) {
    GtkFontChooser* chooser = GTK_FONT_CHOOSER(dialog);
    PangoFontDescription* preset = gtk_font_chooser_get_font_desc(chooser);
    EXPECT_STREQ(pango_font_description_get_family(preset), "DejaVu Sans");
    EXPECT_EQ(pango_font_description_get_size(preset), 12 * PANGO_SCALE);
    // The family has no italic face; its oblique one stands in.
    EXPECT_EQ(pango_font_description_get_style(preset), PANGO_STYLE_OBLIQUE);
    pango_font_description_free(preset);
    Screenshot(dialog, "font");
    gtk_font_chooser_set_font(chooser, "DejaVu Serif Bold 16");
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    return true;
  });
  GCommonDialog common;
  DynamicObject font = FontObject(u"DejaVu Sans", 12.0, true);
  ASSERT_TRUE(common.VBChooseFont(font));
  EXPECT_EQ(font.GetProperty(u"Name").ToString(), u"DejaVu Serif");
  EXPECT_EQ(font.GetProperty(u"Size").ToDouble(), 16.0);
  EXPECT_TRUE(font.GetProperty(u"Bold").ToBool());
  EXPECT_EQ(font.GetProperty(u"Weight").ToLong(), 700);
  EXPECT_FALSE(font.GetProperty(u"Italic").ToBool());
}

TEST_F(GtkDialogTest, PrintWithRangeAndCopies) {
  WhenShown([](GtkWidget* dialog) {
    GtkPrintUnixDialog* print = GTK_PRINT_UNIX_DIALOG(dialog);
    if (gtk_print_unix_dialog_get_selected_printer(print) == nullptr) {
      // No default printer here: pick the first one listed, once the list has one.
      const auto lists = Find(dialog, GTK_TYPE_TREE_VIEW);
      if (!lists.empty() &&
          gtk_tree_model_iter_n_children(gtk_tree_view_get_model(GTK_TREE_VIEW(lists[0])), nullptr) > 0) {
        GtkTreePath* first = gtk_tree_path_new_first();
        gtk_tree_view_set_cursor(GTK_TREE_VIEW(lists[0]), first, nullptr, FALSE);
        gtk_tree_path_free(first);
      }
      return false;
    }
    EXPECT_EQ(Title(dialog), "Print");
    GtkPrintSettings* settings = gtk_print_unix_dialog_get_settings(print);
    EXPECT_EQ(gtk_print_settings_get_print_pages(settings), GTK_PRINT_PAGES_RANGES);
    gint count = 0;
    GtkPageRange* ranges = gtk_print_settings_get_page_ranges(settings, &count);
    EXPECT_EQ(count, 1);
    if (count == 1) {
      EXPECT_EQ(ranges[0].start, 1);  // pages 2 to 5, counted from 0
      EXPECT_EQ(ranges[0].end, 4);
    }
    g_free(ranges);
    gtk_print_settings_set_n_copies(settings, 3);
    gtk_print_unix_dialog_set_settings(print, settings);
    g_object_unref(settings);
    Screenshot(dialog, "print");
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    return true;
  });
  GCommonDialog common;
  DynamicObject printer;
  int32_t dc = 0, from = 2, to = 5;
  int16_t copies = 1;
  EPrintRange range = eprPageNumbers;
  ASSERT_TRUE(
      common.VBPrintDlg(dc, range, false, from, to, false, copies, true, false, false, false, false, 0, &printer));
  EXPECT_NE(dc, 0);
  EXPECT_EQ(range, eprPageNumbers);
  EXPECT_EQ(from, 2);
  EXPECT_EQ(to, 5);
  EXPECT_EQ(copies, 3);
  EXPECT_EQ(printer.GetProperty(u"Copies").ToLong(), 3);
  EXPECT_EQ(printer.GetProperty(u"Orientation").ToLong(), eoPortrait);
}

// GTK's "Print to File" printer and its page-range field cannot be hidden; the
// flags that rule them out refuse them when the user confirms.
TEST_F(GtkDialogTest, PrintRefusesPrintToFileAndPageRangesTheFlagsRuleOut) {
  const auto print_to_file = [](GtkWidget* dialog, GtkPrintPages pages) {
    GtkPrintUnixDialog* print = GTK_PRINT_UNIX_DIALOG(dialog);
    GtkPrintSettings* settings = gtk_print_unix_dialog_get_settings(print);
    gtk_print_settings_set_printer(settings, "Print to File");
    gtk_print_settings_set_print_pages(settings, pages);
    if (pages == GTK_PRINT_PAGES_RANGES) {
      GtkPageRange range{1, 2};
      gtk_print_settings_set_page_ranges(settings, &range, 1);
    }
    gtk_print_unix_dialog_set_settings(print, settings);
    g_object_unref(settings);
    GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(print);
    return printer != nullptr && std::string(gtk_printer_get_name(printer)) == "Print to File";
  };
  GCommonDialog common;
  int32_t dc = 0;

  // Ranges ruled out, printing to a file allowed: a range is refused, all pages taken.
  std::vector<std::string> messages;
  WhenShown([&](GtkWidget* dialog) {
    if (GTK_IS_MESSAGE_DIALOG(dialog)) {
      messages.push_back(MessageText(dialog));
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
      return false;
    }
    if (!print_to_file(dialog, messages.empty() ? GTK_PRINT_PAGES_RANGES : GTK_PRINT_PAGES_ALL)) return false;
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    return !messages.empty();
  });
  EPrintRange range = eprAll;
  bool to_file = false;
  ASSERT_TRUE(common.VBPrintDlg(dc, range, true, 1, -1, false, int16_t{1}, true, false, to_file));
  EXPECT_EQ(messages, std::vector<std::string>{"This program cannot print a range of pages. Choose all pages."});
  EXPECT_EQ(range, eprAll);
  EXPECT_TRUE(to_file);

  // Printing to a file hidden (the default): refused, and the user cancels.
  messages.clear();
  WhenShown([&](GtkWidget* dialog) {
    if (GTK_IS_MESSAGE_DIALOG(dialog)) {
      messages.push_back(MessageText(dialog));
      Screenshot(dialog, "print-to-file-refused");
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
      return false;
    }
    if (!print_to_file(dialog, GTK_PRINT_PAGES_ALL)) return false;
    gtk_dialog_response(GTK_DIALOG(dialog), messages.empty() ? GTK_RESPONSE_OK : GTK_RESPONSE_CANCEL);
    return !messages.empty();
  });
  EXPECT_FALSE(common.VBPrintDlg(dc));
  EXPECT_EQ(messages, std::vector<std::string>{"This program cannot print to a file. Choose a printer."});
}

TEST_F(GtkDialogTest, PageSetupKeepsThePaperAndOrientationItDisables) {
  EPaperSize expected = epsLetter;
  WhenShown([&expected](GtkWidget* dialog) {
    // Whatever the dialog lets through, as a GTK with another layout might:
    // the other of A4 and Letter, turned to landscape.
    GtkPageSetup* shown = gtk_page_setup_unix_dialog_get_page_setup(GTK_PAGE_SETUP_UNIX_DIALOG(dialog));
    const bool a4 = std::string(gtk_paper_size_get_name(gtk_page_setup_get_paper_size(shown))) == GTK_PAPER_NAME_A4;
    expected = a4 ? epsA4 : epsLetter;
    PickLandscape(dialog, a4 ? GTK_PAPER_NAME_LETTER : GTK_PAPER_NAME_A4);
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    return true;
  });
  GCommonDialog common;
  EPaperSize paper = epsLegal;
  EOrientation orientation = eoLandscape;
  ASSERT_TRUE(common.VBPageSetupDlg(0, false, true, true, false, 10, 0, 10, 0, 10, 0, 10, 0, paper, orientation));
  EXPECT_EQ(paper, expected);
  EXPECT_EQ(orientation, eoPortrait);
}

TEST_F(GtkDialogTest, PageSetupWithMarginsPaperAndOrientation) {
  WhenShown([](GtkWidget* dialog) {
    EXPECT_EQ(Title(dialog), "Page Setup");
    // The margin spin buttons, by the labels that name them.
    std::map<std::string, GtkSpinButton*> margins;
    for (GtkWidget* label : Find(dialog, GTK_TYPE_LABEL)) {
      GtkWidget* target = gtk_label_get_mnemonic_widget(GTK_LABEL(label));
      if (GTK_IS_SPIN_BUTTON(target)) margins[gtk_label_get_text(GTK_LABEL(label))] = GTK_SPIN_BUTTON(target);
    }
    EXPECT_EQ(margins.size(), 4u);
    if (margins.size() != 4) return true;
    EXPECT_EQ(gtk_spin_button_get_value(margins["Left:"]), 25.0);  // millimetres
    EXPECT_EQ(gtk_spin_button_get_value(margins["Top:"]), 20.0);
    double low = 0, high = 0;
    gtk_spin_button_get_range(margins["Left:"], &low, &high);
    EXPECT_EQ(low, 10.0);  // the minimum margin
    gtk_spin_button_set_value(margins["Left:"], 30.0);
    PickLandscape(dialog, GTK_PAPER_NAME_A4);
    Screenshot(dialog, "page-setup");
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
    return true;
  });
  GCommonDialog common;
  int32_t left = 25, right = 25, top = 20, bottom = 20, min = 10;
  EPaperSize paper = epsLetter;
  EOrientation orientation = eoPortrait;
  EPrintQuality quality = epqDraft;
  ASSERT_TRUE(common.VBPageSetupDlg(0, false, false, false, false, left, min, right, min, top, min, bottom, min, paper,
                                    orientation, quality, epsuMillimeters));
  EXPECT_EQ(left, 30);
  EXPECT_EQ(right, 25);
  EXPECT_EQ(top, 20);
  EXPECT_EQ(paper, epsA4);
  EXPECT_EQ(orientation, eoLandscape);
}

TEST_F(GtkDialogTest, MessageBoxButtonsIconAndDefault) {
  WhenShown([](GtkWidget* dialog) {
    EXPECT_EQ(Title(dialog), "Vellora");
    GtkMessageType type = GTK_MESSAGE_OTHER;
    g_object_get(dialog, "message-type", &type, nullptr);
    EXPECT_EQ(type, GTK_MESSAGE_QUESTION);
    for (int32_t answer : {mb::kYes, mb::kNo, mb::kCancel}) {
      EXPECT_NE(gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), answer), nullptr) << answer;
    }
    EXPECT_EQ(gtk_window_get_default_widget(GTK_WINDOW(dialog)),
              gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), mb::kNo));
    Screenshot(dialog, "message-box");
    gtk_dialog_response(GTK_DIALOG(dialog), mb::kNo);
    return true;
  });
  EXPECT_EQ(platform_->MessageBox(u"Would you like to save your changes?",
                                  mb::kYesNoCancel | mb::kQuestion | mb::kDefaultButton2, u"Vellora"),
            mb::kNo);

  // Closed without a button: Cancel where there is one, else the default button.
  for (const auto& [style, expected] : {std::pair{mb::kYesNoCancel, mb::kCancel}, std::pair{mb::kYesNo, mb::kYes}}) {
    WhenShown([](GtkWidget* dialog) {
      gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_DELETE_EVENT);
      return true;
    });
    EXPECT_EQ(platform_->MessageBox(u"Close me", style | mb::kExclamation, u"Vellora"), expected);
  }
}

TEST_F(GtkDialogTest, MessageBoxIsWideEnoughForItsTitle) {
  const std::u16string title = u"Vellora2 could not open the project file";
  int width = 0;
  int needed = 0;
  WhenShown([&](GtkWidget* dialog) {
    width = gtk_widget_get_allocated_width(dialog);
    PangoLayout* layout = gtk_widget_create_pango_layout(dialog, ToUtf8(title).c_str());
    pango_layout_get_pixel_size(layout, &needed, nullptr);
    g_object_unref(layout);
    Screenshot(dialog, "message-box-title");
    gtk_dialog_response(GTK_DIALOG(dialog), mb::kOk);
    return true;
  });
  EXPECT_EQ(platform_->MessageBox(u"BadFile!", mb::kOkOnly, title), mb::kOk);
  // Room for the title and three title-bar buttons of at least 24 pixels.
  EXPECT_GE(width, needed + 3 * 24);
}

}  // namespace
}  // namespace vellora2
