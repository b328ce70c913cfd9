// GCommonDialog: the file, colour, font, print and page-setup dialogs behind
// Automation-friendly signatures. Options are Booleans with defaults; results come
// back through the by-reference arguments and a Boolean that is True when the
// user confirmed. A cancelled and a failed dialog are not told apart.
//
// The dialogs are those of the calling thread's platform (CurrentPlatform()):
// GTK windows on a desktop, the terminal otherwise, scripted answers in tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "vellora2/automation/object.hpp"
#include "vellora2/dialogs/by_ref.hpp"
#include "vellora2/dialogs/enums.hpp"
#include "vellora2/util/enums.hpp"

namespace vellora2 {

class GCommonDialog {
 public:
  // Fills the custom colours with the system colours 0 to 15.
  GCommonDialog();

  // ---- Files ----
  // The open dialog. On success FileName is the chosen path (with MultiSelect and
  // several files: the folder and the names separated by spaces), FileTitle its
  // name, FilterIndex and filter the filter in use (filter as description, NUL,
  // pattern), Flags the dialog's flags, ReadOnly True when the dialog says so. On
  // cancel FileName, FileTitle and filter become "", Flags 0 and FilterIndex -1.
  // filter is "description|pattern|..." (":" also separates); hook and template
  // flags in Flags are dropped. A FileName or FileTitle over 260 characters
  // raises 5 before the dialog opens.
  bool VBGetOpenFileName(std::u16string& FileName, ByRef<std::u16string> FileTitle = std::u16string(),
                         bool FileMustExist = true, bool MultiSelect = false, ByRef<bool> ReadOnly = false,
                         bool HideReadOnly = false, ByRef<std::u16string> filter = u"All (*.*)| *.*",
                         ByRef<int32_t> FilterIndex = 1, std::u16string_view InitDir = {},
                         std::u16string_view DlgTitle = {}, std::u16string_view DefaultExt = {}, int32_t Owner = -1,
                         ByRef<int32_t> Flags = 0);
  // The save dialog: as the open dialog, without read-only output; cancel sets
  // FilterIndex to 0.
  bool VBGetSaveFileName(std::u16string& FileName, ByRef<std::u16string> FileTitle = std::u16string(),
                         bool OverWritePrompt = true, ByRef<std::u16string> filter = u"All (*.*)| *.*",
                         ByRef<int32_t> FilterIndex = 1, std::u16string_view InitDir = {},
                         std::u16string_view DlgTitle = {}, std::u16string_view DefaultExt = {}, int32_t Owner = -1,
                         ByRef<int32_t> Flags = 0);
  // The display title (the name) of `sFile`; "" when the platform cannot form one.
  std::u16string VBGetFileTitle(std::u16string_view sFile);

  // ---- Colour ----
  // On success Color is the chosen colour (0x00BBGGRR); on cancel -1. Colours the
  // user defines stay in the custom colours for later calls.
  bool VBChooseColor(int32_t& Color, bool AnyColor = true, bool FullOpen = false, bool DisableFullOpen = false,
                     int32_t Owner = -1, int32_t Flags = 0);
  // Custom colour slot i (0 to 15); reading another i gives -1, writing it does nothing.
  int32_t CustomColor(int16_t i);
  void CustomColor(int16_t i, int32_t value);

  // ---- Font ----
  // CurFont is a font object with the properties Name, Size, Bold, Italic,
  // Underline, Strikethrough and Weight, updated on success. PrinterDC and Flags
  // are adjusted before the dialog opens and keep those changes even on cancel.
  bool VBChooseFont(Object& CurFont, ByRef<int32_t> PrinterDC = -1, int32_t Owner = -1, ByRef<int32_t> Color = 0,
                    int32_t MinSize = 0, int32_t MaxSize = 0, ByRef<int32_t> Flags = 0);

  // ---- Printing ----
  // On success hDC is the chosen printer's device context and the range, pages,
  // copies, print-to-file and collate arguments what the user chose; Printer (when
  // given) receives Copies, Orientation, PaperSize and PrintQuality, failures
  // ignored. On cancel nothing changes. Pages outside -32768..32767 raise 6.
  bool VBPrintDlg(int32_t& hDC, ByRef<EPrintRange> PrintRange = eprAll, bool DisablePageNumbers = false,
                  ByRef<int32_t> FromPage = 1, ByRef<int32_t> ToPage = -1, bool DisableSelection = false,
                  ByRef<int16_t> Copies = int16_t{0}, bool ShowPrintToFile = false, bool DisablePrintToFile = true,
                  ByRef<bool> PrintToFile = false, ByRef<bool> Collate = false, bool PreventWarning = false,
                  int32_t Owner = 0, Object* Printer = nullptr, int32_t Flags = 0);
  // Margins are whole inches (Units epsuInches) or whole millimetres (any other
  // Units). On success they, PaperSize, Orientation and PrintQuality hold what the
  // user chose; on cancel nothing changes. A margin too large for the dialog's
  // units raises 6.
  bool VBPageSetupDlg(int32_t Owner = 0, bool DisableMargins = false, bool DisableOrientation = false,
                      bool DisablePaper = false, bool DisablePrinter = false, ByRef<int32_t> LeftMargin = 0,
                      ByRef<int32_t> MinLeftMargin = 0, ByRef<int32_t> RightMargin = 0,
                      ByRef<int32_t> MinRightMargin = 0, ByRef<int32_t> TopMargin = 0,
                      ByRef<int32_t> MinTopMargin = 0, ByRef<int32_t> BottomMargin = 0,
                      ByRef<int32_t> MinBottomMargin = 0, ByRef<EPaperSize> PaperSize = epsLetter,
                      ByRef<EOrientation> Orientation = eoPortrait, ByRef<EPrintQuality> PrintQuality = epqDraft,
                      EPageSetupUnits Units = epsuInches, Object* Printer = nullptr, int32_t Flags = 0);

 private:
  void LoadSystemColors();

  std::array<uint32_t, 16> custom_colors_{};
  bool colors_loaded_ = false;
};

}  // namespace vellora2
