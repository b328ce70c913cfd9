// GUtility, GBytes, GCommonDialog and Collection as Python sees them. Members
// that work on raw memory addresses or on storages are left out: a script has
// neither, and a wrong address would bring down the interpreter.
#include <pybind11/stl.h>

#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "python/convert.hpp"
#include "python/module.hpp"
#include "vellora2/dialogs/gcommondialog.hpp"
#include "vellora2/util/gbytes.hpp"
#include "vellora2/util/gutility.hpp"

namespace vellora2::python {
namespace {

using namespace pybind11::literals;

// An optional Variant argument left out: the runtime's "missing" Error value.
Variant Optional(const py::args& args, size_t i) {
  return i < args.size() ? ToVariant(args[i]) : Variant(ErrorValue{kParamNotFound});
}

// The runtime's Collection, which CollectionReplace changes in place: items
// from 1, by position or by key (compared without regard to case).
void BindCollection(py::module_& m) {
  using Index = std::variant<int32_t, std::u16string>;
  py::class_<Collection, std::shared_ptr<Collection>>(m, "Collection")
      .def(py::init<>())
      .def(
          "Add",
          [](Collection& self, const py::object& item, std::optional<std::u16string> key, std::optional<int32_t> before,
             std::optional<int32_t> after) { self.Add(ToVariant(item), std::move(key), before, after); },
          "item"_a, "key"_a = py::none(), "before"_a = py::none(), "after"_a = py::none(),
          "Adds item, under the optional key, before or after the item at a position (from 1). A key already used "
          "raises 457.")
      .def_property_readonly("Count", &Collection::Count, "The number of items.")
      .def(
          "Item",
          [](const Collection& self, const Index& index) {
            return FromVariant(std::visit([&](const auto& i) -> const Variant& { return self.Item(i); }, index));
          },
          "index"_a,
          "The item at position index (from 1) or under the key index (case ignored). Raises 9 (position) or 5 (key) "
          "when absent.")
      .def(
          "Remove",
          [](Collection& self, const Index& index) { std::visit([&](const auto& i) { self.Remove(i); }, index); },
          "index"_a,
          "Removes the item at position index (from 1) or under the key index. Raises 9 (position) or 5 (key) when "
          "absent.")
      .def("__len__", &Collection::Count)
      .def("__iter__", [](const Collection& self) {
        py::list items;
        for (const Variant& item : self.Items()) items.append(FromVariant(item));
        return py::iter(items);
      });
}

void BindGUtility(py::module_& m) {
  py::class_<GUtility>(m, "GUtility")
      .def(py::init<>())
      // Paths and files.
      .def("NormalizePath", &GUtility::NormalizePath, "sPath"_a,
           "sPath ending in a separator (\"\\\" or \"/\", one added unless present); \"\" gives \"\\\".")
      .def(
          "DenormalizePath",
          [](GUtility& self, const py::object& sPath) {
            Variant v = ToVariant(sPath);
            self.DenormalizePath(v);
            return FromVariant(v);
          },
          "sPath"_a, "Returns sPath without one trailing separator, as a str; sPath as it is when it ends otherwise.")
      .def("GetExtPos", &GUtility::GetExtPos, "sSpec"_a,
           "The 1-based position of the extension's dot; Len + 1 when a separator comes first, 0 with neither. "
           "Overflow (6) past 32766 characters.")
      .def("GetFullPath", py::overload_cast<std::u16string_view>(&GUtility::GetFullPath), "sFileName"_a,
           "The full path of sFileName; \"\" for \"\".")
      .def(
          "GetFullPath",
          [](GUtility& self, const std::u16string& sFileName, int32_t FilePart, int32_t ExtPart, int32_t DirPart) {
            std::u16string full = self.GetFullPath(sFileName, FilePart, ExtPart, DirPart);
            return py::make_tuple(full, FilePart, ExtPart, DirPart);
          },
          "sFileName"_a, "FilePart"_a, "ExtPart"_a, "DirPart"_a,
          "Returns (path, FilePart, ExtPart, DirPart): the full path and the positions of the name, of the extension's "
          "dot and of the root.\nWith no root and no separator raises 5.")
      .def("GetFileBase", &GUtility::GetFileBase, "sFile"_a, "The name of the file, without its extension.")
      .def("GetFileBaseExt", &GUtility::GetFileBaseExt, "sFile"_a, "The name of the file, with its extension.")
      .def("GetFileExt", &GUtility::GetFileExt, "sFile"_a, "The file's extension with its dot, or \"\".")
      .def("GetFileDir", &GUtility::GetFileDir, "sFile"_a,
           "The folder of the full path of sFile, with its trailing separator.")
      .def("GetFileFullSpec", &GUtility::GetFileFullSpec, "sFile"_a, "The full path of sFile; \"\" for \"\".")
      .def(
          "SearchDirs",
          [](GUtility& self, const std::u16string& sFileName, const std::u16string& Ext, const std::u16string& Path) {
            return self.SearchDirs(sFileName, Ext, Path);
          },
          "sFileName"_a, "Ext"_a = std::u16string(), "Path"_a = std::u16string(),
          "The full path of the first sFileName (with Ext added when it has no dot) in the folders of Path, or next to "
          "the program, in the current folder and along PATH; \"\" when none.")
      .def(
          "SearchDirs",
          [](GUtility& self, const std::u16string& sFileName, const std::u16string& Ext, const std::u16string& Path,
             int32_t FilePart, int32_t ExtPart, int32_t DirPart) {
            std::u16string found = self.SearchDirs(sFileName, Ext, Path, FilePart, ExtPart, DirPart);
            return py::make_tuple(found, FilePart, ExtPart, DirPart);
          },
          "sFileName"_a, "Ext"_a, "Path"_a, "FilePart"_a, "ExtPart"_a, "DirPart"_a,
          "As SearchDirs, returning (path, FilePart, ExtPart, DirPart); the positions stay as passed when nothing is "
          "found.")
      .def("SearchForExe", &GUtility::SearchForExe, "sName"_a,
           "The first program found as sName.EXE, .COM, .PIF, .BAT, .CMD, then sName itself; \"\" when none.")
      .def("GetTempDir", &GUtility::GetTempDir, "The folder for temporary files, ending in a separator.")
      .def(
          "GetTempFile", [](GUtility& self, const std::u16string& Prefix) { return self.GetTempFile(Prefix); },
          "Prefix"_a = std::u16string(),
          "Creates a new, empty file in the temporary folder, its name starting with up to three characters of Prefix, "
          "and returns its full path.")
      .def(
          "GetTempFile",
          [](GUtility& self, const std::u16string& Prefix, std::u16string PathName) {
            std::u16string file = self.GetTempFile(Prefix, PathName);
            return py::make_tuple(file, PathName);
          },
          "Prefix"_a, "PathName"_a,
          "Creates a new, empty file in PathName (the temporary folder when \"\").\nReturns (path, PathName).")
      .def("ExpandEnvStr", &GUtility::ExpandEnvStr, "sData"_a,
           "sData with %NAME%, $NAME and ${NAME} replaced by the environment's values; unknown names stay.")
      .def("GetLabel", &GUtility::GetLabel, "sRoot"_a,
           "The label of the file system holding sRoot; \"\" when it has none.")
      .def("ExistFile", &GUtility::ExistFile, "sSpec"_a, "True for an existing file that is not a folder.")
      .def("ExistFileDir", &GUtility::ExistFileDir, "sSpec"_a, "True for an existing file or folder.")
      .def("Exists", &GUtility::Exists, "sSpec"_a,
           "True when sSpec (wildcards * and ? in its last part) names at least one file or folder.")
      .def("GetFileText", &GUtility::GetFileText, "sFileName"_a,
           "The whole file as text, one character per byte of Windows-1252.\nA missing file raises 53; other failures "
           "the file errors (70, 75, 76, ...).")
      .def("IsRTF", &GUtility::IsRTF, "sFileName"_a,
           "True when the file starts with \"{\\rtf\"; False when it is missing or shorter.")
      .def("SaveFileStr", &GUtility::SaveFileStr, "sFile"_a, "sContent"_a,
           "Replaces the file's content with sContent exactly. File errors are raised.")
      .def("SaveFileText", &GUtility::SaveFileText, "sFileName"_a, "sText"_a,
           "Replaces the file's content with sText and CR LF; returns 0, or the number of the error that stopped it.")
      // Strings and text.
      .def(
          "FmtHex", &GUtility::FmtHex, "i"_a, "iWidth"_a = 8,
          "i in upper-case hex, zero-padded to iWidth digits; extra leading digits are cut. A negative width raises 5.")
      .def("FmtInt", &GUtility::FmtInt, "iVal"_a, "iWidth"_a, "fRight"_a = true,
           "Decimal iVal right-aligned in iWidth (left-aligned when fRight is False), cut to fit. A negative width "
           "raises 5.")
      .def("FmtStr", &GUtility::FmtStr, "s"_a, "iWidth"_a, "fRight"_a = true,
           "s fitted to iWidth: fRight True pads on the right, False on the left. A negative width raises 5.")
      .def("FindString", &GUtility::FindString, "sTarget"_a, "sFind"_a, "iPos"_a = 0, "esoOptions"_a = 0,
           "The 1-based position of sFind in sTarget from iPos (0 = 1) under ESearchOptions; 0 when absent.")
      .def(
          "InStrR",
          [](GUtility& self, const py::args& args) {
            if (args.size() > 4) throw py::type_error("InStrR takes at most 4 arguments");
            return self.InStrR(Optional(args, 0), Optional(args, 1), Optional(args, 2), Optional(args, 3));
          },
          "The last position of find in target, as InStrRev: (target, find[, compare]) or (limit, target, find[, "
          "compare]).\nMissing leading arguments raise eeMissingParameter.")
      .def("CharFromStr", &GUtility::CharFromStr, "sTarget"_a, "iPos"_a = 1,
           "The code unit at the 1-based iPos as a signed 16-bit value. A position outside the string raises 5.")
      .def(
          "CharToStr",
          [](GUtility& self, std::u16string sTarget, int16_t ch, int32_t iPos) {
            self.CharToStr(sTarget, ch, iPos);
            return sTarget;
          },
          "sTarget"_a, "ch"_a, "iPos"_a = 1,
          "Returns sTarget with the code unit ch at the 1-based iPos. A position outside the string raises 5.")
      .def(
          "InsertChar",
          [](GUtility& self, std::u16string sTarget, const std::u16string& sChar, int16_t iPos) {
            self.InsertChar(sTarget, sChar, iPos);
            return sTarget;
          },
          "sTarget"_a, "sChar"_a, "iPos"_a,
          "Returns sTarget with the character at the 1-based iPos replaced by the first one of sChar. A position "
          "outside raises 5.")
      .def("WordWrap", &GUtility::WordWrap, "sText"_a, "cMax"_a,
           "sText in lines of about cMax characters, broken after a space, TAB, CR or LF and ended by CR LF.")
      .def(
          "LineWrap",
          [](GUtility& self, const std::u16string& sText, int16_t cMax) {
            return FromVariant(self.LineWrap(sText, cMax));
          },
          "sText"_a, "cMax"_a,
          "sText in lines of at most cMax characters broken at spaces, continuations indented by three spaces.")
      .def(
          "GetNextLine", [](GUtility& self, const std::u16string& sSource) { return self.GetNextLine(sSource); },
          "sSource"_a = std::u16string(),
          "The next line of the text last given, CR LF included; \"\" once it is used up. A non-empty sSource starts "
          "over.")
      .def("RTrimLine", &GUtility::RTrimLine, "sLine"_a, "sLine without one trailing CR LF.")
      .def(
          "Among",
          [](GUtility& self, const py::object& vTarget, const py::args& args) {
            std::vector<Variant> values;
            for (auto a : args) values.push_back(ToVariant(a));
            return self.Among(ToVariant(vTarget), std::span<const Variant>(values));
          },
          "vTarget"_a, "True when vTarget equals one of the further arguments, compared as Variants.")
      .def(
          "CollectionReplace",
          [](GUtility& self, Collection& n, const py::object& vIndex, const py::object& vVal) {
            self.CollectionReplace(n, ToVariant(vIndex), ToVariant(vVal));
          },
          "n"_a, "vIndex"_a, "vVal"_a,
          "Replaces the item of n at position vIndex (it loses any key) or under key vIndex (it moves to the "
          "end).\nChanges n in place; the collection's errors pass through.")
      .def(
          "StrToStrB", [](GUtility& self, const std::u16string& s) { return Bytes(self.StrToStrB(s)); }, "s"_a,
          "The Windows-1252 bytes of s.")
      .def(
          "StrBToStr", [](GUtility& self, const py::bytes& s) { return self.StrBToStr(s.cast<std::string>()); }, "s"_a,
          "The text of the Windows-1252 bytes s.")
      .def("StrZToStr", &GUtility::StrZToStr, "s"_a, "s up to its first NUL.")
      .def(
          "HexDump", [](GUtility& self, const py::object& ab, EHexDump f) { return self.HexDump(ToByteArray(ab), f); },
          "ab"_a, "ehdFmt"_a = ehdOneColumn, "A hex dump of the byte array ab in one of the EHexDump layouts.")
      .def("HexDumpS", &GUtility::HexDumpS, "s"_a, "ehdFmt"_a = ehdOneColumn,
           "A hex dump of the Windows-1252 bytes of s.")
      .def("HexDumpB", &GUtility::HexDumpB, "s"_a, "ehdFmt"_a = ehdOneColumn,
           "A hex dump of the UTF-16 code units of s, low byte first.")
      // System and miscellaneous.
      .def_property_readonly("sNullChr", &GUtility::sNullChr, "A string of one NUL character.")
      .def(
          "IsArrayEmpty", [](GUtility& self, const py::object& va) { return self.IsArrayEmpty(ToVariant(va)); }, "va"_a,
          "True when va is no array, an empty array or an array of two dimensions.")
      .def("HasShell", &GUtility::HasShell, "True when the platform's major version is 4 or more.")
      .def("IsNT", &GUtility::IsNT, "True for the NT family of the platform's version query.")
      .def("IsExe", &GUtility::IsExe,
           "False when the host's executable path ends in \"VB5.EXE\" (case ignored), True otherwise.")
      .def("SwapBytes", &GUtility::SwapBytes, "b1"_a, "b2"_a,
           "Takes copies and so changes nothing; kept for hosts that call it.")
      .def("SwapIntegers", &GUtility::SwapIntegers, "w1"_a, "w2"_a,
           "Takes copies and so changes nothing; kept for hosts that call it.")
      .def("SwapLongs", &GUtility::SwapLongs, "dw1"_a, "dw2"_a,
           "Takes copies and so changes nothing; kept for hosts that call it.")
      .def("DoWaitEvents", &GUtility::DoWaitEvents, "msWait"_a, py::call_guard<py::gil_scoped_release>(),
           "Processes pending user-interface events until msWait milliseconds have passed, at least once.\nOverflow "
           "(6) when the deadline does not fit in 32 bits.")
      .def("GetRandom", &GUtility::GetRandom, "iLo"_a, "iHi"_a,
           "A random integer from iLo to iHi. Overflow (6) when iHi - iLo + 1 does not fit in 32 bits.")
      .def("CoreRandomize", &GUtility::CoreRandomize, "Number"_a = 0,
           "Reseeds the thread's random generator from Number.")
      .def(
          "CoreRnd", [](GUtility& self, int32_t Number) { return FromVariant(self.CoreRnd(Number)); }, "Number"_a = 0,
          "A random float: negative Number gives the value belonging to it, 0 repeats the last, positive gives the "
          "next.")
      .def(
          "HourGlass",
          [](GUtility& self, py::object obj) {
            PyObjectAdapter adapter(std::move(obj));
            CallbackScope::Run([&] { self.HourGlass(adapter); });
          },
          "obj"_a,
          "Toggles obj.MousePointer between the hourglass (11) and the value it had.\nRaises eeNoMousePointer (13001) "
          "when the property cannot be read or set.")
      .def(
          "GetOption",
          [](GUtility& self, py::object opts) {
            const PyObjectAdapter adapter(std::move(opts));
            return CallbackScope::Run([&] { return self.GetOption(adapter); });
          },
          "opts"_a,
          "The Index of the first item of opts whose Value is True.\nRaises eeNoTrueOption (13002) when none is, "
          "eeNotOptionArray (13003) when the items cannot be read.")
      .def(
          "xRight",
          [](GUtility& self, py::object obj) {
            PyObjectAdapter adapter(std::move(obj));
            return CallbackScope::Run([&] { return self.xRight(adapter); });
          },
          "obj"_a, "obj.Left + obj.Width.")
      .def(
          "yBottom",
          [](GUtility& self, py::object obj) {
            PyObjectAdapter adapter(std::move(obj));
            return CallbackScope::Run([&] { return self.yBottom(adapter); });
          },
          "obj"_a, "obj.Top + obj.Height.")
      .def("TranslateColor", &GUtility::TranslateColor, "clr"_a, "hPal"_a = 0,
           "The RGB value (0x00BBGGRR) of an Automation colour (RGB, or 0x80000000 + a system colour).\nAn invalid "
           "colour or a palette raises E_INVALIDARG (0x80070057).");
}

void BindGBytes(py::module_& m) {
  py::class_<GBytes>(m, "GBytes")
      .def(py::init<>())
      .def(
          "StrToBytes",
          [](GBytes& self, const py::object& ab, std::u16string s) {
            ByteArray bytes = ToByteArray(ab);
            self.StrToBytes(bytes, s);
            return py::make_tuple(FromByteArray(bytes), s);
          },
          "ab"_a, "s"_a,
          "Fills ab with the bytes of s; a sized array keeps its length and s is padded with NULs or cut to "
          "it.\nReturns (ab, s).")
      .def(
          "StrToBytesV", [](GBytes& self, const std::u16string& s) { return FromVariant(self.StrToBytesV(s)); }, "s"_a,
          "The Windows-1252 bytes of s.")
      .def(
          "BytesToStr", [](GBytes& self, const py::object& ab) { return self.BytesToStr(ToByteArray(ab)); }, "ab"_a,
          "The text of the bytes of ab.")
      .def(
          "ByteZToStr", [](GBytes& self, const py::object& ab) { return self.ByteZToStr(ToByteArray(ab)); }, "ab"_a,
          "The text of the bytes of ab, up to the first NUL.")
      .def(
          "BytesToWord",
          [](GBytes& self, const py::object& ab, int32_t off) { return self.BytesToWord(ToByteArray(ab), off); },
          "abBuf"_a, "iOffset"_a,
          "The signed 16-bit little-endian value at iOffset of abBuf. A field outside the array raises 9.")
      .def(
          "BytesToDWord",
          [](GBytes& self, const py::object& ab, int32_t off) { return self.BytesToDWord(ToByteArray(ab), off); },
          "abBuf"_a, "iOffset"_a,
          "The signed 32-bit little-endian value at iOffset of abBuf. A field outside the array raises 9.")
      .def(
          "BytesFromWord",
          [](GBytes& self, int16_t w, const py::object& ab, int32_t off) {
            ByteArray bytes = ToByteArray(ab);
            self.BytesFromWord(w, bytes, off);
            return FromByteArray(bytes);
          },
          "w"_a, "abBuf"_a, "iOffset"_a,
          "Returns abBuf with w written little-endian at iOffset. A field outside the array raises 9.")
      .def(
          "BytesFromDWord",
          [](GBytes& self, int32_t dw, const py::object& ab, int32_t off) {
            ByteArray bytes = ToByteArray(ab);
            self.BytesFromDWord(dw, bytes, off);
            return FromByteArray(bytes);
          },
          "dw"_a, "abBuf"_a, "iOffset"_a,
          "Returns abBuf with dw written little-endian at iOffset. A field outside the array raises 9.")
      .def(
          "BytesToPStr",
          [](GBytes& self, const py::object& ab, int32_t off) { return self.BytesToPStr(ToByteArray(ab), off); },
          "ab"_a, "iOffset"_a,
          "The text whose length is the byte at iOffset and which follows it (0: every byte after it). Outside the "
          "array: 9.")
      .def(
          "LenBytes", [](GBytes& self, const py::object& ab) { return self.LenBytes(ToByteArray(ab)); }, "ab"_a,
          "The number of elements of ab; 9 for an array never sized.")
      .def(
          "MidBytes",
          [](GBytes& self, const py::object& ab, int32_t off, int32_t len, bool toNull) {
            return self.MidBytes(ToByteArray(ab), off, len, toNull);
          },
          "ab"_a, "iOffset"_a, "iLen"_a = 0, "fToNull"_a = false,
          "The text of iLen bytes from iOffset (below 1: the rest); with fToNull it stops at the first NUL.\nA field "
          "outside the array raises 9.")
      .def(
          "InsBytes",
          [](GBytes& self, std::u16string sIns, const py::object& ab, int32_t off, int32_t len) {
            ByteArray bytes = ToByteArray(ab);
            self.InsBytes(sIns, bytes, off, len);
            return py::make_tuple(sIns, FromByteArray(bytes));
          },
          "sIns"_a, "ab"_a, "iOffset"_a, "iLen"_a = 0,
          "Writes sIns into ab from iOffset: exactly iLen bytes when iLen > 0 (sIns padded with NULs or cut), else all "
          "of it.\nReturns (sIns, ab). A field outside the array raises 9.")
      .def(
          "LeftBytes",
          [](GBytes& self, const py::object& ab, int32_t len) { return self.LeftBytes(ToByteArray(ab), len); }, "ab"_a,
          "iLen"_a, "The text of the first iLen bytes of ab. A field outside the array raises 9, a negative length 5.")
      .def(
          "RightBytes",
          [](GBytes& self, const py::object& ab, int32_t len) { return self.RightBytes(ToByteArray(ab), len); }, "ab"_a,
          "iLen"_a, "The text of the last iLen bytes of ab. A field outside the array raises 9, a negative length 5.")
      .def(
          "FillBytes",
          [](GBytes& self, const py::object& ab, uint8_t b, int32_t off, int32_t len) {
            ByteArray bytes = ToByteArray(ab);
            self.FillBytes(bytes, b, off, len);
            return FromByteArray(bytes);
          },
          "ab"_a, "b"_a, "iOffset"_a, "iLen"_a,
          "Returns ab with iLen elements from iOffset set to b. The first index outside the array raises 9.")
      .def("LoWord", &GBytes::LoWord, "dw"_a, "The low 16 bits of dw, signed.")
      .def("HiWord", &GBytes::HiWord, "dw"_a, "The high 16 bits of dw, signed.")
      .def("LoByte", &GBytes::LoByte, "w"_a, "The low byte of w.")
      .def("HiByte", &GBytes::HiByte, "w"_a, "The high byte of w.")
      .def("MakeWord", &GBytes::MakeWord, "bLo"_a, "bHi"_a, "The 16-bit value with the bytes bLo and bHi.")
      .def("MakeDWord", &GBytes::MakeDWord, "wLo"_a, "wHi"_a, "The 32-bit value with the words wLo and wHi.")
      .def("LShiftWord", &GBytes::LShiftWord, "w"_a, "c"_a,
           "w shifted left by c bits. Overflow (6) when it does not fit in 32 bits; c outside 0..31 raises 9.")
      .def("RShiftWord", &GBytes::RShiftWord, "w"_a, "c"_a,
           "w shifted right by c bits, zeros coming in at the top; c outside 0..31 raises 9.")
      .def("LShiftDWord", &GBytes::LShiftDWord, "dw"_a, "c"_a, "dw * 2^c, or -1 when that does not fit in 32 bits.")
      .def("RShiftDWord", &GBytes::RShiftDWord, "dw"_a, "c"_a, "dw / 2^c rounded toward zero (-7 by 1 gives -3).")
      .def(
          "SetBitWord",
          [](GBytes& self, bool iTest, int16_t iValue, int16_t iBitPos) {
            self.SetBitWord(iTest, iValue, iBitPos);
            return iValue;
          },
          "iTest"_a, "iValue"_a, "iBitPos"_a,
          "Returns iValue with bit iBitPos set when iTest is True, cleared otherwise. A position outside 0..31 raises "
          "9.")
      .def(
          "SetBitDWord",
          [](GBytes& self, bool iTest, int32_t iValue, int16_t iBitPos) {
            self.SetBitDWord(iTest, iValue, iBitPos);
            return iValue;
          },
          "iTest"_a, "iValue"_a, "iBitPos"_a,
          "Returns iValue with bit iBitPos set when iTest is True, cleared otherwise. A position outside 0..31 raises "
          "9.")
      .def("GetBit", &GBytes::GetBit, "iValue"_a, "iBitPos"_a,
           "True when bit iBitPos of iValue is set. A position outside 0..31 raises 9.")
      .def("SwapWordBytes", &GBytes::SwapWordBytes, "w"_a, "w with its two bytes swapped.")
      .def("SwapDWordWords", &GBytes::SwapDWordWords, "dw"_a, "dw with its two words swapped.")
      .def("SwapEndian", &GBytes::SwapEndian, "dw"_a, "dw little-endian to big-endian and back.")
      .def("VBGetLogicalDrives", &GBytes::VBGetLogicalDrives,
           "26 characters, one per drive letter from A: \"+\" where the drive exists, \"-\" where not (Linux: C only).")
      .def("Power2", &GBytes::Power2, "i"_a, "2^i for i in 0..30 and -2147483648 for 31. Outside raises 9.");
}

void BindGCommonDialog(py::module_& m) {
  py::class_<GCommonDialog>(m, "GCommonDialog")
      .def(py::init<>())
      .def(
          "VBGetOpenFileName",
          [](GCommonDialog& self, std::u16string FileName, std::u16string FileTitle, bool FileMustExist,
             bool MultiSelect, bool ReadOnly, bool HideReadOnly, std::u16string filter, int32_t FilterIndex,
             const std::u16string& InitDir, const std::u16string& DlgTitle, const std::u16string& DefaultExt,
             int32_t Owner, int32_t Flags) {
            const bool ok = WithoutGil([&] {
              return self.VBGetOpenFileName(FileName, FileTitle, FileMustExist, MultiSelect, ReadOnly, HideReadOnly, filter,
                                            FilterIndex, InitDir, DlgTitle, DefaultExt, Owner, Flags);
            });
            return py::make_tuple(ok, FileName, FileTitle, ReadOnly, filter, FilterIndex, Flags);
          },
          "FileName"_a = std::u16string(), "FileTitle"_a = std::u16string(), "FileMustExist"_a = true,
          "MultiSelect"_a = false, "ReadOnly"_a = false, "HideReadOnly"_a = false,
          "filter"_a = std::u16string(u"All (*.*)| *.*"), "FilterIndex"_a = 1, "InitDir"_a = std::u16string(),
          "DlgTitle"_a = std::u16string(), "DefaultExt"_a = std::u16string(), "Owner"_a = -1, "Flags"_a = 0,
          "Shows the open dialog. Returns (ok, FileName, FileTitle, ReadOnly, filter, FilterIndex, Flags).\nA FileName "
          "or FileTitle over 260 characters raises 5.")
      .def(
          "VBGetSaveFileName",
          [](GCommonDialog& self, std::u16string FileName, std::u16string FileTitle, bool OverWritePrompt,
             std::u16string filter, int32_t FilterIndex, const std::u16string& InitDir, const std::u16string& DlgTitle,
             const std::u16string& DefaultExt, int32_t Owner, int32_t Flags) {
            const bool ok = WithoutGil([&] {
              return self.VBGetSaveFileName(FileName, FileTitle, OverWritePrompt, filter, FilterIndex, InitDir, DlgTitle,
                                            DefaultExt, Owner, Flags);
            });
            return py::make_tuple(ok, FileName, FileTitle, filter, FilterIndex, Flags);
          },
          "FileName"_a = std::u16string(), "FileTitle"_a = std::u16string(), "OverWritePrompt"_a = true,
          "filter"_a = std::u16string(u"All (*.*)| *.*"), "FilterIndex"_a = 1, "InitDir"_a = std::u16string(),
          "DlgTitle"_a = std::u16string(), "DefaultExt"_a = std::u16string(), "Owner"_a = -1, "Flags"_a = 0,
          "Shows the save dialog. Returns (ok, FileName, FileTitle, filter, FilterIndex, Flags).\nA FileName or "
          "FileTitle over 260 characters raises 5.")
      .def("VBGetFileTitle", &GCommonDialog::VBGetFileTitle, "sFile"_a,
           "The display title (the name) of sFile; \"\" when the platform cannot form one.")
      .def(
          "VBChooseColor",
          [](GCommonDialog& self, int32_t Color, bool AnyColor, bool FullOpen, bool DisableFullOpen, int32_t Owner,
             int32_t Flags) {
            const bool ok =
                WithoutGil([&] { return self.VBChooseColor(Color, AnyColor, FullOpen, DisableFullOpen, Owner, Flags); });
            return py::make_tuple(ok, Color);
          },
          "Color"_a = 0, "AnyColor"_a = true, "FullOpen"_a = false, "DisableFullOpen"_a = false, "Owner"_a = -1,
          "Flags"_a = 0, "Shows the colour dialog. Returns (ok, Color): Color is 0x00BBGGRR, or -1 on cancel.")
      .def("CustomColor", py::overload_cast<int16_t>(&GCommonDialog::CustomColor), "i"_a,
           "Custom colour slot i (0 to 15); -1 for another i.")
      .def("CustomColor", py::overload_cast<int16_t, int32_t>(&GCommonDialog::CustomColor), "i"_a, "value"_a,
           "Sets custom colour slot i (0 to 15) to value; another i does nothing.")
      .def(
          "VBChooseFont",
          [](GCommonDialog& self, py::object CurFont, int32_t PrinterDC, int32_t Owner, int32_t Color, int32_t MinSize,
             int32_t MaxSize, int32_t Flags) {
            PyObjectAdapter font(std::move(CurFont));
            const bool ok = CallbackScope::Run(
                [&] { return self.VBChooseFont(font, PrinterDC, Owner, Color, MinSize, MaxSize, Flags); });
            return py::make_tuple(ok, PrinterDC, Color, Flags);
          },
          "CurFont"_a, "PrinterDC"_a = -1, "Owner"_a = -1, "Color"_a = 0, "MinSize"_a = 0, "MaxSize"_a = 0,
          "Flags"_a = 0,
          "Shows the font dialog and updates CurFont (Name, Size, Bold, ...) on success.\nReturns (ok, PrinterDC, "
          "Color, Flags).")
      .def(
          "VBPrintDlg",
          [](GCommonDialog& self, EPrintRange PrintRange, bool DisablePageNumbers, int32_t FromPage, int32_t ToPage,
             bool DisableSelection, int16_t Copies, bool ShowPrintToFile, bool DisablePrintToFile, bool PrintToFile,
             bool Collate, bool PreventWarning, int32_t Owner, py::object Printer, int32_t Flags) {
            int32_t hDC = 0;
            std::optional<PyObjectAdapter> printer;
            if (!Printer.is_none()) printer.emplace(std::move(Printer));
            const bool ok = CallbackScope::Run([&] {
              return self.VBPrintDlg(hDC, PrintRange, DisablePageNumbers, FromPage, ToPage, DisableSelection, Copies,
                                     ShowPrintToFile, DisablePrintToFile, PrintToFile, Collate, PreventWarning, Owner,
                                     printer ? &*printer : nullptr, Flags);
            });
            return py::make_tuple(ok, hDC, PrintRange, FromPage, ToPage, Copies, PrintToFile, Collate);
          },
          "PrintRange"_a = eprAll, "DisablePageNumbers"_a = false, "FromPage"_a = 1, "ToPage"_a = -1,
          "DisableSelection"_a = false, "Copies"_a = int16_t{0}, "ShowPrintToFile"_a = false,
          "DisablePrintToFile"_a = true, "PrintToFile"_a = false, "Collate"_a = false, "PreventWarning"_a = false,
          "Owner"_a = 0, "Printer"_a = py::none(), "Flags"_a = 0,
          "Shows the print dialog. Returns (ok, hDC, PrintRange, FromPage, ToPage, Copies, PrintToFile, "
          "Collate).\nPages outside -32768..32767 raise 6.")
      .def(
          "VBPageSetupDlg",
          [](GCommonDialog& self, int32_t Owner, bool DisableMargins, bool DisableOrientation, bool DisablePaper,
             bool DisablePrinter, int32_t LeftMargin, int32_t MinLeftMargin, int32_t RightMargin,
             int32_t MinRightMargin, int32_t TopMargin, int32_t MinTopMargin, int32_t BottomMargin,
             int32_t MinBottomMargin, EPaperSize PaperSize, EOrientation Orientation, EPrintQuality PrintQuality,
             EPageSetupUnits Units, py::object Printer, int32_t Flags) {
            std::optional<PyObjectAdapter> printer;
            if (!Printer.is_none()) printer.emplace(std::move(Printer));
            const bool ok = CallbackScope::Run([&] {
              return self.VBPageSetupDlg(Owner, DisableMargins, DisableOrientation, DisablePaper, DisablePrinter,
                                         LeftMargin, MinLeftMargin, RightMargin, MinRightMargin, TopMargin,
                                         MinTopMargin, BottomMargin, MinBottomMargin, PaperSize, Orientation,
                                         PrintQuality, Units, printer ? &*printer : nullptr, Flags);
            });
            return py::make_tuple(ok, LeftMargin, MinLeftMargin, RightMargin, MinRightMargin, TopMargin, MinTopMargin,
                                  BottomMargin, MinBottomMargin, PaperSize, Orientation, PrintQuality);
          },
          "Owner"_a = 0, "DisableMargins"_a = false, "DisableOrientation"_a = false, "DisablePaper"_a = false,
          "DisablePrinter"_a = false, "LeftMargin"_a = 0, "MinLeftMargin"_a = 0, "RightMargin"_a = 0,
          "MinRightMargin"_a = 0, "TopMargin"_a = 0, "MinTopMargin"_a = 0, "BottomMargin"_a = 0,
          "MinBottomMargin"_a = 0, "PaperSize"_a = epsLetter, "Orientation"_a = eoPortrait, "PrintQuality"_a = epqDraft,
          "Units"_a = epsuInches, "Printer"_a = py::none(), "Flags"_a = 0,
          "Shows the page-setup dialog. Returns (ok, LeftMargin, MinLeftMargin, RightMargin, MinRightMargin, "
          "TopMargin,\nMinTopMargin, BottomMargin, MinBottomMargin, PaperSize, Orientation, PrintQuality). A margin "
          "too large raises 6.");
}

}  // namespace

void BindUtilityClasses(py::module_& m) {
  BindCollection(m);
  BindGUtility(m);
  BindGBytes(m);
  BindGCommonDialog(m);
}

}  // namespace vellora2::python
