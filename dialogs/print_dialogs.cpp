// VBPrintDlg and VBPageSetupDlg: the print and page-setup dialogs, with their
// results read from the device mode the dialog returns.
#include <limits>

#include "dialogs/dialog_support.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/dialogs/gcommondialog.hpp"

namespace vellora2 {
namespace {

static_assert(PD_PAGENUMS == cdlg::kPdPageNums && PD_SELECTION == cdlg::kPdSelection &&
              PD_PRINTTOFILE == cdlg::kPdPrintToFile && PD_NOSELECTION == cdlg::kPdNoSelection &&
              PD_HIDEPRINTTOFILE == cdlg::kPdHidePrintToFile && PD_DISABLEPRINTTOFILE == cdlg::kPdDisablePrintToFile);
static_assert(PSD_INTHOUSANDTHSOFINCHES == cdlg::kPsdInThousandthsOfInches &&
              PSD_INHUNDREDTHSOFMILLIMETERS == cdlg::kPsdInHundredthsOfMillimeters &&
              PSD_DISABLEMARGINS == cdlg::kPsdDisableMargins && PSD_DISABLEPAPER == cdlg::kPsdDisablePaper);

// The page fields of the record are 16 bits wide.
uint16_t PageField(int32_t page) {
  if (page < std::numeric_limits<int16_t>::min() || page > std::numeric_limits<int16_t>::max()) {
    Raise(rt::kOverflow, dialogs::ErrorSource());
  }
  return static_cast<uint16_t>(static_cast<int16_t>(page));
}

int32_t ScaledMargin(int32_t margin, int32_t factor) {
  const int64_t scaled = static_cast<int64_t>(margin) * factor;
  if (scaled < std::numeric_limits<int32_t>::min() || scaled > std::numeric_limits<int32_t>::max()) {
    Raise(rt::kOverflow, dialogs::ErrorSource());
  }
  return static_cast<int32_t>(scaled);
}

int32_t UnscaledMargin(int32_t value, int32_t factor) {
  return static_cast<int32_t>(RoundHalfEven(static_cast<double>(value) / factor));
}

// A dialog that returned no device mode reports the defaults of an empty one.
DevModeRecord DevModeOf(const std::optional<DevModeRecord>& dev_mode) { return dev_mode.value_or(DevModeRecord{}); }

}  // namespace

bool GCommonDialog::VBPrintDlg(int32_t& hDC, ByRef<EPrintRange> PrintRange, bool DisablePageNumbers,
                               ByRef<int32_t> FromPage, ByRef<int32_t> ToPage, bool DisableSelection,
                               ByRef<int16_t> Copies, bool ShowPrintToFile, bool DisablePrintToFile,
                               ByRef<bool> PrintToFile, ByRef<bool> Collate, bool PreventWarning, int32_t Owner,
                               Object* Printer, int32_t Flags) {
  PrintDlgRecord record;
  record.hwndOwner = Owner;
  record.Flags = static_cast<uint32_t>(
      (DisablePageNumbers ? PD_NOPAGENUMS : 0) | (DisablePrintToFile ? PD_DISABLEPRINTTOFILE : 0) |
      (DisableSelection ? PD_NOSELECTION : 0) | (*PrintToFile ? PD_PRINTTOFILE : 0) |
      (ShowPrintToFile ? 0 : PD_HIDEPRINTTOFILE) | (PreventWarning ? PD_NOWARNING : 0) | (*Collate ? PD_COLLATE : 0) |
      PD_USEDEVMODECOPIES | PD_RETURNDC | (*PrintRange == eprPageNumbers ? PD_PAGENUMS : 0) |
      (*PrintRange == eprSelection ? PD_SELECTION : 0) |
      (Flags & ~(PD_ENABLEPRINTHOOK | PD_ENABLESETUPHOOK | PD_ENABLEPRINTTEMPLATE | PD_ENABLESETUPTEMPLATE)));
  record.nFromPage = PageField(*FromPage);
  record.nToPage = PageField(*ToPage);
  record.nMinPage = 1;
  record.nMaxPage = 65535;

  if (!CurrentPlatform().PrintDlg(record)) return false;
  hDC = record.hDC;
  *PrintRange = (record.Flags & PD_PAGENUMS) ? eprPageNumbers : (record.Flags & PD_SELECTION) ? eprSelection : eprAll;
  *FromPage = static_cast<int16_t>(record.nFromPage);
  *ToPage = static_cast<int16_t>(record.nToPage);
  *PrintToFile = (record.Flags & PD_PRINTTOFILE) != 0;
  const DevModeRecord dev_mode = DevModeOf(record.hDevMode);
  *Copies = dev_mode.dmCopies;
  *Collate = dev_mode.dmCollate == 1;
  dialogs::SetPropertyIgnoringErrors(Printer, u"Copies", Variant(*Copies));
  dialogs::SetPropertyIgnoringErrors(Printer, u"Orientation", Variant(dev_mode.dmOrientation));
  dialogs::SetPropertyIgnoringErrors(Printer, u"PaperSize", Variant(dev_mode.dmPaperSize));
  dialogs::SetPropertyIgnoringErrors(Printer, u"PrintQuality", Variant(dev_mode.dmPrintQuality));
  return true;
}

bool GCommonDialog::VBPageSetupDlg(int32_t Owner, bool DisableMargins, bool DisableOrientation, bool DisablePaper,
                                   bool DisablePrinter, ByRef<int32_t> LeftMargin, ByRef<int32_t> MinLeftMargin,
                                   ByRef<int32_t> RightMargin, ByRef<int32_t> MinRightMargin,
                                   ByRef<int32_t> TopMargin, ByRef<int32_t> MinTopMargin,
                                   ByRef<int32_t> BottomMargin, ByRef<int32_t> MinBottomMargin,
                                   ByRef<EPaperSize> PaperSize, ByRef<EOrientation> Orientation,
                                   ByRef<EPrintQuality> PrintQuality, EPageSetupUnits Units, Object* Printer,
                                   int32_t Flags) {
  // The arguments are whole inches or millimetres; the record counts in
  // thousandths of an inch or hundredths of a millimetre.
  const bool inches = Units == epsuInches;
  const int32_t factor = inches ? 1000 : 100;
  PageSetupDlgRecord record;
  record.hwndOwner = Owner;
  record.Flags = static_cast<uint32_t>(
      (DisableMargins ? PSD_DISABLEMARGINS : 0) | (DisableOrientation ? PSD_DISABLEORIENTATION : 0) |
      (DisablePaper ? PSD_DISABLEPAPER : 0) | (DisablePrinter ? PSD_DISABLEPRINTER : 0) | PSD_MARGINS |
      PSD_MINMARGINS | (inches ? PSD_INTHOUSANDTHSOFINCHES : PSD_INHUNDREDTHSOFMILLIMETERS) |
      (Flags & ~(PSD_ENABLEPAGESETUPHOOK | PSD_ENABLEPAGESETUPTEMPLATE)));
  record.rtMargin = {ScaledMargin(*LeftMargin, factor), ScaledMargin(*TopMargin, factor),
                     ScaledMargin(*RightMargin, factor), ScaledMargin(*BottomMargin, factor)};
  record.rtMinMargin = {ScaledMargin(*MinLeftMargin, factor), ScaledMargin(*MinTopMargin, factor),
                        ScaledMargin(*MinRightMargin, factor), ScaledMargin(*MinBottomMargin, factor)};

  if (!CurrentPlatform().PageSetupDlg(record)) return false;
  *LeftMargin = UnscaledMargin(record.rtMargin.left, factor);
  *TopMargin = UnscaledMargin(record.rtMargin.top, factor);
  *RightMargin = UnscaledMargin(record.rtMargin.right, factor);
  *BottomMargin = UnscaledMargin(record.rtMargin.bottom, factor);
  *MinLeftMargin = UnscaledMargin(record.rtMinMargin.left, factor);
  *MinTopMargin = UnscaledMargin(record.rtMinMargin.top, factor);
  *MinRightMargin = UnscaledMargin(record.rtMinMargin.right, factor);
  *MinBottomMargin = UnscaledMargin(record.rtMinMargin.bottom, factor);
  const DevModeRecord dev_mode = DevModeOf(record.hDevMode);
  *PaperSize = static_cast<EPaperSize>(dev_mode.dmPaperSize);
  *Orientation = static_cast<EOrientation>(dev_mode.dmOrientation);
  *PrintQuality = static_cast<EPrintQuality>(dev_mode.dmPrintQuality);
  dialogs::SetPropertyIgnoringErrors(Printer, u"Copies", Variant(dev_mode.dmCopies));
  dialogs::SetPropertyIgnoringErrors(Printer, u"Orientation", Variant(dev_mode.dmOrientation));
  dialogs::SetPropertyIgnoringErrors(Printer, u"PaperSize", Variant(dev_mode.dmPaperSize));
  dialogs::SetPropertyIgnoringErrors(Printer, u"PrintQuality", Variant(dev_mode.dmPrintQuality));
  return true;
}

}  // namespace vellora2
