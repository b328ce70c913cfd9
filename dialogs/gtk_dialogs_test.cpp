// The GTK windows, under a virtual display: each dialog is opened through
// GCommonDialog with its title, filters and preset values, checked, answered
// from a timer inside the dialog's own loop, and photographed.
#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/gtk/gtk_platform.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/dialogs/gcommondialog.hpp"

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
    SetCurrentPlatform(previous_);
    fs::remove_all(folder_);
  }

  // Calls `act` with the dialog once it has been on screen for a while, and
  // again on each tick until it returns true (it answers the dialog then).
  void WhenShown(std::function<bool(GtkWidget*)> act) {
    act_ = std::move(act);
    ticks_ = 0;
    g_timeout_add(100, &GtkDialogTest::Tick, this);
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
    GdkPixbuf* image =
        gdk_pixbuf_get_from_window(window, 0, 0, gdk_window_get_width(window), gdk_window_get_height(window));
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
    GtkWidget* dialog = nullptr;
    GList* windows = gtk_window_list_toplevels();
    for (GList* w = windows; w != nullptr; w = w->next) {
      if (GTK_IS_DIALOG(w->data) && gtk_widget_get_mapped(GTK_WIDGET(w->data))) dialog = GTK_WIDGET(w->data);
    }
    g_list_free(windows);
    if (++self->ticks_ > 150) {
      ADD_FAILURE() << "the dialog was not answered in 15 seconds";
      if (dialog != nullptr) gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
      return G_SOURCE_REMOVE;
    }
    // Half a second on screen, so that it has drawn itself and read its folder.
    if (dialog == nullptr || self->ticks_ < 5) return G_SOURCE_CONTINUE;
    return self->act_(dialog) ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
  }

  std::shared_ptr<Platform> previous_;
  fs::path folder_;
  std::function<bool(GtkWidget*)> act_;
  int ticks_ = 0;
};

std::string Title(GtkWidget* dialog) { return gtk_window_get_title(GTK_WINDOW(dialog)); }

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
  ASSERT_TRUE(common.VBGetOpenFileName(name, title, true, true, read_only, false, filter, index, Folder16(),
                                       u"Open Project"));
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
    EXPECT_TRUE(gtk_file_chooser_get_do_overwrite_confirmation(chooser));
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

  // Cancel from the chooser: the resets of a cancelled save.
  WhenShown([](GtkWidget* dialog) {
    gtk_dialog_response(GTK_DIALOG(dialog), GTK_RESPONSE_CANCEL);
    return true;
  });
  int32_t index = 1;
  EXPECT_FALSE(common.VBGetSaveFileName(name, title, true, u"All|*.*", index));
  EXPECT_EQ(name, u"");
  EXPECT_EQ(index, 0);
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
  DynamicObject font{{u"Name", Variant(u"DejaVu Sans")}, {u"Size", Variant(12.0)},       {u"Bold", Variant(false)},
                     {u"Italic", Variant(true)},         {u"Underline", Variant(false)}, {u"Strikethrough", Variant(false)},
                     {u"Weight", Variant(int16_t{400})}};
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
      if (!lists.empty() && gtk_tree_model_iter_n_children(gtk_tree_view_get_model(GTK_TREE_VIEW(lists[0])), nullptr) > 0) {
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
  ASSERT_TRUE(common.VBPrintDlg(dc, range, false, from, to, false, copies, true, false, false, false, false, 0,
                                &printer));
  EXPECT_NE(dc, 0);
  EXPECT_EQ(range, eprPageNumbers);
  EXPECT_EQ(from, 2);
  EXPECT_EQ(to, 5);
  EXPECT_EQ(copies, 3);
  EXPECT_EQ(printer.GetProperty(u"Copies").ToLong(), 3);
  EXPECT_EQ(printer.GetProperty(u"Orientation").ToLong(), eoPortrait);
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
    GtkPageSetup* setup = gtk_page_setup_new();
    GtkPaperSize* a4 = gtk_paper_size_new(GTK_PAPER_NAME_A4);
    gtk_page_setup_set_paper_size(setup, a4);
    gtk_page_setup_set_orientation(setup, GTK_PAGE_ORIENTATION_LANDSCAPE);
    gtk_page_setup_unix_dialog_set_page_setup(GTK_PAGE_SETUP_UNIX_DIALOG(dialog), setup);
    gtk_paper_size_free(a4);
    g_object_unref(setup);
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

}  // namespace
}  // namespace vellora2
