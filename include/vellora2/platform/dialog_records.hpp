// The records that the common dialogs are driven by. They mirror the published
// records of the Windows common-dialog library (OPENFILENAME, CHOOSECOLOR,
// CHOOSEFONT with LOGFONT, PRINTDLG and PAGESETUPDLG with DEVMODE and DEVNAMES):
// same field names, same flag values, same meaning. The caller fills a record,
// the platform shows the dialog and writes the results back into it, so every
// flag a host passes keeps the meaning it has always had.
//
// Two departures, both because this platform is not that one: text fields are
// UTF-16 rather than code-page bytes, so that a file or font name outside
// Windows-1252 survives the round trip; and the hook, template and instance
// fields are left out, since no dialog here can run caller-supplied code.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vellora2 {

// The flag bits a platform acts on, with their published values. The host-facing
// enumerations (dialogs/enums.hpp) list all of them.
namespace cdlg {
// OPENFILENAME.Flags
inline constexpr uint32_t kOfnReadOnly = 0x1;
inline constexpr uint32_t kOfnOverwritePrompt = 0x2;
inline constexpr uint32_t kOfnHideReadOnly = 0x4;
inline constexpr uint32_t kOfnNoChangeDir = 0x8;
inline constexpr uint32_t kOfnAllowMultiSelect = 0x200;
inline constexpr uint32_t kOfnExtensionDifferent = 0x400;
inline constexpr uint32_t kOfnPathMustExist = 0x800;
inline constexpr uint32_t kOfnFileMustExist = 0x1000;
inline constexpr uint32_t kOfnCreatePrompt = 0x2000;
inline constexpr uint32_t kOfnExplorer = 0x80000;
// CHOOSECOLOR.Flags
inline constexpr uint32_t kCcRgbInit = 0x1;
inline constexpr uint32_t kCcFullOpen = 0x2;
inline constexpr uint32_t kCcPreventFullOpen = 0x4;
// CHOOSEFONT.Flags
inline constexpr uint32_t kCfScreenFonts = 0x1;
inline constexpr uint32_t kCfPrinterFonts = 0x2;
inline constexpr uint32_t kCfInitToLogFontStruct = 0x40;
inline constexpr uint32_t kCfEffects = 0x100;
inline constexpr uint32_t kCfLimitSize = 0x2000;
inline constexpr uint32_t kCfFixedPitchOnly = 0x4000;
inline constexpr uint32_t kCfNoFaceSel = 0x80000;
inline constexpr uint32_t kCfNoStyleSel = 0x100000;
inline constexpr uint32_t kCfNoSizeSel = 0x200000;
// CHOOSEFONT.nFontType
inline constexpr uint16_t kBoldFontType = 0x100;
inline constexpr uint16_t kItalicFontType = 0x200;
inline constexpr uint16_t kRegularFontType = 0x400;
inline constexpr uint16_t kScreenFontType = 0x2000;
// PRINTDLG.Flags
inline constexpr uint32_t kPdSelection = 0x1;
inline constexpr uint32_t kPdPageNums = 0x2;
inline constexpr uint32_t kPdNoSelection = 0x4;
inline constexpr uint32_t kPdNoPageNums = 0x8;
inline constexpr uint32_t kPdCollate = 0x10;
inline constexpr uint32_t kPdPrintToFile = 0x20;
inline constexpr uint32_t kPdReturnDC = 0x100;
inline constexpr uint32_t kPdDisablePrintToFile = 0x80000;
inline constexpr uint32_t kPdHidePrintToFile = 0x100000;
// PAGESETUPDLG.Flags
inline constexpr uint32_t kPsdMinMargins = 0x1;
inline constexpr uint32_t kPsdMargins = 0x2;
inline constexpr uint32_t kPsdInThousandthsOfInches = 0x4;
inline constexpr uint32_t kPsdInHundredthsOfMillimeters = 0x8;
inline constexpr uint32_t kPsdDisableMargins = 0x10;
inline constexpr uint32_t kPsdDisablePrinter = 0x20;
inline constexpr uint32_t kPsdDisableOrientation = 0x100;
inline constexpr uint32_t kPsdDisablePaper = 0x200;
// DEVMODE fields
inline constexpr int16_t kOrientPortrait = 1;
inline constexpr int16_t kOrientLandscape = 2;
inline constexpr int16_t kPaperUser = 256;
inline constexpr int16_t kResDraft = -1;
inline constexpr int16_t kResLow = -2;
inline constexpr int16_t kResMedium = -3;
inline constexpr int16_t kResHigh = -4;
// CommDlgExtendedError codes
inline constexpr uint32_t kErrDialogFailure = 0xFFFF;
inline constexpr uint32_t kErrInitialization = 0x2;
inline constexpr uint32_t kErrNoDevices = 0x1007;
inline constexpr uint32_t kErrMaxLessThanMin = 0x2002;
inline constexpr uint32_t kErrInvalidFileName = 0x3002;
inline constexpr uint32_t kErrBufferTooSmall = 0x3003;
}  // namespace cdlg

// OPENFILENAME, for both the open and the save dialog.
struct OpenFileNameRecord {
  uint32_t lStructSize = 76;
  int32_t hwndOwner = 0;  // 0: no owner window
  // Pairs of description and pattern (patterns separated by ";"), each ended by a
  // NUL, the list ended by one more NUL.
  std::u16string lpstrFilter;
  uint32_t nFilterIndex = 0;  // 1-based; the dialog writes back the one in use
  // In: the initial file name, NUL-padded to nMaxFile characters. Out: the chosen
  // path, NUL-ended; with OFN_ALLOWMULTISELECT and several files, the folder and
  // the names (NUL-separated and ended by two NULs under OFN_EXPLORER, otherwise
  // separated by spaces).
  std::u16string lpstrFile;
  uint32_t nMaxFile = 0;
  std::u16string lpstrFileTitle;  // out: the chosen file's name, NUL-padded
  uint32_t nMaxFileTitle = 0;
  std::u16string lpstrInitialDir;  // empty: the current folder
  std::u16string lpstrTitle;       // empty: the dialog's standard title
  uint32_t Flags = 0;
  uint16_t nFileOffset = 0;     // out: where the name starts in lpstrFile
  uint16_t nFileExtension = 0;  // out: where the extension starts (after the dot), 0 for none
  std::u16string lpstrDefExt;   // without the dot; empty: none
};

// CHOOSECOLOR. Colours are COLORREF values, 0x00BBGGRR.
struct ChooseColorRecord {
  uint32_t lStructSize = 36;
  int32_t hwndOwner = 0;
  uint32_t rgbResult = 0;
  // The 16 custom colours, which the dialog shows and may change in place.
  std::array<uint32_t, 16>* lpCustColors = nullptr;
  uint32_t Flags = 0;
};

// LOGFONT, the part a font dialog reads and writes.
struct LogFontRecord {
  int32_t lfHeight = 0;  // negative: character height in pixels
  int32_t lfWidth = 0;
  int32_t lfEscapement = 0;
  int32_t lfOrientation = 0;
  int32_t lfWeight = 0;  // 100 to 900; 400 regular, 700 bold
  uint8_t lfItalic = 0;
  uint8_t lfUnderline = 0;
  uint8_t lfStrikeOut = 0;
  uint8_t lfCharSet = 0;
  uint8_t lfOutPrecision = 0;
  uint8_t lfClipPrecision = 0;
  uint8_t lfQuality = 0;
  uint8_t lfPitchAndFamily = 0;
  std::array<char16_t, 32> lfFaceName{};  // NUL-ended
};

// CHOOSEFONT; the logical font is held in the record rather than pointed to.
struct ChooseFontRecord {
  uint32_t lStructSize = 60;
  int32_t hwndOwner = 0;
  int32_t hDC = 0;  // printer device context for CF_PRINTERFONTS
  LogFontRecord lpLogFont;
  int32_t iPointSize = 0;  // tenths of a point
  uint32_t Flags = 0;
  uint32_t rgbColors = 0;
  uint16_t nFontType = 0;
  int32_t nSizeMin = 0;  // points, with CF_LIMITSIZE
  int32_t nSizeMax = 0;
};

// The fields of the first 148 bytes of the published DEVMODE that a print or
// page-setup dialog reports.
struct DevModeRecord {
  std::u16string dmDeviceName;  // up to 31 characters
  uint32_t dmFields = 0;
  int16_t dmOrientation = 0;    // cdlg::kOrientPortrait or kOrientLandscape
  int16_t dmPaperSize = 0;      // published paper codes; kPaperUser for others
  int16_t dmPaperLength = 0;    // tenths of a millimetre
  int16_t dmPaperWidth = 0;
  int16_t dmScale = 100;
  int16_t dmCopies = 1;
  int16_t dmDefaultSource = 0;
  int16_t dmPrintQuality = 0;   // cdlg::kRes... or dots per inch
  int16_t dmColor = 0;
  int16_t dmDuplex = 0;
  int16_t dmYResolution = 0;
  int16_t dmTTOption = 0;
  int16_t dmCollate = 0;        // 1: collate copies
  std::u16string dmFormName;
};

// DEVNAMES: which printer, through which driver, to which port or file.
struct DevNamesRecord {
  std::u16string driver;
  std::u16string device;
  std::u16string output;
};

// PRINTDLG.
struct PrintDlgRecord {
  uint32_t lStructSize = 66;
  int32_t hwndOwner = 0;
  std::optional<DevModeRecord> hDevMode;    // out
  std::optional<DevNamesRecord> hDevNames;  // out
  int32_t hDC = 0;                          // out, with PD_RETURNDC
  uint32_t Flags = 0;
  uint16_t nFromPage = 0;
  uint16_t nToPage = 0;
  uint16_t nMinPage = 0;
  uint16_t nMaxPage = 0;
  uint16_t nCopies = 0;
};

struct PointRecord {
  int32_t x = 0;
  int32_t y = 0;
};

struct RectRecord {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// PAGESETUPDLG. Sizes and margins are in thousandths of an inch or hundredths of
// a millimetre, as the unit flag says.
struct PageSetupDlgRecord {
  uint32_t lStructSize = 84;
  int32_t hwndOwner = 0;
  std::optional<DevModeRecord> hDevMode;    // out
  std::optional<DevNamesRecord> hDevNames;  // out
  uint32_t Flags = 0;
  PointRecord ptPaperSize;  // out
  RectRecord rtMinMargin;
  RectRecord rtMargin;
};

}  // namespace vellora2
