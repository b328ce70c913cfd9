#include "vellora2/util/gbytes.hpp"

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "util/errors.hpp"
#include "vellora2/automation/error.hpp"
#include "vellora2/automation/text.hpp"
#include "vellora2/platform/platform.hpp"

namespace vellora2 {
namespace {

// The storage offset of the field of `length` elements from index `offset`,
// which must lie wholly inside the one-dimensional array `ab`. Callers treat a
// length of 0 themselves: such a field has no first element to check.
size_t FieldStart(const ByteArray& ab, int64_t offset, int64_t length) {
  if (length < 0) RaiseUtilityError(rt::kInvalidCall);
  if (ab.dimensions() != 1) RaiseUtilityError(rt::kSubscriptOutOfRange);
  const int64_t lower = ab.LBound();
  const int64_t upper = ab.UBound();
  if (offset < lower || offset + length - 1 > upper) RaiseUtilityError(rt::kSubscriptOutOfRange);
  return static_cast<size_t>(offset - lower);
}

std::u16string FieldText(const ByteArray& ab, int64_t offset, int64_t length) {
  if (length == 0) return {};
  const size_t start = FieldStart(ab, offset, length);
  const auto* bytes = reinterpret_cast<const char*>(ab.data().data()) + start;
  return FromAnsi(std::string_view(bytes, static_cast<size_t>(length)));
}

void WriteField(ByteArray& ab, int64_t offset, std::string_view bytes) {
  if (bytes.empty()) return;
  const size_t start = FieldStart(ab, offset, static_cast<int64_t>(bytes.size()));
  std::copy(bytes.begin(), bytes.end(), ab.data().begin() + static_cast<std::ptrdiff_t>(start));
}

// The little-endian value of `width` bytes from `offset`, as unsigned.
uint32_t ReadLittleEndian(const ByteArray& ab, int32_t offset, int width) {
  const size_t start = FieldStart(ab, offset, width);
  uint32_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = (value << 8) | ab.data()[start + static_cast<size_t>(i)];
  return value;
}

void WriteLittleEndian(ByteArray& ab, int32_t offset, int width, uint32_t value) {
  const size_t start = FieldStart(ab, offset, width);
  for (int i = 0; i < width; ++i) ab.data()[start + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (8 * i));
}

bool Fits32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

}  // namespace

GBytes::GBytes() {
  for (int i = 0; i < 31; ++i) power2_[static_cast<size_t>(i)] = int32_t{1} << i;
  // Bit 31 alone: every mask and factor is taken from this table, so shifts and
  // bit tests at 31 see the sign bit rather than an overflow.
  power2_[31] = INT32_MIN;
}

int32_t GBytes::Power2(int16_t i) const {
  if (i < 0 || i > 31) RaiseUtilityError(rt::kSubscriptOutOfRange);
  return power2_[static_cast<size_t>(i)];
}

// ---- Strings and byte arrays ----

void GBytes::StrToBytes(ByteArray& ab, std::u16string& s) {
  // An array whose first element cannot be read by a single index has no place
  // to fill, so it is replaced.
  if (ab.dimensions() != 1 || ab.empty()) {
    const std::string bytes = ToAnsi(s);
    ab = ByteArray(0, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    return;
  }
  const size_t length = ab.size();
  if (s.size() < length) s.resize(length, u'\0');
  const std::string bytes = ToAnsi(std::u16string_view(s).substr(0, length));
  std::copy(bytes.begin(), bytes.end(), ab.data().begin());
}

void GBytes::StrToBytes(ByteArray& ab, std::u16string_view s) {
  std::u16string copy(s);
  StrToBytes(ab, copy);
}

Variant GBytes::StrToBytesV(std::u16string_view s) {
  const std::string bytes = ToAnsi(s);
  return Variant(ByteArray(0, std::vector<uint8_t>(bytes.begin(), bytes.end())));
}

std::u16string GBytes::BytesToStr(const ByteArray& ab) {
  return FromAnsi(std::string_view(reinterpret_cast<const char*>(ab.data().data()), ab.size()));
}

std::u16string GBytes::ByteZToStr(const ByteArray& ab) {
  std::u16string text = BytesToStr(ab);
  text.resize(std::min(text.size(), text.find(u'\0')));
  return text;
}

// ---- Integers and text fields in buffers ----

int16_t GBytes::BytesToWord(const ByteArray& abBuf, int32_t iOffset) {
  return static_cast<int16_t>(ReadLittleEndian(abBuf, iOffset, 2));
}

int32_t GBytes::BytesToDWord(const ByteArray& abBuf, int32_t iOffset) {
  return static_cast<int32_t>(ReadLittleEndian(abBuf, iOffset, 4));
}

void GBytes::BytesFromWord(int16_t w, ByteArray& abBuf, int32_t iOffset) {
  WriteLittleEndian(abBuf, iOffset, 2, static_cast<uint16_t>(w));
}

void GBytes::BytesFromDWord(int32_t dw, ByteArray& abBuf, int32_t iOffset) {
  WriteLittleEndian(abBuf, iOffset, 4, static_cast<uint32_t>(dw));
}

std::u16string GBytes::BytesToPStr(const ByteArray& ab, int32_t iOffset) {
  const uint8_t count = ab.data()[FieldStart(ab, iOffset, 1)];
  return MidBytes(ab, static_cast<int32_t>(static_cast<int64_t>(iOffset) + 1), count, false);
}

int32_t GBytes::LenBytes(const ByteArray& ab) { return ab.UBound() - ab.LBound() + 1; }

std::u16string GBytes::MidBytes(const ByteArray& ab, int32_t iOffset, int32_t iLen, bool fToNull) {
  const int64_t length = iLen < 1 ? static_cast<int64_t>(LenBytes(ab)) - iOffset : iLen;
  std::u16string text = FieldText(ab, iOffset, length);
  if (fToNull) text.resize(std::min(text.size(), text.find(u'\0')));
  return text;
}

void GBytes::InsBytes(std::u16string& sIns, ByteArray& ab, int32_t iOffset, int32_t iLen) {
  const size_t count = iLen > 0 ? static_cast<size_t>(iLen) : sIns.size();
  // Checked before the caller's string is padded, so a refused field changes nothing.
  if (count > 0) FieldStart(ab, iOffset, static_cast<int64_t>(count));
  if (sIns.size() < count) sIns.resize(count, u'\0');
  WriteField(ab, iOffset, ToAnsi(std::u16string_view(sIns).substr(0, count)));
}

void GBytes::InsBytes(std::u16string_view sIns, ByteArray& ab, int32_t iOffset, int32_t iLen) {
  std::u16string copy(sIns);
  InsBytes(copy, ab, iOffset, iLen);
}

std::u16string GBytes::LeftBytes(const ByteArray& ab, int32_t iLen) {
  if (iLen == 0) return {};
  return FieldText(ab, ab.LBound(), iLen);
}

std::u16string GBytes::RightBytes(const ByteArray& ab, int32_t iLen) {
  if (iLen == 0) return {};
  return FieldText(ab, static_cast<int64_t>(ab.UBound()) - iLen + 1, iLen);
}

void GBytes::FillBytes(ByteArray& ab, uint8_t b, int32_t iOffset, int32_t iLen) {
  if (iLen <= 0) return;
  if (ab.dimensions() != 1) RaiseUtilityError(rt::kSubscriptOutOfRange);
  // Each index is checked as it is written: the elements inside the array up
  // to the first one outside it are filled before the error.
  const int64_t lower = ab.LBound();
  const int64_t upper = ab.UBound();
  const int64_t first = std::max<int64_t>(iOffset, lower);
  const int64_t last = std::min<int64_t>(int64_t{iOffset} + iLen - 1, upper);
  if (iOffset >= lower && first <= last) {
    std::fill_n(ab.data().begin() + static_cast<std::ptrdiff_t>(first - lower), last - first + 1, b);
  }
  if (iOffset < lower || int64_t{iOffset} + iLen - 1 > upper) RaiseUtilityError(rt::kSubscriptOutOfRange);
}

// ---- Halves, bytes and shifts ----

int16_t GBytes::LoWord(int32_t dw) { return static_cast<int16_t>(dw & 0xFFFF); }

int16_t GBytes::HiWord(int32_t dw) { return static_cast<int16_t>(static_cast<uint32_t>(dw) >> 16); }

uint8_t GBytes::LoByte(int16_t w) { return static_cast<uint8_t>(w & 0xFF); }

uint8_t GBytes::HiByte(int16_t w) { return static_cast<uint8_t>(static_cast<uint16_t>(w) >> 8); }

int16_t GBytes::MakeWord(uint8_t bLo, uint8_t bHi) { return static_cast<int16_t>(bHi << 8 | bLo); }

int32_t GBytes::MakeDWord(int16_t wLo, int16_t wHi) {
  return static_cast<int32_t>(static_cast<int64_t>(wHi) * 65536 + static_cast<uint16_t>(wLo));
}

int16_t GBytes::LShiftWord(int16_t w, int16_t c) {
  // The product is formed in 32 bits first; only then are the upper bits dropped.
  const int64_t product = static_cast<int64_t>(w) * Power2(c);
  if (!Fits32(product)) RaiseUtilityError(rt::kOverflow);
  return static_cast<int16_t>(product & 0xFFFF);
}

int16_t GBytes::RShiftWord(int16_t w, int16_t c) {
  if (c == 0) return w;
  // Dividing the unsigned pattern lets zeros in at the top; the factor for 31 is
  // negative and leaves 0, as a shift by 31 should.
  return static_cast<int16_t>(static_cast<int32_t>(static_cast<uint16_t>(w)) / Power2(c));
}

int32_t GBytes::LShiftDWord(int32_t dw, int16_t c) {
  if (c < 0 || c > 31) return -1;
  const int64_t product = static_cast<int64_t>(dw) * power2_[static_cast<size_t>(c)];
  return Fits32(product) ? static_cast<int32_t>(product) : -1;
}

int32_t GBytes::RShiftDWord(int32_t dw, int16_t c) {
  if (c < 0 || c > 31) return 0;
  if (c == 0) return dw;
  // Division truncates toward zero, the rounding wanted for negative values. The
  // factor for 31 is negative, so only -2147483648 itself gives a non-zero result.
  return static_cast<int32_t>(static_cast<int64_t>(dw) / power2_[static_cast<size_t>(c)]);
}

// ---- Bits ----

void GBytes::SetBitWord(bool iTest, int16_t& iValue, int16_t iBitPos) {
  int32_t widened = iValue;
  SetBitDWord(iTest, widened, iBitPos);
  iValue = LoWord(widened);
}

void GBytes::SetBitDWord(bool iTest, int32_t& iValue, int16_t iBitPos) {
  const int32_t mask = Power2(iBitPos);
  iValue = iTest ? (iValue | mask) : (iValue & ~mask);
}

bool GBytes::GetBit(int32_t iValue, int16_t iBitPos) { return (iValue & Power2(iBitPos)) != 0; }

// ---- Byte order ----

int16_t GBytes::SwapWordBytes(int16_t w) {
  const auto u = static_cast<uint16_t>(w);
  return static_cast<int16_t>((u >> 8) | (u << 8));
}

int32_t GBytes::SwapDWordWords(int32_t dw) {
  const auto u = static_cast<uint32_t>(dw);
  return static_cast<int32_t>((u >> 16) | (u << 16));
}

int32_t GBytes::SwapEndian(int32_t dw) {
  const auto u = static_cast<uint32_t>(dw);
  return static_cast<int32_t>((u >> 24) | ((u >> 8) & 0xFF00u) | ((u << 8) & 0xFF0000u) | (u << 24));
}

// ---- Drives ----

std::u16string GBytes::VBGetLogicalDrives() {
  // Bits above Z name no drive; dropping them keeps the mask positive, where
  // RShiftDWord is a plain shift.
  auto mask = static_cast<int32_t>(CurrentPlatform().LogicalDrives() & 0x3FFFFFFu);
  std::u16string drives;
  for (int letter = 0; letter < 26; ++letter) {
    drives += (mask & 1) ? u'+' : u'-';
    mask = RShiftDWord(mask, 1);
  }
  return drives;
}

}  // namespace vellora2
