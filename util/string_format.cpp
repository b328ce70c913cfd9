// GUtility's fixed-width formatting, wrapping and line walking.
#include <cstdint>
#include <string>
#include <string_view>

#include "util/errors.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

constexpr std::u16string_view kCrLf = u"\r\n";

size_t CheckedWidth(int16_t width) {
  if (width < 0) RaiseUtilityError(rt::kInvalidCall);
  return static_cast<size_t>(width);
}

// The last `width` characters of `pad` + `text` (a right-aligned field).
std::u16string RightAligned(std::u16string_view text, size_t width, char16_t pad) {
  if (text.size() >= width) return std::u16string(text.substr(text.size() - width));
  return std::u16string(width - text.size(), pad) + std::u16string(text);
}

// The first `width` characters of `text` + `pad` (a left-aligned field).
std::u16string LeftAligned(std::u16string_view text, size_t width, char16_t pad) {
  if (text.size() >= width) return std::u16string(text.substr(0, width));
  return std::u16string(text) + std::u16string(width - text.size(), pad);
}

bool IsWrapSeparator(char16_t c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n'; }

}  // namespace

std::u16string GUtility::FmtHex(int32_t i, int16_t iWidth) {
  const size_t width = CheckedWidth(iWidth);
  // A negative value shows its two's-complement pattern, as Hex does.
  uint32_t value = static_cast<uint32_t>(i);
  std::u16string digits;
  do {
    digits.insert(digits.begin(), u"0123456789ABCDEF"[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  return RightAligned(digits, width, u'0');
}

std::u16string GUtility::FmtInt(int16_t iVal, int16_t iWidth, bool fRight) {
  const size_t width = CheckedWidth(iWidth);
  const std::u16string text = U16(std::to_string(iVal));
  return fRight ? RightAligned(text, width, u' ') : LeftAligned(text, width, u' ');
}

std::u16string GUtility::FmtStr(std::u16string_view s, int16_t iWidth, bool fRight) {
  const size_t width = CheckedWidth(iWidth);
  return fRight ? LeftAligned(s, width, u' ') : RightAligned(s, width, u' ');
}

std::u16string GUtility::WordWrap(std::u16string_view sText, int32_t cMax) {
  // Positions are 1-based and 64-bit, so that start + cMax cannot overflow.
  const int64_t n = static_cast<int64_t>(sText.size());
  int64_t start = 1;
  int64_t end = cMax;
  std::u16string result;
  for (;;) {
    if (end >= n) return result.append(sText.substr(static_cast<size_t>(start - 1)));
    // A first window ending before the text (cMax < 1) names no character.
    if (end < 1) RaiseUtilityError(rt::kInvalidCall);
    while (!IsWrapSeparator(sText[static_cast<size_t>(end - 1)])) {
      --end;
      if (end <= start) return std::u16string(sText);  // a word longer than the line
    }
    result.append(sText.substr(static_cast<size_t>(start - 1), static_cast<size_t>(end - start + 1)));
    result.append(kCrLf);
    start = end + 1;
    end = start + cMax;
  }
}

Variant GUtility::LineWrap(std::u16string_view sText, int16_t cMax) {
  if (cMax < 0) RaiseUtilityError(rt::kInvalidCall);
  const size_t n = sText.size();
  const size_t width = static_cast<size_t>(cMax);
  std::u16string result;
  // `start` is 0-based here. The walk ends when the rest fits on one line, so the
  // last piece gets neither a line end nor a following indent.
  size_t start = 0;
  while (n - start > width) {
    // The break is the last space at or before start + cMax (1-based), which
    // keeps each line at most cMax characters long.
    const std::u16string_view window = sText.substr(start, width + 1);
    size_t space = window.rfind(u' ');
    if (space == std::u16string_view::npos) {
      // No space in reach: keep the long word whole and break after it.
      space = sText.find(u' ', start + width + 1);
      if (space == std::u16string_view::npos) break;
      space -= start;
    }
    result.append(sText.substr(start, space)).append(kCrLf).append(u"   ");
    start += space + 1;
  }
  result.append(sText.substr(start));
  return Variant(std::move(result));
}

std::u16string GUtility::GetNextLine(std::u16string_view sSource) {
  if (!sSource.empty()) {
    nextLineText_.assign(sSource);
    nextLinePos_ = 1;
    nextLineLen_ = static_cast<int32_t>(sSource.size());
  } else if (nextLineText_.empty()) {
    return {};
  }
  const size_t from = static_cast<size_t>(nextLinePos_ - 1);
  const size_t crlf = nextLineText_.find(kCrLf, from);
  if (crlf == std::u16string::npos) {
    std::u16string line = nextLineText_.substr(from) + std::u16string(kCrLf);
    nextLineText_.clear();
    return line;
  }
  std::u16string line = nextLineText_.substr(from, crlf + kCrLf.size() - from);
  nextLinePos_ = static_cast<int32_t>(crlf + kCrLf.size()) + 1;
  if (nextLinePos_ > nextLineLen_) nextLineText_.clear();
  return line;
}

std::u16string GUtility::RTrimLine(std::u16string_view sLine) {
  if (sLine.ends_with(kCrLf)) sLine.remove_suffix(kCrLf.size());
  return std::u16string(sLine);
}

}  // namespace vellora2
