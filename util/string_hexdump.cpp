// GUtility's hexadecimal dumps.
//
// A dump line is built from a hex part (two digits and a space per byte, one more
// space after every eighth index) and a character part (the byte itself when it is
// printable ASCII, "." otherwise). Line breaks and the extra spaces follow the
// array's indices, not the count of bytes seen, so an array with a lower bound
// other than 0 breaks where its indices say.
#include <cstdint>
#include <string>
#include <string_view>

#include "util/errors.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2 {
namespace {

struct Layout {
  int32_t bytesPerLine;
  bool columns;      // lines with a character part and CR LF
  bool sample;       // stop with "..." after the first line
  size_t hexWidth;   // width of the hex part of a partial last line
};

Layout LayoutOf(EHexDump format) {
  switch (format) {
    case ehdOneColumn:
      return {8, true, false, 26};
    case ehdTwoColumn:
      // A full line's hex part is 51 wide, a partial line's is padded to 53: the
      // two columns of difference are kept so dumps match the ones hosts compare
      // against.
      return {16, true, false, 53};
    case ehdEndless:
      return {32767, false, false, 0};
    case ehdSample8:
      return {8, false, true, 0};
    case ehdSample16:
      return {16, false, true, 0};
  }
  // A layout without a line length: the line arithmetic divides by zero.
  RaiseUtilityError(rt::kDivisionByZero);
}

ByteArray ToByteArray(std::string_view bytes) {
  return ByteArray(0, std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace

std::u16string GUtility::HexDump(const ByteArray& ab, EHexDump ehdFmt) {
  const Layout layout = LayoutOf(ehdFmt);
  if (ab.dimensions() != 1) RaiseUtilityError(rt::kSubscriptOutOfRange);
  const int32_t lower = ab.LBound();
  const int32_t upper = ab.UBound();
  // The walk counts with a 16-bit index, which overflows on bounds outside its
  // range, and on an upper bound of 32767 as the index steps past it.
  if (lower < INT16_MIN || upper >= INT16_MAX) RaiseUtilityError(rt::kOverflow);

  std::u16string hex;
  std::u16string chars;
  std::u16string result;
  for (int32_t i = lower; i <= upper; ++i) {
    const uint8_t byte = ab.data()[static_cast<size_t>(i - lower)];
    hex += u"0123456789ABCDEF"[byte >> 4];
    hex += u"0123456789ABCDEF"[byte & 0xF];
    hex += u' ';
    if (layout.columns) chars += (byte >= 32 && byte <= 126) ? static_cast<char16_t>(byte) : u'.';
    if ((i + 1) % 8 == 0) hex += u' ';
    if ((i + 1) % layout.bytesPerLine == 0) {
      if (layout.sample) {
        hex += u"...";
        break;
      }
      result.append(hex).append(u" ").append(chars).append(u"\r\n");
      hex.clear();
      chars.clear();
    }
  }
  if (!layout.columns) return hex;
  if ((upper + 1) % layout.bytesPerLine != 0) {
    if (hex.size() < layout.hexWidth) hex.resize(layout.hexWidth, u' ');
    result.append(hex).append(chars);
  }
  return result;
}

std::u16string GUtility::HexDumpS(std::u16string_view s, EHexDump ehdFmt) {
  return HexDump(ToByteArray(StrToStrB(s)), ehdFmt);
}

std::u16string GUtility::HexDumpB(std::u16string_view s, EHexDump ehdFmt) {
  std::string bytes;
  bytes.reserve(s.size() * 2);
  for (const char16_t unit : s) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>(unit >> 8);
  }
  return HexDump(ToByteArray(bytes), ehdFmt);
}

std::u16string GUtility::HexDumpPtr(std::uintptr_t p, int32_t c, EHexDump ehdFmt) {
  // An array from 0 to c - 1 cannot be sized for c below 1; above 32767 bytes the
  // dump itself would overflow, and refusing first spares copying them.
  if (c < 1) RaiseUtilityError(rt::kSubscriptOutOfRange);
  if (c > INT16_MAX) RaiseUtilityError(rt::kOverflow);
  if (p == 0) RaiseUtilityError(rt::kInvalidCall);
  // The caller hands over an address as a number: the cast is the point.
  const auto* bytes = reinterpret_cast<const char*>(p);  // NOLINT(performance-no-int-to-ptr)
  return HexDump(ToByteArray(std::string_view(bytes, static_cast<size_t>(c))), ehdFmt);
}

}  // namespace vellora2
