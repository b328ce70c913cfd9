#include "platform/dialog_results.hpp"

#include <array>
#include <cmath>
#include <cstdio>

#include "vellora2/automation/text.hpp"
#include "vellora2/platform/platform.hpp"

namespace vellora2::dialog {

std::u16string BufferText(std::u16string_view buffer) { return std::u16string(buffer.substr(0, buffer.find(u'\0'))); }

std::u16string ToBuffer(std::u16string_view text, size_t size) {
  std::u16string buffer(text.substr(0, size));
  buffer.resize(size, u'\0');
  return buffer;
}

namespace {

std::u16string Trim(std::u16string_view s) {
  const size_t first = s.find_first_not_of(u' ');
  if (first == std::u16string_view::npos) return {};
  const size_t last = s.find_last_not_of(u' ');
  return std::u16string(s.substr(first, last - first + 1));
}

// The next NUL-ended item at `pos`; false at the list's end (an empty item, or none).
bool NextItem(std::u16string_view list, size_t& pos, std::u16string_view& item) {
  if (pos >= list.size()) return false;
  size_t end = list.find(u'\0', pos);
  if (end == std::u16string_view::npos) end = list.size();
  item = list.substr(pos, end - pos);
  pos = end + 1;
  return !item.empty();
}

}  // namespace

std::vector<Filter> ParseFilter(std::u16string_view list) {
  std::vector<Filter> filters;
  size_t pos = 0;
  std::u16string_view description, patterns;
  while (NextItem(list, pos, description) && NextItem(list, pos, patterns)) {
    Filter filter{std::u16string(description), {}};
    size_t start = 0;
    while (start <= patterns.size()) {
      size_t end = patterns.find(u';', start);
      if (end == std::u16string_view::npos) end = patterns.size();
      std::u16string pattern = Trim(patterns.substr(start, end - start));
      if (!pattern.empty()) filter.patterns.push_back(std::move(pattern));
      start = end + 1;
    }
    if (!filter.patterns.empty()) filters.push_back(std::move(filter));
  }
  return filters;
}

namespace {

// Whether `name` matches `pattern`, both lower-cased: "*" stands for any run of
// characters, "?" for one, and every other character for itself. Not fnmatch:
// that reads brackets and backslashes as pattern syntax, which in a host's filter
// are characters of a file name, and in the library's "C" locale it folds only
// ASCII case and takes "?" for one byte of UTF-8.
bool WildcardMatch(std::u16string_view pattern, std::u16string_view name) {
  size_t p = 0;
  size_t n = 0;
  size_t star = std::u16string_view::npos;  // the last "*" seen, to widen on a mismatch
  size_t resume = 0;                        // where in `name` that "*" ends now
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      resume = n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

// The default extension as the hosts give it, "qxv" or ".qxv", without its dots.
std::u16string_view BareExtension(std::u16string_view extension) {
  while (!extension.empty() && extension.front() == u'.') extension.remove_prefix(1);
  return extension;
}

}  // namespace

bool MatchesFilter(std::u16string_view name, const Filter& filter) {
  const std::u16string lower = ToLower(name);
  for (const auto& pattern : filter.patterns) {
    if (pattern == u"*.*" || WildcardMatch(ToLower(pattern), lower)) return true;
  }
  return false;
}

uint32_t FilterIndexFor(std::u16string_view name, const std::vector<Filter>& filters, uint32_t current) {
  // The filter in use wins when it matches, so that "All files" stays chosen.
  if (current >= 1 && current <= filters.size() && MatchesFilter(name, filters[current - 1])) return current;
  for (size_t i = 0; i < filters.size(); ++i) {
    if (MatchesFilter(name, filters[i])) return static_cast<uint32_t>(i + 1);
  }
  return current;
}

std::u16string_view FileNameOf(std::u16string_view path) {
  const size_t slash = path.find_last_of(u"/\\");
  return slash == std::u16string_view::npos ? path : path.substr(slash + 1);
}

std::u16string WithDefaultExtension(std::u16string_view path, std::u16string_view extension) {
  std::u16string result(path);
  extension = BareExtension(extension);
  if (extension.empty() || FileNameOf(path).find(u'.') != std::u16string_view::npos) return result;
  result += u'.';
  result += extension;
  return result;
}

uint32_t StoreChosenFiles(OpenFileNameRecord& record, const std::vector<std::u16string>& paths) {
  if (paths.empty()) return cdlg::kErrDialogFailure;
  std::u16string text;
  size_t name_offset = 0;
  if (paths.size() == 1 || (record.Flags & cdlg::kOfnAllowMultiSelect) == 0) {
    text = paths.front();
    name_offset = text.size() - FileNameOf(text).size();
  } else {
    const std::u16string_view first = paths.front();
    std::u16string folder(first.substr(0, first.size() - FileNameOf(first).size()));
    if (folder.size() > 1) folder.pop_back();  // "/home/me", but "/" stays
    const bool explorer = (record.Flags & cdlg::kOfnExplorer) != 0;
    const char16_t separator = explorer ? u'\0' : u' ';
    text = folder;
    name_offset = folder.size() + 1;
    for (const auto& path : paths) {
      text += separator;
      text += FileNameOf(path);
    }
    if (explorer) text += u'\0';  // the list ends with two NULs
  }
  const std::u16string_view title = FileNameOf(paths.front());
  if (text.size() + 1 > record.nMaxFile || (record.nMaxFileTitle > 0 && title.size() + 1 > record.nMaxFileTitle)) {
    return cdlg::kErrBufferTooSmall;
  }
  record.lpstrFile = ToBuffer(text, record.nMaxFile);
  if (record.nMaxFileTitle > 0) record.lpstrFileTitle = ToBuffer(title, record.nMaxFileTitle);
  record.nFileOffset = static_cast<uint16_t>(name_offset);
  const size_t dot = title.rfind(u'.');
  record.nFileExtension =
      dot == std::u16string_view::npos ? 0 : static_cast<uint16_t>(name_offset + dot + 1);
  const std::u16string extension = dot == std::u16string_view::npos ? u"" : std::u16string(title.substr(dot + 1));
  const std::u16string_view default_extension = BareExtension(record.lpstrDefExt);
  if (!default_extension.empty() && ToLower(extension) != ToLower(default_extension)) {
    record.Flags |= cdlg::kOfnExtensionDifferent;
  } else {
    record.Flags &= ~cdlg::kOfnExtensionDifferent;
  }
  return 0;
}

std::u16string FormatColor(uint32_t colorref) {
  std::array<char, 8> text{};
  std::snprintf(text.data(), text.size(), "#%02X%02X%02X", colorref & 0xFF, (colorref >> 8) & 0xFF,
                (colorref >> 16) & 0xFF);
  return U16(text.data());
}

bool ParseColor(std::u16string_view text, uint32_t& colorref) {
  if (!text.empty() && text.front() == u'#') text.remove_prefix(1);
  if (text.size() != 6) return false;
  uint32_t rgb = 0;
  for (char16_t c : text) {
    uint32_t digit = 0;
    if (c >= u'0' && c <= u'9') digit = c - u'0';
    else if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
    else if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
    else return false;
    rgb = rgb << 4 | digit;
  }
  colorref = (rgb >> 16 & 0xFF) | (rgb & 0xFF00) | (rgb & 0xFF) << 16;
  return true;
}

namespace {

constexpr double kInch = 25.4;

// The device mode's paper codes with the printing system's names for them. Where
// two codes share a sheet, the name maps back to the first.
constexpr std::array<Paper, 41> kPapers{{
    {1, "na_letter_8.5x11in", 8.5 * kInch, 11 * kInch},
    {2, "na_letter_8.5x11in", 8.5 * kInch, 11 * kInch},
    {3, "na_ledger_11x17in", 11 * kInch, 17 * kInch},
    {4, "na_ledger_11x17in", 17 * kInch, 11 * kInch},
    {5, "na_legal_8.5x14in", 8.5 * kInch, 14 * kInch},
    {6, "na_invoice_5.5x8.5in", 5.5 * kInch, 8.5 * kInch},
    {7, "na_executive_7.25x10.5in", 7.25 * kInch, 10.5 * kInch},
    {8, "iso_a3_297x420mm", 297, 420},
    {9, "iso_a4_210x297mm", 210, 297},
    {10, "iso_a4_210x297mm", 210, 297},
    {11, "iso_a5_148x210mm", 148, 210},
    {12, "iso_b4_250x353mm", 250, 353},
    {13, "jis_b5_182x257mm", 182, 257},
    {14, "na_foolscap_8.5x13in", 8.5 * kInch, 13 * kInch},
    {15, "na_quarto_8.5x10.83in", 215, 275},
    {16, "na_10x14_10x14in", 10 * kInch, 14 * kInch},
    {17, "na_ledger_11x17in", 11 * kInch, 17 * kInch},
    {18, "na_letter_8.5x11in", 8.5 * kInch, 11 * kInch},
    {19, "na_number-9_3.875x8.875in", 3.875 * kInch, 8.875 * kInch},
    {20, "na_number-10_4.125x9.5in", 4.125 * kInch, 9.5 * kInch},
    {21, "na_number-11_4.5x10.375in", 4.5 * kInch, 10.375 * kInch},
    {22, "na_number-12_4.75x11in", 4.75 * kInch, 11 * kInch},
    {23, "na_number-14_5x11.5in", 5 * kInch, 11.5 * kInch},
    {24, "na_c_17x22in", 17 * kInch, 22 * kInch},
    {25, "na_d_22x34in", 22 * kInch, 34 * kInch},
    {26, "na_e_34x44in", 34 * kInch, 44 * kInch},
    {27, "iso_dl_110x220mm", 110, 220},
    {28, "iso_c5_162x229mm", 162, 229},
    {29, "iso_c3_324x458mm", 324, 458},
    {30, "iso_c4_229x324mm", 229, 324},
    {31, "iso_c6_114x162mm", 114, 162},
    {32, "iso_c6c5_114x229mm", 114, 229},
    {33, "iso_b4_250x353mm", 250, 353},
    {34, "iso_b5_176x250mm", 176, 250},
    {35, "iso_b6_125x176mm", 125, 176},
    {36, "om_italian_110x230mm", 110, 230},
    {37, "na_monarch_3.875x7.5in", 3.875 * kInch, 7.5 * kInch},
    {38, "na_personal_3.625x6.5in", 3.625 * kInch, 6.5 * kInch},
    {39, "na_fanfold-us_11x14.875in", 14.875 * kInch, 11 * kInch},
    {40, "na_fanfold-eur_8.5x12in", 8.5 * kInch, 12 * kInch},
    {41, "na_foolscap_8.5x13in", 8.5 * kInch, 13 * kInch},
}};

}  // namespace

std::span<const Paper> Papers() { return kPapers; }

const Paper* PaperByCode(int16_t code) {
  for (const auto& paper : kPapers) {
    if (paper.code == code) return &paper;
  }
  return nullptr;
}

const Paper* PaperByName(std::string_view name) {
  for (const auto& paper : kPapers) {
    if (name == paper.name) return &paper;
  }
  return nullptr;
}

const Paper* PaperBySize(double width_mm, double height_mm) {
  auto near = [](double a, double b) { return std::fabs(a - b) <= 1.0; };
  for (const auto& paper : kPapers) {
    if ((near(paper.width_mm, width_mm) && near(paper.height_mm, height_mm)) ||
        (near(paper.width_mm, height_mm) && near(paper.height_mm, width_mm))) {
      return &paper;
    }
  }
  return nullptr;
}

}  // namespace vellora2::dialog

namespace vellora2::mb {

// Here rather than beside CurrentPlatform: the window module uses it too, and
// takes it without the library's per-thread platform.
int32_t DefaultAnswer(int32_t style) {
  // The first button of each set, then the one that kDefaultButton2/3 moves to.
  static constexpr int32_t kButtons[6][3] = {{kOk, kOk, kOk},          {kOk, kCancel, kCancel},
                                             {kAbort, kRetry, kIgnore}, {kYes, kNo, kCancel},
                                             {kYes, kNo, kNo},          {kRetry, kCancel, kCancel}};
  const int32_t set = style & 7;
  const int32_t which = (style >> 8) & 3;
  if (set > 5 || which > 2) return kOk;
  return kButtons[set][which];
}

}  // namespace vellora2::mb
