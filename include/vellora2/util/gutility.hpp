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
  // Both "\" and "/" separate folders; where a member adds a separator it uses
  // the one the path already has ("\" when it has none). Three roots are
  // recognised: "C:\", "\\server\share\" and "/". Positions are 1-based. Optional
  // position arguments left out count as 0.

  // `sPath` ending in a separator (one is added unless there is one); "" gives "\".
  std::u16string NormalizePath(std::u16string_view sPath);
  // Removes one trailing separator from the text of `sPath`, storing it back as a
  // String; leaves `sPath` as it is when it ends otherwise.
  void DenormalizePath(Variant& sPath);
  // Position of the extension's dot: scanning back from the end, the first dot
  // (before any separator); Len + 1 when a separator comes first; 0 when neither
  // occurs. Overflow (6) past 32766 characters.
  int16_t GetExtPos(std::u16string_view sSpec);

  // The full path of `sFileName`, and in FilePart, ExtPart and DirPart the
  // positions of the file name, of its extension's dot (Len + 1 without one) and
  // of the root separator. Drive and network paths are resolved as text (the
  // operating system has no such roots); others by the operating system. "" gives
  // "" and leaves the positions alone. DirPart keeps its value when no root is
  // recognised; with no root and no separator the call raises 5.
  std::u16string GetFullPath(std::u16string_view sFileName);
  std::u16string GetFullPath(std::u16string_view sFileName, int32_t& FilePart, int32_t& ExtPart, int32_t& DirPart);
  // Parts of the full path of `sFile`; "" for "" without asking the platform.
  std::u16string GetFileBase(std::u16string_view sFile);     // name without extension
  std::u16string GetFileBaseExt(std::u16string_view sFile);  // name with extension
  std::u16string GetFileExt(std::u16string_view sFile);      // ".ext", or ""
  std::u16string GetFileDir(std::u16string_view sFile);      // folder with its trailing separator
  std::u16string GetFileFullSpec(std::u16string_view sFile);

  // Full path of the first `sFileName` (with `Ext` added when it has no dot) in
  // the folders of `Path` (":" or ";" separated), or by default next to the
  // program, in the current folder and along PATH; "" when there is none.
  std::u16string SearchDirs(std::u16string_view sFileName, std::u16string_view Ext = {}, std::u16string_view Path = {});
  std::u16string SearchDirs(std::u16string_view sFileName, std::u16string_view Ext, std::u16string_view Path,
                            int32_t& FilePart, int32_t& ExtPart, int32_t& DirPart);
  // The first program found as sName.EXE, .COM, .PIF, .BAT, .CMD, then (as Linux
  // names programs) sName itself; "" when none is found.
  std::u16string SearchForExe(std::u16string_view sName);

  // The folder for temporary files, ending in a separator.
  std::u16string GetTempDir();
  // Creates a new, empty file with a unique name starting with (up to three
  // characters of) `Prefix` in `PathName` and returns its full path. An empty
  // `PathName` is first set to GetTempDir(), and the caller sees that.
  std::u16string GetTempFile(std::u16string_view Prefix = {});
  std::u16string GetTempFile(std::u16string_view Prefix, std::u16string& PathName);

  // %NAME%, $NAME and ${NAME} replaced by the environment's values; unknown names stay.
  std::u16string ExpandEnvStr(std::u16string_view sData);
  // The label of the file system holding `sRoot`; "" when it has none.
  std::u16string GetLabel(std::u16string_view sRoot);

  // True for an existing file that is not a folder.
  bool ExistFile(std::u16string_view sSpec);
  // True for an existing file or folder.
  bool ExistFileDir(std::u16string_view sSpec);
  // True when `sSpec` (wildcards * and ? in its last part) names at least one
  // file or folder; "" names nothing.
  bool Exists(std::u16string_view sSpec);

  // Whole files as text, one character per byte of Windows-1252. A missing file
  // raises 53; other failures the runtime's file errors (70, 75, 76, ...).
  std::u16string GetFileText(std::u16string_view sFileName);
  // True when the file starts with exactly "{\rtf"; False when missing or shorter.
  bool IsRTF(std::u16string_view sFileName);
  // Replaces the file's content with `sContent` exactly, so GetFileText gives it
  // back; errors reach the caller.
  void SaveFileStr(std::u16string_view sFile, std::u16string_view sContent);
  // Replaces the file's content with `sText` and a line end (CR LF), as a text
  // file ends; returns 0, or the number of the error that stopped it.
  int32_t SaveFileText(std::u16string_view sFileName, std::u16string_view sText);

  // Boolean Variants: whether `ParentStorage` has a direct child stream (storage)
  // of that name, compared without regard to case. A child of the other kind with
  // the same name does not count. Walks the parent's children from the start.
  Variant ExistStream(Storage& ParentStorage, std::u16string_view StreamName);
  Variant ExistStorage(Storage& ParentStorage, std::u16string_view StorageName);

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

  // A string of one NUL character.
  std::u16string sNullChr() const;
  // True when the element of `va` at its lower bound cannot be read with one
  // index: no array, a never-sized or empty array, or an array of two dimensions.
  bool IsArrayEmpty(const Variant& va);
  // From the platform's version query: major version 4 or more; the NT family.
  bool HasShell();
  bool IsNT();
  // False when the host's executable path, upper-cased, ends in "VB5.EXE" (a
  // development environment rather than a built program).
  bool IsExe();
  // These take copies and so change nothing; they are kept for hosts that call them.
  void SwapBytes(uint8_t b1, uint8_t b2);
  void SwapIntegers(int16_t w1, int16_t w2);
  void SwapLongs(int32_t dw1, int32_t dw2);
  // `proc` itself: turns a procedure address into a number.
  std::uintptr_t GetProc(std::uintptr_t proc);
  // Processes pending user-interface events until `msWait` milliseconds have
  // passed, at least once; overflow (6) when the deadline does not fit in 32 bits.
  void DoWaitEvents(int32_t msWait);

  // The thread's random generator, shared by every GUtility on the thread.
  // An integer from iLo to iHi; overflow (6) when iHi - iLo + 1 does not fit in 32 bits.
  int32_t GetRandom(int32_t iLo, int32_t iHi);
  // Reseeds from `Number` (0 when left out: not from the timer).
  void CoreRandomize(int32_t Number = 0);
  // A Single Variant: negative `Number` gives the value belonging to that number,
  // 0 repeats the last value, positive gives the next one.
  Variant CoreRnd(int32_t Number = 0);

  // Toggles the MousePointer property of `obj`: the first call saves it and sets
  // the hourglass (11), the next restores the saved value, and so on. The toggle
  // belongs to this GUtility, not to `obj`. When the property cannot be read or
  // set, eeNoMousePointer (13001) is raised after the toggle has flipped.
  void HourGlass(Object& obj);
  // The Index of the first item of `opts` whose Value is True: eeNoTrueOption
  // (13002) when none is, eeNotOptionArray (13003) when the items cannot be read.
  int16_t GetOption(const Object& opts);
  // obj.Left + obj.Width, and obj.Top + obj.Height, read when called.
  float xRight(const Object& obj);
  float yBottom(const Object& obj);
  // The RGB value (0x00BBGGRR) of an Automation colour: an RGB value as it is,
  // 0x80000000 + n the system colour n. Non-zero exactly when the colour is, so a
  // host that tests the result as a Boolean sees what it always did. An invalid
  // colour, or a palette index (there are no palettes here), raises
  // E_INVALIDARG (0x80070057).
  int32_t TranslateColor(uint32_t clr, int32_t hPal = 0);

 private:
  // ---- State of the string members ----
  // GetNextLine's walk: the text, the 1-based position of the next unread
  // character, and the text's length.
  std::u16string nextLineText_;
  int32_t nextLinePos_ = 1;
  int32_t nextLineLen_ = 0;

  // ---- State of the system members ----
  // HourGlass's toggle and the pointer it will restore.
  bool hourGlassOn_ = false;
  int16_t savedPointer_ = 0;
};

}  // namespace vellora2
