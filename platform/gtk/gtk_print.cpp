// The print and page-setup dialogs as GTK's own, with what the user chose
// mapped onto the device mode and the records' fields.
#include <gtk/gtkunixprint.h>

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "platform/dialog_results.hpp"
#include "platform/gtk/gtk_platform.hpp"
#include "platform/gtk/gtk_support.hpp"
#include "vellora2/automation/text.hpp"

namespace vellora2 {
namespace {

int16_t PaperCode(GtkPaperSize* paper, DevModeRecord& mode) {
  const double width = gtk_paper_size_get_width(paper, GTK_UNIT_MM);
  const double height = gtk_paper_size_get_height(paper, GTK_UNIT_MM);
  mode.dmPaperWidth = static_cast<int16_t>(std::lround(width * 10));
  mode.dmPaperLength = static_cast<int16_t>(std::lround(height * 10));
  if (const dialog::Paper* known = dialog::PaperByName(gtk_paper_size_get_name(paper))) return known->code;
  if (const dialog::Paper* known = dialog::PaperBySize(width, height)) return known->code;
  return cdlg::kPaperUser;
}

int16_t QualityCode(GtkPrintQuality quality) {
  switch (quality) {
    case GTK_PRINT_QUALITY_DRAFT: return cdlg::kResDraft;
    case GTK_PRINT_QUALITY_LOW: return cdlg::kResLow;
    case GTK_PRINT_QUALITY_HIGH: return cdlg::kResHigh;
    default: return cdlg::kResMedium;
  }
}

DevModeRecord DevModeOf(const char* printer, GtkPrintSettings* settings, GtkPageSetup* setup) {
  DevModeRecord mode;
  mode.dmDeviceName = FromUtf8(printer != nullptr ? printer : "").substr(0, 31);
  const GtkPageOrientation orientation = gtk_page_setup_get_orientation(setup);
  mode.dmOrientation = orientation == GTK_PAGE_ORIENTATION_LANDSCAPE ||
                               orientation == GTK_PAGE_ORIENTATION_REVERSE_LANDSCAPE
                           ? cdlg::kOrientLandscape
                           : cdlg::kOrientPortrait;
  mode.dmPaperSize = PaperCode(gtk_page_setup_get_paper_size(setup), mode);
  mode.dmFormName = FromUtf8(gtk_paper_size_get_display_name(gtk_page_setup_get_paper_size(setup))).substr(0, 31);
  if (settings != nullptr) {
    mode.dmCopies = static_cast<int16_t>(gtk_print_settings_get_n_copies(settings));
    mode.dmCollate = gtk_print_settings_get_collate(settings) ? 1 : 0;
    mode.dmPrintQuality = QualityCode(gtk_print_settings_get_quality(settings));
    mode.dmColor = gtk_print_settings_get_use_color(settings) ? 2 : 1;
    mode.dmScale = static_cast<int16_t>(std::lround(gtk_print_settings_get_scale(settings)));
  } else {
    mode.dmPrintQuality = cdlg::kResMedium;
  }
  return mode;
}

// GTK's page-setup dialog builds its printer and paper lists and orientation
// buttons itself; they are found among its children to be switched off.
void CollectChildren(GtkWidget* widget, std::vector<GtkWidget*>& combos, std::vector<GtkWidget*>& radios) {
  if (GTK_IS_COMBO_BOX(widget)) combos.push_back(widget);
  if (GTK_IS_RADIO_BUTTON(widget)) radios.push_back(widget);
  if (!GTK_IS_CONTAINER(widget)) return;
  struct Lists {
    std::vector<GtkWidget*>* combos;
    std::vector<GtkWidget*>* radios;
  } lists{&combos, &radios};
  gtk_container_forall(
      GTK_CONTAINER(widget),
      [](GtkWidget* child, gpointer data) {
        auto* l = static_cast<Lists*>(data);
        CollectChildren(child, *l->combos, *l->radios);
      },
      &lists);
}

// A new reference to a (transfer none) object the dialog may not have.
template <typename T>
T* RefOrNull(T* object) {
  return object != nullptr ? static_cast<T*>(g_object_ref(object)) : nullptr;
}

// Why the dialog's choice cannot be taken, or "" when it can. GTK's dialog
// offers no way to hide its "Print to File" printer or its page-range field, so
// a choice of either that the flags rule out is refused when the user confirms.
std::string Unavailable(GtkPrintUnixDialog* print, uint32_t flags) {
  gtk::Ref<GtkPrintSettings> settings(gtk_print_unix_dialog_get_settings(print));
  if ((flags & (cdlg::kPdHidePrintToFile | cdlg::kPdDisablePrintToFile)) &&
      gtk_print_settings_get(settings.get(), GTK_PRINT_SETTINGS_OUTPUT_URI) != nullptr) {
    return "This program cannot print to a file. Choose a printer.";
  }
  if ((flags & cdlg::kPdNoPageNums) && gtk_print_settings_get_print_pages(settings.get()) == GTK_PRINT_PAGES_RANGES) {
    return "This program cannot print a range of pages. Choose all pages.";
  }
  return {};
}

}  // namespace

bool GtkPlatform::PrintDlg(PrintDlgRecord& record) {
  SetDialogError(0);
  GtkWidget* dialog = gtk_print_unix_dialog_new("Print", nullptr);
  GtkPrintUnixDialog* print = GTK_PRINT_UNIX_DIALOG(dialog);
  {
    gtk::Ref<GtkPrintSettings> settings(gtk_print_settings_new());
    gtk_print_settings_set_collate(settings.get(), (record.Flags & cdlg::kPdCollate) != 0);
    if (record.Flags & cdlg::kPdPageNums) {
      GtkPageRange range{record.nFromPage - 1, record.nToPage - 1};
      gtk_print_settings_set_print_pages(settings.get(), GTK_PRINT_PAGES_RANGES);
      gtk_print_settings_set_page_ranges(settings.get(), &range, 1);
    } else if (record.Flags & cdlg::kPdSelection) {
      gtk_print_settings_set_print_pages(settings.get(), GTK_PRINT_PAGES_SELECTION);
    }
    gtk_print_unix_dialog_set_settings(print, settings.get());
  }
  const bool selection = !(record.Flags & cdlg::kPdNoSelection);
  gtk_print_unix_dialog_set_support_selection(print, selection);
  gtk_print_unix_dialog_set_has_selection(print, selection);
  gtk_print_unix_dialog_set_embed_page_setup(print, TRUE);
  gtk_print_unix_dialog_set_manual_capabilities(
      print, static_cast<GtkPrintCapabilities>(GTK_PRINT_CAPABILITY_COPIES | GTK_PRINT_CAPABILITY_COLLATE |
                                               GTK_PRINT_CAPABILITY_PAGE_SET));

  gtk::PlaceOver(dialog, record.hwndOwner);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  gint response = GTK_RESPONSE_CANCEL;
  for (;;) {
    response = gtk_dialog_run(GTK_DIALOG(dialog));
    const std::string why = response == GTK_RESPONSE_OK ? Unavailable(print, record.Flags) : "";
    if (why.empty()) break;
    gtk::Refuse(dialog, why);
  }
  GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(print);
  std::string printer_name = printer != nullptr ? gtk_printer_get_name(printer) : "";
  gtk::Ref<GtkPrintSettings> settings(response == GTK_RESPONSE_OK ? gtk_print_unix_dialog_get_settings(print)
                                                                  : nullptr);
  gtk::Ref<GtkPageSetup> setup(response == GTK_RESPONSE_OK
                                   ? RefOrNull(gtk_print_unix_dialog_get_page_setup(print))
                                   : nullptr);
  gtk_widget_destroy(dialog);
  ProcessEvents();
  if (response != GTK_RESPONSE_OK) return false;
  if (printer_name.empty()) {
    SetDialogError(cdlg::kErrNoDevices);
    return false;
  }

  record.Flags &= ~(cdlg::kPdPageNums | cdlg::kPdSelection | cdlg::kPdPrintToFile);
  switch (gtk_print_settings_get_print_pages(settings.get())) {
    case GTK_PRINT_PAGES_RANGES: {
      gint count = 0;
      GtkPageRange* ranges = gtk_print_settings_get_page_ranges(settings.get(), &count);
      if (count > 0) {
        record.Flags |= cdlg::kPdPageNums;
        record.nFromPage = static_cast<uint16_t>(ranges[0].start + 1);
        record.nToPage = static_cast<uint16_t>(ranges[count - 1].end + 1);
      }
      g_free(ranges);
      break;
    }
    case GTK_PRINT_PAGES_SELECTION: record.Flags |= cdlg::kPdSelection; break;
    default: break;
  }
  const char* output = gtk_print_settings_get(settings.get(), GTK_PRINT_SETTINGS_OUTPUT_URI);
  if (output != nullptr) record.Flags |= cdlg::kPdPrintToFile;
  record.hDevMode = DevModeOf(printer_name.c_str(), settings.get(), setup.get());
  record.hDevNames = DevNamesRecord{u"gtk", FromUtf8(printer_name), output != nullptr ? FromUtf8(output) : u""};
  record.nCopies = static_cast<uint16_t>(record.hDevMode->dmCopies);
  if (record.Flags & cdlg::kPdReturnDC) record.hDC = PrinterDC(FromUtf8(printer_name));
  return true;
}

bool GtkPlatform::PageSetupDlg(PageSetupDlgRecord& record) {
  SetDialogError(0);
  const bool inches = !(record.Flags & cdlg::kPsdInHundredthsOfMillimeters);
  const GtkUnit unit = inches ? GTK_UNIT_INCH : GTK_UNIT_MM;
  const double per_unit = inches ? 1000.0 : 100.0;  // record units per inch or millimetre

  GtkWidget* dialog = gtk_page_setup_unix_dialog_new("Page Setup", nullptr);
  GtkPageSetupUnixDialog* page_dialog = GTK_PAGE_SETUP_UNIX_DIALOG(dialog);
  gtk::Ref<GtkPageSetup> initial(gtk_page_setup_new());
  gtk_page_setup_set_left_margin(initial.get(), record.rtMargin.left / per_unit, unit);
  gtk_page_setup_set_right_margin(initial.get(), record.rtMargin.right / per_unit, unit);
  gtk_page_setup_set_top_margin(initial.get(), record.rtMargin.top / per_unit, unit);
  gtk_page_setup_set_bottom_margin(initial.get(), record.rtMargin.bottom / per_unit, unit);
  gtk_page_setup_unix_dialog_set_page_setup(page_dialog, initial.get());

  // GTK's dialog has no margins; they get a row of spin buttons of their own.
  GtkWidget* frame = gtk_frame_new(inches ? "Margins (inches)" : "Margins (millimetres)");
  GtkWidget* grid = gtk_grid_new();
  gtk_grid_set_column_spacing(GTK_GRID(grid), 6);
  gtk_container_set_border_width(GTK_CONTAINER(grid), 6);
  gtk_container_add(GTK_CONTAINER(frame), grid);
  const std::array<const char*, 4> labels{"_Left:", "_Right:", "_Top:", "_Bottom:"};
  const std::array<int32_t, 4> values{record.rtMargin.left, record.rtMargin.right, record.rtMargin.top,
                                      record.rtMargin.bottom};
  const std::array<int32_t, 4> minimums{record.rtMinMargin.left, record.rtMinMargin.right, record.rtMinMargin.top,
                                        record.rtMinMargin.bottom};
  std::array<GtkWidget*, 4> spins{};
  const bool enforce_minimum = (record.Flags & cdlg::kPsdMinMargins) != 0;
  for (size_t i = 0; i < spins.size(); ++i) {
    const double low = enforce_minimum ? minimums[i] / per_unit : 0.0;
    spins[i] = gtk_spin_button_new_with_range(low, inches ? 10.0 : 250.0, inches ? 0.01 : 0.1);
    gtk_spin_button_set_digits(GTK_SPIN_BUTTON(spins[i]), inches ? 2 : 1);
    gtk_spin_button_set_value(GTK_SPIN_BUTTON(spins[i]), values[i] / per_unit);
    GtkWidget* label = gtk_label_new_with_mnemonic(labels[i]);
    gtk_label_set_mnemonic_widget(GTK_LABEL(label), spins[i]);
    gtk_grid_attach(GTK_GRID(grid), label, static_cast<gint>(i * 2), 0, 1, 1);
    gtk_grid_attach(GTK_GRID(grid), spins[i], static_cast<gint>(i * 2 + 1), 0, 1, 1);
  }
  gtk_widget_set_sensitive(frame, !(record.Flags & cdlg::kPsdDisableMargins));
  gtk_box_pack_start(GTK_BOX(gtk_dialog_get_content_area(GTK_DIALOG(dialog))), frame, FALSE, FALSE, 6);
  gtk_widget_show_all(frame);

  std::vector<GtkWidget*> combos, radios;
  CollectChildren(dialog, combos, radios);
  // The dialog's combo boxes are the printer ("Format for") and then the paper size.
  if (!combos.empty()) gtk_widget_set_sensitive(combos[0], !(record.Flags & cdlg::kPsdDisablePrinter));
  if (combos.size() > 1) gtk_widget_set_sensitive(combos[1], !(record.Flags & cdlg::kPsdDisablePaper));
  for (GtkWidget* radio : radios) gtk_widget_set_sensitive(radio, !(record.Flags & cdlg::kPsdDisableOrientation));

  // Enter applies, from the buttons and from the margins alike.
  for (GtkWidget* spin : spins) gtk_entry_set_activates_default(GTK_ENTRY(spin), TRUE);
  gtk::FocusResponseOnShow(dialog, GTK_RESPONSE_OK);
  gtk::PlaceOver(dialog, record.hwndOwner);
  gtk_window_set_modal(GTK_WINDOW(dialog), TRUE);
  const gint response = gtk_dialog_run(GTK_DIALOG(dialog));
  std::array<double, 4> margins{};
  for (size_t i = 0; i < spins.size(); ++i) margins[i] = gtk_spin_button_get_value(GTK_SPIN_BUTTON(spins[i]));
  gtk::Ref<GtkPageSetup> setup(
      response == GTK_RESPONSE_OK ? RefOrNull(gtk_page_setup_unix_dialog_get_page_setup(page_dialog))
                                  : nullptr);
  gtk::Ref<GtkPrintSettings> settings(
      response == GTK_RESPONSE_OK
          ? RefOrNull(gtk_page_setup_unix_dialog_get_print_settings(page_dialog))
          : nullptr);
  gtk_widget_destroy(dialog);
  ProcessEvents();
  if (response != GTK_RESPONSE_OK) return false;

  auto scaled = [per_unit](double value) { return static_cast<int32_t>(std::lround(value * per_unit)); };
  if (!(record.Flags & cdlg::kPsdDisableMargins)) {
    record.rtMargin = {scaled(margins[0]), scaled(margins[2]), scaled(margins[1]), scaled(margins[3])};
  }
  // The parts the flags disable are switched off inside GTK's own dialog, whose
  // layout GTK does not promise to keep; what comes back for them is therefore
  // what the dialog started with, whatever it let the user do.
  if (record.Flags & cdlg::kPsdDisablePaper) {
    gtk_page_setup_set_paper_size(setup.get(), gtk_page_setup_get_paper_size(initial.get()));
  }
  if (record.Flags & cdlg::kPsdDisableOrientation) {
    gtk_page_setup_set_orientation(setup.get(), gtk_page_setup_get_orientation(initial.get()));
  }
  record.ptPaperSize = {scaled(gtk_page_setup_get_paper_width(setup.get(), unit)),
                        scaled(gtk_page_setup_get_paper_height(setup.get(), unit))};
  const char* printer = settings.get() != nullptr && !(record.Flags & cdlg::kPsdDisablePrinter)
                            ? gtk_print_settings_get_printer(settings.get())
                            : nullptr;
  record.hDevMode = DevModeOf(printer, settings.get(), setup.get());
  record.hDevNames = DevNamesRecord{u"gtk", FromUtf8(printer != nullptr ? printer : ""), u""};
  return true;
}

}  // namespace vellora2
