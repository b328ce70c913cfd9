// The common dialogs of the POSIX platform, on the terminal. A user at a terminal
// answers a few plain questions; without one (a pipe, a service, a test) every
// dialog answers as cancelled and says so on standard error, so that nothing
// waits for an answer that cannot come.
#include <unistd.h>

#include <array>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialog_results.hpp"
#include "platform/posix_platform.hpp"
#include "vellora2/automation/text.hpp"

namespace vellora2 {
namespace {

namespace fs = std::filesystem;

bool OnTerminal(std::FILE* in, std::FILE* err, std::u16string_view dialog, std::u16string_view title) {
  if (in != nullptr && ::isatty(::fileno(in))) return true;
  if (err != nullptr) {
    std::fprintf(err, "%s%s%s [no terminal: the dialog was cancelled]\n", ToUtf8(dialog).c_str(),
                 title.empty() ? "" : ": ", ToUtf8(title).c_str());
  }
  return false;
}

// One line from the user, without its line end; nullopt at the end of input,
// which cancels the dialog. An empty line gives `fallback`.
std::optional<std::string> Ask(std::FILE* in, std::FILE* out, const std::string& question,
                               const std::string& fallback = {}) {
  std::fprintf(out, fallback.empty() ? "%s: " : "%s [%s]: ", question.c_str(), fallback.c_str());
  std::fflush(out);
  std::string line;
  std::array<char, 512> chunk{};
  while (std::fgets(chunk.data(), static_cast<int>(chunk.size()), in) != nullptr) {
    line += chunk.data();
    if (!line.empty() && line.back() == '\n') break;
  }
  if (line.empty() && std::feof(in)) return std::nullopt;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  return line.empty() ? fallback : line;
}

// Yes or no, `fallback` on an empty line; nullopt at the end of input.
std::optional<bool> AskYesNo(std::FILE* in, std::FILE* out, const std::string& question, bool fallback) {
  for (;;) {
    const auto answer = Ask(in, out, question + (fallback ? " (Y/n)" : " (y/N)"), fallback ? "y" : "n");
    if (!answer) return std::nullopt;
    const char c = static_cast<char>((*answer)[0] | 0x20);
    if (c == 'y') return true;
    if (c == 'n') return false;
  }
}

std::optional<long> AskNumber(std::FILE* in, std::FILE* out, const std::string& question, long fallback, long low,
                              long high) {
  for (;;) {
    const auto answer = Ask(in, out, question, std::to_string(fallback));
    if (!answer) return std::nullopt;
    char* end = nullptr;
    const long value = std::strtol(answer->c_str(), &end, 10);
    if (*end == '\0' && value >= low && value <= high) return value;
    std::fprintf(out, "A whole number from %ld to %ld, please.\n", low, high);
  }
}

void ShowHeading(std::FILE* out, std::u16string_view title) { std::fprintf(out, "== %s ==\n", ToUtf8(title).c_str()); }

// The paper size configured for this system (libpaper's convention), else Letter.
const dialog::Paper& SystemPaper() {
  std::string name;
  if (const char* env = std::getenv("PAPERSIZE"); env != nullptr) name = env;
  if (name.empty()) {
    if (std::FILE* f = std::fopen("/etc/papersize", "r")) {
      std::array<char, 64> line{};
      while (std::fgets(line.data(), static_cast<int>(line.size()), f) != nullptr) {
        if (line[0] == '#') continue;
        name = line.data();
        break;
      }
      std::fclose(f);
    }
  }
  while (!name.empty() && (name.back() == '\n' || name.back() == ' ')) name.pop_back();
  const bool a4 = name == "a4" || name == "A4";
  return *dialog::PaperByCode(a4 ? 9 : 1);
}

const dialog::Paper* PaperOfAnswer(const std::string& answer) {
  static constexpr std::array<std::pair<const char*, int16_t>, 8> kShortNames{
      {{"letter", 1}, {"legal", 5}, {"tabloid", 3}, {"executive", 7}, {"a3", 8}, {"a4", 9}, {"a5", 11}, {"b5", 13}}};
  std::string lower;
  for (char c : answer) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
  for (const auto& [name, code] : kShortNames) {
    if (lower == name) return dialog::PaperByCode(code);
  }
  return dialog::PaperByName(answer);
}

DevModeRecord DevModeFor(std::u16string_view printer, const dialog::Paper& paper, int16_t orientation) {
  DevModeRecord mode;
  mode.dmDeviceName = std::u16string(printer.substr(0, 31));
  mode.dmOrientation = orientation;
  mode.dmPaperSize = paper.code;
  mode.dmPaperWidth = static_cast<int16_t>(std::lround(paper.width_mm * 10));
  mode.dmPaperLength = static_cast<int16_t>(std::lround(paper.height_mm * 10));
  mode.dmPrintQuality = cdlg::kResMedium;
  return mode;
}

}  // namespace

bool PosixPlatform::GetOpenFileName(OpenFileNameRecord& record) {
  SetDialogError(0);
  const std::u16string title = record.lpstrTitle.empty() ? u"Open" : record.lpstrTitle;
  if (!OnTerminal(in_, err_, u"Open", record.lpstrTitle)) return false;
  ShowHeading(out_, title);
  const auto filters = dialog::ParseFilter(record.lpstrFilter);
  const fs::path folder = record.lpstrInitialDir.empty() ? fs::current_path() : fs::path(ToUtf8(record.lpstrInitialDir));
  std::fprintf(out_, "Folder: %s\n", folder.string().c_str());
  const bool multi = (record.Flags & cdlg::kOfnAllowMultiSelect) != 0;
  std::vector<std::u16string> chosen;
  for (;;) {
    const auto answer = Ask(in_, out_, multi && !chosen.empty() ? "Another file name (empty to end)" : "File name",
                            chosen.empty() ? ToUtf8(dialog::BufferText(record.lpstrFile)) : std::string());
    if (!answer) return false;
    if (answer->empty()) {
      if (chosen.empty()) return false;
      break;
    }
    std::u16string path = FromUtf8((folder / *answer).lexically_normal().string());
    if (!fs::exists(ToUtf8(path))) path = dialog::WithDefaultExtension(path, record.lpstrDefExt);
    if ((record.Flags & cdlg::kOfnFileMustExist) && !fs::is_regular_file(ToUtf8(path))) {
      std::fprintf(out_, "%s: no such file.\n", ToUtf8(path).c_str());
      continue;
    }
    chosen.push_back(path);
    if (!multi) break;
  }
  if (!(record.Flags & cdlg::kOfnHideReadOnly)) {
    const auto read_only = AskYesNo(in_, out_, "Open as read-only?", (record.Flags & cdlg::kOfnReadOnly) != 0);
    if (!read_only) return false;
    record.Flags = *read_only ? record.Flags | cdlg::kOfnReadOnly : record.Flags & ~cdlg::kOfnReadOnly;
  }
  record.nFilterIndex = dialog::FilterIndexFor(dialog::FileNameOf(chosen.front()), filters, record.nFilterIndex);
  const uint32_t error = dialog::StoreChosenFiles(record, chosen);
  SetDialogError(error);
  return error == 0;
}

bool PosixPlatform::GetSaveFileName(OpenFileNameRecord& record) {
  SetDialogError(0);
  const std::u16string title = record.lpstrTitle.empty() ? u"Save As" : record.lpstrTitle;
  if (!OnTerminal(in_, err_, u"Save As", record.lpstrTitle)) return false;
  ShowHeading(out_, title);
  const fs::path folder = record.lpstrInitialDir.empty() ? fs::current_path() : fs::path(ToUtf8(record.lpstrInitialDir));
  std::fprintf(out_, "Folder: %s\n", folder.string().c_str());
  std::u16string path;
  for (;;) {
    const auto answer = Ask(in_, out_, "File name", ToUtf8(dialog::BufferText(record.lpstrFile)));
    if (!answer || answer->empty()) return false;
    path = dialog::WithDefaultExtension(FromUtf8((folder / *answer).lexically_normal().string()), record.lpstrDefExt);
    if ((record.Flags & cdlg::kOfnOverwritePrompt) && fs::exists(ToUtf8(path))) {
      const auto replace = AskYesNo(in_, out_, ToUtf8(path) + " already exists. Replace it?", false);
      if (!replace) return false;
      if (!*replace) continue;
    }
    break;
  }
  record.nFilterIndex =
      dialog::FilterIndexFor(dialog::FileNameOf(path), dialog::ParseFilter(record.lpstrFilter), record.nFilterIndex);
  const uint32_t error = dialog::StoreChosenFiles(record, {path});
  SetDialogError(error);
  return error == 0;
}

bool PosixPlatform::ChooseColor(ChooseColorRecord& record) {
  SetDialogError(0);
  if (!OnTerminal(in_, err_, u"Color", {})) return false;
  ShowHeading(out_, u"Color");
  const uint32_t initial = (record.Flags & cdlg::kCcRgbInit) ? record.rgbResult : 0;
  for (;;) {
    const auto answer = Ask(in_, out_, "Colour as #RRGGBB", ToUtf8(dialog::FormatColor(initial)));
    if (!answer) return false;
    uint32_t color = 0;
    if (dialog::ParseColor(FromUtf8(*answer), color)) {
      record.rgbResult = color;
      return true;
    }
  }
}

bool PosixPlatform::ChooseFont(ChooseFontRecord& record) {
  SetDialogError(0);
  LogFontRecord& font = record.lpLogFont;
  const bool limit = (record.Flags & cdlg::kCfLimitSize) != 0;
  if (limit && record.nSizeMax > 0 && record.nSizeMax < record.nSizeMin) {
    SetDialogError(cdlg::kErrMaxLessThanMin);
    return false;
  }
  if (!OnTerminal(in_, err_, u"Font", {})) return false;
  ShowHeading(out_, u"Font");
  const std::u16string face = dialog::BufferText({font.lfFaceName.data(), font.lfFaceName.size()});
  const auto name = Ask(in_, out_, "Font name", ToUtf8(face));
  if (!name) return false;
  const long low = limit && record.nSizeMin > 0 ? record.nSizeMin : 1;
  const long high = limit && record.nSizeMax > 0 ? record.nSizeMax : 1638;
  const auto size = AskNumber(in_, out_, "Size in points", std::lround(record.iPointSize / 10.0), low, high);
  if (!size) return false;
  std::string style;
  for (;;) {
    const bool bold = font.lfWeight >= 700;
    const auto answer = Ask(in_, out_, "Style (regular, bold, italic, bold italic)",
                            bold && font.lfItalic ? "bold italic" : bold ? "bold" : font.lfItalic ? "italic" : "regular");
    if (!answer) return false;
    style = *answer;
    if (style == "regular" || style == "bold" || style == "italic" || style == "bold italic") break;
  }
  font.lfFaceName.fill(u'\0');
  const std::u16string new_face = FromUtf8(*name).substr(0, font.lfFaceName.size() - 1);
  std::copy(new_face.begin(), new_face.end(), font.lfFaceName.begin());
  const bool bold = style.find("bold") != std::string::npos;
  const bool italic = style.find("italic") != std::string::npos;
  font.lfWeight = bold ? 700 : 400;
  font.lfItalic = italic ? 1 : 0;
  font.lfHeight = -static_cast<int32_t>(std::lround(static_cast<double>(*size) * 20.0 / TwipsPerPixelY()));
  record.iPointSize = static_cast<int32_t>(*size * 10);
  record.nFontType = static_cast<uint16_t>(cdlg::kScreenFontType | (bold ? cdlg::kBoldFontType : 0) |
                                           (italic ? cdlg::kItalicFontType : 0) |
                                           (!bold && !italic ? cdlg::kRegularFontType : 0));
  return true;
}

bool PosixPlatform::PrintDlg(PrintDlgRecord& record) {
  SetDialogError(0);
  if (!OnTerminal(in_, err_, u"Print", {})) return false;
  ShowHeading(out_, u"Print");
  const auto printer = Ask(in_, out_, "Printer", ToUtf8(DefaultPrinterName()));
  if (!printer) return false;
  if (printer->empty()) {
    std::fprintf(out_, "No printer is set up (set PRINTER or give a name).\n");
    SetDialogError(cdlg::kErrNoDevices);
    return false;
  }
  const auto copies = AskNumber(in_, out_, "Copies", 1, 1, 9999);
  if (!copies) return false;
  bool collate = (record.Flags & cdlg::kPdCollate) != 0;
  if (*copies > 1) {
    const auto answer = AskYesNo(in_, out_, "Collate?", collate);
    if (!answer) return false;
    collate = *answer;
  }
  record.Flags &= ~(cdlg::kPdPageNums | cdlg::kPdSelection);
  const bool pages_allowed = !(record.Flags & cdlg::kPdNoPageNums);
  const bool selection_allowed = !(record.Flags & cdlg::kPdNoSelection);
  if (pages_allowed || selection_allowed) {
    for (;;) {
      const auto range = Ask(in_, out_,
                             std::string("Pages (all") + (selection_allowed ? ", selection" : "") +
                                 (pages_allowed ? ", or from-to" : "") + ")",
                             "all");
      if (!range) return false;
      if (*range == "all") break;
      if (selection_allowed && *range == "selection") {
        record.Flags |= cdlg::kPdSelection;
        break;
      }
      unsigned from = 0, to = 0;
      if (pages_allowed && std::sscanf(range->c_str(), "%u-%u", &from, &to) == 2 && from >= record.nMinPage &&
          from <= to && to <= record.nMaxPage) {
        record.Flags |= cdlg::kPdPageNums;
        record.nFromPage = static_cast<uint16_t>(from);
        record.nToPage = static_cast<uint16_t>(to);
        break;
      }
    }
  }
  bool to_file = (record.Flags & cdlg::kPdPrintToFile) != 0;
  if (!(record.Flags & (cdlg::kPdHidePrintToFile | cdlg::kPdDisablePrintToFile))) {
    const auto answer = AskYesNo(in_, out_, "Print to file?", to_file);
    if (!answer) return false;
    to_file = *answer;
  }
  record.Flags = to_file ? record.Flags | cdlg::kPdPrintToFile : record.Flags & ~cdlg::kPdPrintToFile;
  const std::u16string name = FromUtf8(*printer);
  DevModeRecord mode = DevModeFor(name, SystemPaper(), cdlg::kOrientPortrait);
  mode.dmCopies = static_cast<int16_t>(*copies);
  mode.dmCollate = collate ? 1 : 0;
  record.hDevMode = mode;
  record.hDevNames = DevNamesRecord{u"lp", name, to_file ? u"FILE:" : u""};
  record.nCopies = static_cast<uint16_t>(*copies);
  if (record.Flags & cdlg::kPdReturnDC) record.hDC = PrinterDC(name);
  return true;
}

bool PosixPlatform::PageSetupDlg(PageSetupDlgRecord& record) {
  SetDialogError(0);
  if (!OnTerminal(in_, err_, u"Page Setup", {})) return false;
  ShowHeading(out_, u"Page Setup");
  const dialog::Paper* paper = &SystemPaper();
  if (!(record.Flags & cdlg::kPsdDisablePaper)) {
    for (;;) {
      const auto answer = Ask(in_, out_, "Paper size (letter, legal, a4, a5, ... or a PWG name)", paper->name);
      if (!answer) return false;
      if (const dialog::Paper* chosen = PaperOfAnswer(*answer)) {
        paper = chosen;
        break;
      }
    }
  }
  int16_t orientation = cdlg::kOrientPortrait;
  if (!(record.Flags & cdlg::kPsdDisableOrientation)) {
    for (;;) {
      const auto answer = Ask(in_, out_, "Orientation (portrait, landscape)", "portrait");
      if (!answer) return false;
      if (*answer == "portrait" || *answer == "landscape") {
        orientation = *answer == "landscape" ? cdlg::kOrientLandscape : cdlg::kOrientPortrait;
        break;
      }
    }
  }
  const bool inches = !(record.Flags & cdlg::kPsdInHundredthsOfMillimeters);
  const double unit = inches ? 1000.0 : 100.0;  // record units per inch or millimetre
  if (!(record.Flags & cdlg::kPsdDisableMargins)) {
    RectRecord& m = record.rtMargin;
    const RectRecord& min = record.rtMinMargin;
    std::array<char, 128> current{};
    std::snprintf(current.data(), current.size(), "%g %g %g %g", m.left / unit, m.right / unit, m.top / unit,
                  m.bottom / unit);
    for (;;) {
      const auto answer = Ask(in_, out_, std::string("Margins in ") + (inches ? "inches" : "millimetres") +
                                             " (left right top bottom)", current.data());
      if (!answer) return false;
      double l = 0, r = 0, t = 0, b = 0;
      if (std::sscanf(answer->c_str(), "%lf %lf %lf %lf", &l, &r, &t, &b) != 4) continue;
      const RectRecord wanted{static_cast<int32_t>(std::lround(l * unit)), static_cast<int32_t>(std::lround(t * unit)),
                              static_cast<int32_t>(std::lround(r * unit)), static_cast<int32_t>(std::lround(b * unit))};
      if ((record.Flags & cdlg::kPsdMinMargins) && (wanted.left < min.left || wanted.top < min.top ||
                                                    wanted.right < min.right || wanted.bottom < min.bottom)) {
        std::fprintf(out_, "The margins cannot be smaller than %g %g %g %g.\n", min.left / unit, min.right / unit,
                     min.top / unit, min.bottom / unit);
        continue;
      }
      m = wanted;
      break;
    }
  }
  const double per_mm = inches ? 1000.0 / 25.4 : 100.0;
  const bool landscape = orientation == cdlg::kOrientLandscape;
  const double width = landscape ? paper->height_mm : paper->width_mm;
  const double height = landscape ? paper->width_mm : paper->height_mm;
  record.ptPaperSize = {static_cast<int32_t>(std::lround(width * per_mm)),
                        static_cast<int32_t>(std::lround(height * per_mm))};
  const std::u16string printer = DefaultPrinterName();
  record.hDevMode = DevModeFor(printer, *paper, orientation);
  record.hDevNames = DevNamesRecord{u"lp", printer, u""};
  return true;
}

int16_t PosixPlatform::GetFileTitle(std::u16string_view file, std::u16string& buffer) {
  const std::u16string_view name = dialog::FileNameOf(file);
  if (name.empty() || name == u"." || name == u"..") return -1;
  if (name.size() + 1 > buffer.size()) return static_cast<int16_t>(name.size() + 1);
  buffer = dialog::ToBuffer(name, buffer.size());
  return 0;
}

std::u16string PosixPlatform::DefaultPrinterName() {
  for (const char* variable : {"PRINTER", "LPDEST"}) {
    if (const char* value = std::getenv(variable); value != nullptr && *value != '\0') return FromUtf8(value);
  }
  return {};
}

int32_t PosixPlatform::DefaultPrinterDC() {
  const std::u16string name = DefaultPrinterName();
  return name.empty() ? 0 : PrinterDC(name);
}

int32_t PosixPlatform::PrinterDC(std::u16string_view printer) {
  for (size_t i = 0; i < printers_.size(); ++i) {
    if (printers_[i] == printer) return static_cast<int32_t>(i + 1);
  }
  printers_.emplace_back(printer);
  return static_cast<int32_t>(printers_.size());
}

}  // namespace vellora2
