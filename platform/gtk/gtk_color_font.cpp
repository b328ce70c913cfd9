// The colour and font dialogs as GTK choosers.
#include <algorithm>
#include <array>
#include <cmath>
#include <string>

#include "platform/dialog_results.hpp"
#include "platform/gtk/gtk_platform.hpp"
#include "platform/gtk/gtk_support.hpp"
#include "vellora2/automation/text.hpp"

namespace vellora2 {
namespace {

GdkRGBA ToRgba(uint32_t colorref) {
  return {(colorref & 0xFF) / 255.0, ((colorref >> 8) & 0xFF) / 255.0, ((colorref >> 16) & 0xFF) / 255.0, 1.0};
}

uint32_t ToColorRef(const GdkRGBA& rgba) {
  auto channel = [](double v) { return static_cast<uint32_t>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  return channel(rgba.red) | channel(rgba.green) << 8 | channel(rgba.blue) << 16;
}

// Giving the chooser palettes of our own replaces its default ones, so it gets
// the sixteen standard colours first and the custom colours under them.
constexpr std::array<uint32_t, 16> kBasicColors{0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                                                0x808000, 0xC0C0C0, 0x808080, 0x0000FF, 0x00FF00, 0x00FFFF,
                                                0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};

// CC_PREVENTFULLOPEN. GTK has no switch for it: the chooser's "+" button is
// hidden by the name themes know it by, and the editor, should it open all the
// same (a custom swatch's "Customize"), closes at once on the colour that was
// chosen before it opened.
struct EditorGuard {
  GdkRGBA chosen{};
};

void RememberChoice(GObject* dialog, GParamSpec*, gpointer data) {
  gboolean editing = FALSE;
  g_object_get(dialog, "show-editor", &editing, nullptr);
  if (!editing) gtk_color_chooser_get_rgba(GTK_COLOR_CHOOSER(dialog), &static_cast<EditorGuard*>(data)->chosen);
}

void KeepEditorClosed(GObject* dialog, GParamSpec*, gpointer data) {
  gboolean editing = FALSE;
  g_object_get(dialog, "show-editor", &editing, nullptr);
  if (!editing) return;
  const GdkRGBA chosen = static_cast<EditorGuard*>(data)->chosen;
  g_object_set(dialog, "show-editor", FALSE, nullptr);
  gtk_color_chooser_set_rgba(GTK_COLOR_CHOOSER(dialog), &chosen);
}

}  // namespace

bool GtkPlatform::ChooseColor(ChooseColorRecord& record) {
  SetDialogError(0);
  GtkWidget* dialog = gtk_color_chooser_dialog_new("Color", nullptr);
  GtkColorChooser* chooser = GTK_COLOR_CHOOSER(dialog);
  gtk_color_chooser_set_use_alpha(chooser, FALSE);
  std::array<GdkRGBA, 16> basic{};
  std::transform(kBasicColors.begin(), kBasicColors.end(), basic.begin(), ToRgba);
  gtk_color_chooser_add_palette(chooser, GTK_ORIENTATION_HORIZONTAL, 8, static_cast<gint>(basic.size()), basic.data());
  std::array<GdkRGBA, 16> custom{};
  if (record.lpCustColors != nullptr) {
    std::transform(record.lpCustColors->begin(), record.lpCustColors->end(), custom.begin(), ToRgba);
    gtk_color_chooser_add_palette(chooser, GTK_ORIENTATION_HORIZONTAL, 8, static_cast<gint>(custom.size()),
                                  custom.data());
  }
  const GdkRGBA initial = ToRgba((record.Flags & cdlg::kCcRgbInit) ? record.rgbResult : 0);
  gtk_color_chooser_set_rgba(chooser, &initial);
  if (record.Flags & cdlg::kCcFullOpen) g_object_set(dialog, "show-editor", TRUE, nullptr);
  EditorGuard guard{initial};
  if (record.Flags & cdlg::kCcPreventFullOpen) {
    if (GtkWidget* add = gtk::Named(dialog, "add-color-button")) {
      gtk_widget_set_no_show_all(add, TRUE);
      gtk_widget_hide(add);
    }
    g_signal_connect(dialog, "notify::rgba", G_CALLBACK(RememberChoice), &guard);
    g_signal_connect(dialog, "notify::show-editor", G_CALLBACK(KeepEditorClosed), &guard);
  }

  // Enter takes the colour the dialog opened with, not the swatch that happens
  // to hold the keyboard.
  gtk::FocusResponseOnShow(dialog, GTK_RESPONSE_OK);
  gtk::PlaceOver(dialog, record.hwndOwner);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  GdkRGBA chosen{};
  gtk_color_chooser_get_rgba(chooser, &chosen);
  gtk_widget_destroy(dialog);
  ProcessEvents();
  if (response != GTK_RESPONSE_OK) return false;
  record.rgbResult = ToColorRef(chosen);
  // A colour mixed in the editor joins the custom colours at the front, as the
  // chooser's own custom row does, so that the next dialog offers it again.
  if (record.lpCustColors != nullptr) {
    auto& slots = *record.lpCustColors;
    const bool known = std::find(slots.begin(), slots.end(), record.rgbResult) != slots.end() ||
                       std::find(kBasicColors.begin(), kBasicColors.end(), record.rgbResult) != kBasicColors.end();
    if (!known) {
      std::copy_backward(slots.begin(), slots.end() - 1, slots.end());
      slots.front() = record.rgbResult;
    }
  }
  return true;
}

namespace {

bool HasSelection(GtkFontChooser* chooser) {
  gchar* font = gtk_font_chooser_get_font(chooser);
  const bool selected = font != nullptr;
  g_free(font);
  return selected;
}

// The chosen size in points.
double PointsOf(const PangoFontDescription* font, int32_t twips_per_pixel) {
  const double size = pango_font_description_get_size(font) / static_cast<double>(PANGO_SCALE);
  return pango_font_description_get_size_is_absolute(font) ? size * 72.0 * twips_per_pixel / 1440.0 : size;
}

// What CF_LIMITSIZE allows, as the user is told it; 0 is no limit.
std::string SizeRule(int32_t low, int32_t high) {
  const std::string from = std::to_string(low);
  const std::string to = std::to_string(high);
  if (low > 0 && high > 0) return "Choose a size from " + from + " to " + to + " points.";
  return low > 0 ? "Choose a size of at least " + from + " points." : "Choose a size of at most " + to + " points.";
}

gboolean FixedPitchOnly(const PangoFontFamily* family, const PangoFontFace*, gpointer) {
  return pango_font_family_is_monospace(const_cast<PangoFontFamily*>(family));
}

}  // namespace

bool GtkPlatform::ChooseFont(ChooseFontRecord& record) {
  SetDialogError(0);
  const bool limit = (record.Flags & cdlg::kCfLimitSize) != 0;
  if (limit && record.nSizeMax > 0 && record.nSizeMax < record.nSizeMin) {
    SetDialogError(cdlg::kErrMaxLessThanMin);
    return false;
  }
  LogFontRecord& font = record.lpLogFont;
  const int32_t twips_per_pixel = TwipsPerPixelY();
  double points = record.iPointSize / 10.0;
  if (points <= 0 && font.lfHeight != 0) points = std::abs(font.lfHeight) * twips_per_pixel / 20.0;
  if (points <= 0) points = 10;
  // GTK's chooser has no size limits of its own: it starts inside them, and a
  // size outside them is refused with a message, the dialog staying open.
  const int32_t low = limit ? std::max(record.nSizeMin, 0) : 0;
  const int32_t high = limit ? std::max(record.nSizeMax, 0) : 0;
  if (low > 0) points = std::max(points, static_cast<double>(low));
  if (high > 0) points = std::min(points, static_cast<double>(high));

  PangoFontDescription* initial = pango_font_description_new();
  const std::u16string face = dialog::BufferText({font.lfFaceName.data(), font.lfFaceName.size()});
  if (!face.empty()) pango_font_description_set_family(initial, gtk::Utf8(face).c_str());
  pango_font_description_set_weight(initial, static_cast<PangoWeight>(font.lfWeight > 0 ? font.lfWeight : 400));
  pango_font_description_set_style(initial, font.lfItalic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_font_description_set_size(initial, static_cast<gint>(std::lround(points * PANGO_SCALE)));

  GtkWidget* dialog = gtk_font_chooser_dialog_new("Font", nullptr);
  GtkFontChooser* chooser = GTK_FONT_CHOOSER(dialog);
  // The chooser selects only a face that exists; DejaVu Sans, for one, has an
  // oblique face and no italic. Then the nearest style, then the family alone.
  gtk_font_chooser_set_font_desc(chooser, initial);
  if (!HasSelection(chooser) && font.lfItalic) {
    pango_font_description_set_style(initial, PANGO_STYLE_OBLIQUE);
    gtk_font_chooser_set_font_desc(chooser, initial);
  }
  if (!HasSelection(chooser)) {
    pango_font_description_unset_fields(initial,
                                        static_cast<PangoFontMask>(PANGO_FONT_MASK_STYLE | PANGO_FONT_MASK_WEIGHT));
    gtk_font_chooser_set_font_desc(chooser, initial);
  }
  pango_font_description_free(initial);
  int level = GTK_FONT_CHOOSER_LEVEL_FAMILY;
  if (!(record.Flags & cdlg::kCfNoStyleSel)) level |= GTK_FONT_CHOOSER_LEVEL_STYLE;
  if (!(record.Flags & cdlg::kCfNoSizeSel)) level |= GTK_FONT_CHOOSER_LEVEL_SIZE;
  gtk_font_chooser_set_level(chooser, static_cast<GtkFontChooserLevel>(level));
  if (record.Flags & cdlg::kCfFixedPitchOnly) gtk_font_chooser_set_filter_func(chooser, FixedPitchOnly, nullptr, nullptr);

  gtk::PlaceOver(dialog, record.hwndOwner);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  PangoFontDescription* chosen = nullptr;
  double size = 0;
  while (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_OK) {
    chosen = gtk_font_chooser_get_font_desc(chooser);
    if (chosen == nullptr) break;
    size = PointsOf(chosen, twips_per_pixel);
    const long tenths = std::lround(size * 10);
    if ((low == 0 || tenths >= low * 10L) && (high == 0 || tenths <= high * 10L)) break;
    pango_font_description_free(chosen);
    chosen = nullptr;
    gtk::Refuse(dialog, SizeRule(low, high));
  }
  gtk_widget_destroy(dialog);
  ProcessEvents();
  if (chosen == nullptr) return false;

  const char* family = pango_font_description_get_family(chosen);
  const int weight = pango_font_description_get_weight(chosen);
  const bool italic = pango_font_description_get_style(chosen) != PANGO_STYLE_NORMAL;
  font.lfFaceName.fill(u'\0');
  const std::u16string new_face = FromUtf8(family != nullptr ? family : "").substr(0, font.lfFaceName.size() - 1);
  std::copy(new_face.begin(), new_face.end(), font.lfFaceName.begin());
  pango_font_description_free(chosen);

  font.lfWeight = weight;
  font.lfItalic = italic ? 1 : 0;
  font.lfHeight = -static_cast<int32_t>(std::lround(size * 20.0 / twips_per_pixel));
  record.iPointSize = static_cast<int32_t>(std::lround(size * 10));
  const bool bold = weight >= PANGO_WEIGHT_BOLD;
  record.nFontType = static_cast<uint16_t>(cdlg::kScreenFontType | (bold ? cdlg::kBoldFontType : 0) |
                                           (italic ? cdlg::kItalicFontType : 0) |
                                           (!bold && !italic ? cdlg::kRegularFontType : 0));
  return true;
}

}  // namespace vellora2
