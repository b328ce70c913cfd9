// GUtility: path and file, string and text, and system helpers for hosts and for
// the library's own classes. One object per thread serves the library; a host
// makes its own, so that state such as the hourglass toggle is not shared.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "vellora2/automation/array.hpp"
#include "vellora2/automation/object.hpp"
#include "vellora2/automation/variant.hpp"
#include "vellora2/util/enums.hpp"

namespace vellora2 {

class Storage;

class GUtility {
 public:
  GUtility();
  GUtility(const GUtility&) = delete;
  GUtility& operator=(const GUtility&) = delete;
  ~GUtility();

  // ---- Paths and files (util/path_utilities.cpp) ----

  // ---- Strings and text (util/string_utilities.cpp) ----
  // Positions are 1-based and count UTF-16 code units. Byte strings ("StrB") are
  // std::string of Windows-1252 bytes. A negative width or a position outside the
  // string raises 5 (invalid procedure call).

  // `i` in upper-case hex, zero-padded to `iWidth` digits; extra leading digits are cut.
  std::u16string FmtHex(int32_t i, int16_t iWidth = 8);
  // Decimal `iVal` right-aligned in `iWidth` (left-aligned when !fRight), cut to fit.
  std::u16string FmtInt(int16_t iVal, int16_t iWidth, bool fRight = true);
  // `s` fitted to `iWidth`. Note that `fRight` works the other way round from
  // FmtInt's: True pads on the right (left-aligned), False pads on the left.
  std::u16string FmtStr(std::u16string_view s, int16_t iWidth, bool fRight = true);

  // Position of `sFind` in `sTarget` from `iPos` (0 = 1) under ESearchOptions; 0
  // when absent. Backward searches find the last match ending at or before `iPos`.
  int32_t FindString(std::u16string_view sTarget, std::u16string_view sFind, int32_t iPos = 0,
                     int32_t esoOptions = 0);
  // Last occurrence, as InStrRev: either (target, find [, compare]) or
  // (limit, target, find [, compare]); compare 0 is binary, 1 case-insensitive.
  // Missing leading arguments raise eeMissingParameter.
  int32_t InStrR(const Variant& vStart = ErrorValue{kParamNotFound}, const Variant& vTarget = ErrorValue{kParamNotFound},
                 const Variant& vFind = ErrorValue{kParamNotFound}, const Variant& vCompare = ErrorValue{kParamNotFound});

  // The code unit at `iPos` as a signed 16-bit value, read without copying.
  int16_t CharFromStr(const std::u16string& sTarget, int32_t iPos = 1);
  // Stores `ch` at `iPos` in the caller's string, without copying it.
  void CharToStr(std::u16string& sTarget, int16_t ch, int32_t iPos = 1);
  // Replaces the character at `iPos` by the first one of `sChar`; the length stays.
  void InsertChar(std::u16string& sTarget, std::u16string_view sChar, int16_t iPos);

  // Lines of at most about `cMax` characters, broken after a space, TAB, CR or LF
  // and ended by CR LF; the text unchanged when a word is longer than a line.
  std::u16string WordWrap(std::u16string_view sText, int32_t cMax);
  // Lines of at most `cMax` characters broken at spaces (the space is dropped),
  // each continuation indented by three spaces; a word longer than a line stays whole.
  Variant LineWrap(std::u16string_view sText, int16_t cMax);
  // The next line of the text last given, CR LF included (added to a last line
  // without one); "" once the text is used up. A non-empty `sSource` starts over.
  std::u16string GetNextLine(std::u16string_view sSource = {});
  // `sLine` without one trailing CR LF.
  std::u16string RTrimLine(std::u16string_view sLine);

  // True when `vTarget` equals one of `args` under the runtime's "=" for Variants.
  bool Among(const Variant& vTarget, std::span<const Variant> args);
  bool Among(const Variant& vTarget, std::initializer_list<Variant> args);
  // Replaces the item at position `vIndex` (it loses any key) or under key
  // `vIndex` (it moves to the end); the collection's own errors pass through.
  void CollectionReplace(Collection& n, const Variant& vIndex, const Variant& vVal);

  std::string StrToStrB(std::u16string_view s);
  std::u16string StrBToStr(std::string_view s);
  // `s` up to its first NUL: for fixed-size buffers filled by the platform.
  std::u16string StrZToStr(std::u16string_view s);
  // The NUL-terminated Windows-1252 text at address `p`, reading at most `cbMax`
  // bytes (all of them when none is NUL). The caller guarantees that `cbMax` bytes
  // at `p` are readable; a null `p` gives "".
  std::u16string PointerToString(std::uintptr_t p, std::size_t cbMax);
  // Address of the first code unit of `s`; valid while `s` is neither changed nor released.
  std::uintptr_t StringToPointer(const std::u16string& s);

  // Hex dump of `ab` (one dimension, indices within 16-bit range) in one of the
  // EHexDump layouts.
  std::u16string HexDump(const ByteArray& ab, EHexDump ehdFmt = ehdOneColumn);
  // Dump of the Windows-1252 bytes of `s`.
  std::u16string HexDumpS(std::u16string_view s, EHexDump ehdFmt = ehdOneColumn);
  // Dump of the UTF-16 code units of `s`, low byte first.
  std::u16string HexDumpB(std::u16string_view s, EHexDump ehdFmt = ehdOneColumn);
  // Dump of `c` bytes at address `p`; the caller guarantees that they are readable.
  std::u16string HexDumpPtr(std::uintptr_t p, int32_t c, EHexDump ehdFmt = ehdOneColumn);

  // ---- System and miscellaneous (util/system_utilities.cpp) ----

 private:
  // ---- State of the string members ----
  // GetNextLine's walk: the text, the 1-based position of the next unread
  // character, and the text's length.
  std::u16string nextLineText_;
  int32_t nextLinePos_ = 1;
  int32_t nextLineLen_ = 0;

  // ---- State of the system members ----
};

}  // namespace vellora2
