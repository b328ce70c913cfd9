// GBytes: strings to and from byte arrays, integers and text fields inside byte
// buffers, and the word, byte and bit arithmetic of binary record layouts.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "vellora2/automation/array.hpp"
#include "vellora2/automation/variant.hpp"

namespace vellora2 {

// Conventions of every member:
// - Offsets are indices in the array's own bounds, not distances from its first
//   element. Multi-byte values are little-endian. Text in buffers is Windows-1252,
//   one byte per character.
// - A field (offset and length) must lie inside the array: one that does not
//   raises 9 (subscript out of range) before anything is read or written. A
//   negative length raises 5. A field of length 0 touches nothing and is not checked.
// - "Word" is int16_t and "DWord" int32_t, both signed, as the record layouts
//   they come from declare them.
class GBytes {
 public:
  GBytes();

  // ---- Strings and byte arrays ----

  // Fills `ab` with the bytes of `s`. An array without elements (never sized,
  // empty, or of more than one dimension) becomes a new array from 0 holding all
  // of them; otherwise the array keeps its bounds, `s` is first padded with NULs
  // to its length (changing the caller's string) and cut to it when longer.
  void StrToBytes(ByteArray& ab, std::u16string& s);
  // The same for a string that the caller does not need back.
  void StrToBytes(ByteArray& ab, std::u16string_view s);
  // The bytes of `s` as a Variant holding a byte array from 0.
  Variant StrToBytesV(std::u16string_view s);
  std::u16string BytesToStr(const ByteArray& ab);
  // As BytesToStr, cut before the first NUL.
  std::u16string ByteZToStr(const ByteArray& ab);

  // ---- Integers and text fields in buffers ----

  int16_t BytesToWord(const ByteArray& abBuf, int32_t iOffset);
  int32_t BytesToDWord(const ByteArray& abBuf, int32_t iOffset);
  void BytesFromWord(int16_t w, ByteArray& abBuf, int32_t iOffset);
  void BytesFromDWord(int32_t dw, ByteArray& abBuf, int32_t iOffset);
  // The text whose length is the byte at `iOffset` and which follows it. A count
  // of 0 reads every byte after it (MidBytes' rule for lengths below 1).
  std::u16string BytesToPStr(const ByteArray& ab, int32_t iOffset);
  // Upper bound - lower bound + 1; 9 for an array never sized.
  int32_t LenBytes(const ByteArray& ab);
  // Text of `iLen` bytes from `iOffset`; `iLen` below 1 means LenBytes(ab) -
  // iOffset (the rest of an array from 0). With `fToNull` the text stops before
  // its first NUL.
  std::u16string MidBytes(const ByteArray& ab, int32_t iOffset, int32_t iLen = 0, bool fToNull = false);
  // Writes `sIns` from `iOffset`. With `iLen` above 0 exactly `iLen` bytes are
  // written: a shorter `sIns` is first padded with NULs (changing the caller's
  // string), a longer one cut. Otherwise all of `sIns` is written.
  void InsBytes(std::u16string& sIns, ByteArray& ab, int32_t iOffset, int32_t iLen = 0);
  void InsBytes(std::u16string_view sIns, ByteArray& ab, int32_t iOffset, int32_t iLen = 0);
  std::u16string LeftBytes(const ByteArray& ab, int32_t iLen);
  std::u16string RightBytes(const ByteArray& ab, int32_t iLen);
  // Sets `iLen` elements from `iOffset` to `b`, in order; the first index
  // outside the array raises 9, after the ones before it are set.
  void FillBytes(ByteArray& ab, uint8_t b, int32_t iOffset, int32_t iLen);

  // ---- Halves, bytes and shifts ----

  int16_t LoWord(int32_t dw);
  int16_t HiWord(int32_t dw);
  uint8_t LoByte(int16_t w);
  uint8_t HiByte(int16_t w);
  int16_t MakeWord(uint8_t bLo, uint8_t bHi);
  int32_t MakeDWord(int16_t wLo, int16_t wHi);

  // Shift counts and bit positions index the power table: outside 0..31 they
  // raise 9, except in the two dword shifts, which answer -1 and 0 instead.
  // Left shift; 6 (overflow) when w * 2^c does not fit in 32 bits.
  int16_t LShiftWord(int16_t w, int16_t c);
  // Logical right shift: zeros come in at the top.
  int16_t RShiftWord(int16_t w, int16_t c);
  // dw * 2^c, or -1 when that does not fit in 32 bits.
  int32_t LShiftDWord(int32_t dw, int16_t c);
  // dw / 2^c rounded toward zero (-7 by 1 gives -3): neither a logical nor an
  // arithmetic shift, which callers of negative values must keep in mind.
  int32_t RShiftDWord(int32_t dw, int16_t c);

  // ---- Bits ----

  void SetBitWord(bool iTest, int16_t& iValue, int16_t iBitPos);
  void SetBitDWord(bool iTest, int32_t& iValue, int16_t iBitPos);
  bool GetBit(int32_t iValue, int16_t iBitPos);

  // ---- Byte order ----

  int16_t SwapWordBytes(int16_t w);
  int32_t SwapDWordWords(int32_t dw);
  // Little-endian to big-endian and back.
  int32_t SwapEndian(int32_t dw);

  // ---- Drives (VBGetLogicalDrives, with the path utilities) ----

  // 26 characters, one per drive letter from A: "+" where the platform has the
  // drive, "-" where not. Linux has one tree, which counts as drive C.
  std::u16string VBGetLogicalDrives();

  // ---- Power table ----

  // 2^i for i in 0..30 and -2147483648 (bit 31 alone) for 31; 9 outside.
  int32_t Power2(int16_t i) const;

 private:
  std::array<int32_t, 32> power2_;
};

}  // namespace vellora2
