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
          "item"_a, "key"_a = py::none(), "before"_a = py::none(), "after"_a = py::none())
      .def_property_readonly("Count", &Collection::Count)
      .def(
          "Item",
          [](const Collection& self, const Index& index) {
            return FromVariant(std::visit([&](const auto& i) -> const Variant& { return self.Item(i); }, index));
          },
          "index"_a)
      .def(
          "Remove", [](Collection& self, const Index& index) { std::visit([&](const auto& i) { self.Remove(i); }, index); },
          "index"_a)
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
      .def("NormalizePath", &GUtility::NormalizePath, "sPath"_a)
      .def(
          "DenormalizePath",
          [](GUtility& self, const py::object& sPath) {
            Variant v = ToVariant(sPath);
            self.DenormalizePath(v);
            return FromVariant(v);
          },
          "sPath"_a)
      .def("GetExtPos", &GUtility::GetExtPos, "sSpec"_a)
      .def("GetFullPath", py::overload_cast<std::u16string_view>(&GUtility::GetFullPath), "sFileName"_a)
      .def(
          "GetFullPath",
          [](GUtility& self, const std::u16string& sFileName, int32_t FilePart, int32_t ExtPart, int32_t DirPart) {
            std::u16string full = self.GetFullPath(sFileName, FilePart, ExtPart, DirPart);
            return py::make_tuple(full, FilePart, ExtPart, DirPart);
          },
          "sFileName"_a, "FilePart"_a, "ExtPart"_a, "DirPart"_a)
      .def("GetFileBase", &GUtility::GetFileBase, "sFile"_a)
      .def("GetFileBaseExt", &GUtility::GetFileBaseExt, "sFile"_a)
      .def("GetFileExt", &GUtility::GetFileExt, "sFile"_a)
      .def("GetFileDir", &GUtility::GetFileDir, "sFile"_a)
      .def("GetFileFullSpec", &GUtility::GetFileFullSpec, "sFile"_a)
      .def(
          "SearchDirs",
          [](GUtility& self, const std::u16string& sFileName, const std::u16string& Ext, const std::u16string& Path) {
            return self.SearchDirs(sFileName, Ext, Path);
          },
          "sFileName"_a, "Ext"_a = std::u16string(), "Path"_a = std::u16string())
      .def(
          "SearchDirs",
          [](GUtility& self, const std::u16string& sFileName, const std::u16string& Ext, const std::u16string& Path, int32_t FilePart,
             int32_t ExtPart, int32_t DirPart) {
            std::u16string found = self.SearchDirs(sFileName, Ext, Path, FilePart, ExtPart, DirPart);
            return py::make_tuple(found, FilePart, ExtPart, DirPart);
          },
          "sFileName"_a, "Ext"_a, "Path"_a, "FilePart"_a, "ExtPart"_a, "DirPart"_a)
      .def("SearchForExe", &GUtility::SearchForExe, "sName"_a)
      .def("GetTempDir", &GUtility::GetTempDir)
      .def(
          "GetTempFile", [](GUtility& self, const std::u16string& Prefix) { return self.GetTempFile(Prefix); },
          "Prefix"_a = std::u16string())
      .def(
          "GetTempFile",
          [](GUtility& self, const std::u16string& Prefix, std::u16string PathName) {
            std::u16string file = self.GetTempFile(Prefix, PathName);
            return py::make_tuple(file, PathName);
          },
          "Prefix"_a, "PathName"_a)
      .def("ExpandEnvStr", &GUtility::ExpandEnvStr, "sData"_a)
      .def("GetLabel", &GUtility::GetLabel, "sRoot"_a)
      .def("ExistFile", &GUtility::ExistFile, "sSpec"_a)
      .def("ExistFileDir", &GUtility::ExistFileDir, "sSpec"_a)
      .def("Exists", &GUtility::Exists, "sSpec"_a)
      .def("GetFileText", &GUtility::GetFileText, "sFileName"_a)
      .def("IsRTF", &GUtility::IsRTF, "sFileName"_a)
      .def("SaveFileStr", &GUtility::SaveFileStr, "sFile"_a, "sContent"_a)
      .def("SaveFileText", &GUtility::SaveFileText, "sFileName"_a, "sText"_a)
      // Strings and text.
      .def("FmtHex", &GUtility::FmtHex, "i"_a, "iWidth"_a = 8)
      .def("FmtInt", &GUtility::FmtInt, "iVal"_a, "iWidth"_a, "fRight"_a = true)
      .def("FmtStr", &GUtility::FmtStr, "s"_a, "iWidth"_a, "fRight"_a = true)
      .def("FindString", &GUtility::FindString, "sTarget"_a, "sFind"_a, "iPos"_a = 0, "esoOptions"_a = 0)
      .def("InStrR",
           [](GUtility& self, const py::args& args) {
             if (args.size() > 4) throw py::type_error("InStrR takes at most 4 arguments");
             return self.InStrR(Optional(args, 0), Optional(args, 1), Optional(args, 2), Optional(args, 3));
           })
      .def("CharFromStr", &GUtility::CharFromStr, "sTarget"_a, "iPos"_a = 1)
      .def(
          "CharToStr",
          [](GUtility& self, std::u16string sTarget, int16_t ch, int32_t iPos) {
            self.CharToStr(sTarget, ch, iPos);
            return sTarget;
          },
          "sTarget"_a, "ch"_a, "iPos"_a = 1)
      .def(
          "InsertChar",
          [](GUtility& self, std::u16string sTarget, const std::u16string& sChar, int16_t iPos) {
            self.InsertChar(sTarget, sChar, iPos);
            return sTarget;
          },
          "sTarget"_a, "sChar"_a, "iPos"_a)
      .def("WordWrap", &GUtility::WordWrap, "sText"_a, "cMax"_a)
      .def(
          "LineWrap", [](GUtility& self, const std::u16string& sText, int16_t cMax) { return FromVariant(self.LineWrap(sText, cMax)); },
          "sText"_a, "cMax"_a)
      .def(
          "GetNextLine", [](GUtility& self, const std::u16string& sSource) { return self.GetNextLine(sSource); },
          "sSource"_a = std::u16string())
      .def("RTrimLine", &GUtility::RTrimLine, "sLine"_a)
      .def(
          "Among",
          [](GUtility& self, const py::object& vTarget, const py::args& args) {
            std::vector<Variant> values;
            for (auto a : args) values.push_back(ToVariant(a));
            return self.Among(ToVariant(vTarget), std::span<const Variant>(values));
          },
          "vTarget"_a)
      .def(
          "CollectionReplace",
          [](GUtility& self, Collection& n, const py::object& vIndex, const py::object& vVal) {
            self.CollectionReplace(n, ToVariant(vIndex), ToVariant(vVal));
          },
          "n"_a, "vIndex"_a, "vVal"_a)
      .def(
          "StrToStrB", [](GUtility& self, const std::u16string& s) { return Bytes(self.StrToStrB(s)); }, "s"_a)
      .def(
          "StrBToStr", [](GUtility& self, const py::bytes& s) { return self.StrBToStr(s.cast<std::string>()); }, "s"_a)
      .def("StrZToStr", &GUtility::StrZToStr, "s"_a)
      .def(
          "HexDump", [](GUtility& self, const py::object& ab, EHexDump f) { return self.HexDump(ToByteArray(ab), f); }, "ab"_a,
          "ehdFmt"_a = ehdOneColumn)
      .def("HexDumpS", &GUtility::HexDumpS, "s"_a, "ehdFmt"_a = ehdOneColumn)
      .def("HexDumpB", &GUtility::HexDumpB, "s"_a, "ehdFmt"_a = ehdOneColumn)
      // System and miscellaneous.
      .def_property_readonly("sNullChr", &GUtility::sNullChr)
      .def(
          "IsArrayEmpty", [](GUtility& self, const py::object& va) { return self.IsArrayEmpty(ToVariant(va)); }, "va"_a)
      .def("HasShell", &GUtility::HasShell)
      .def("IsNT", &GUtility::IsNT)
      .def("IsExe", &GUtility::IsExe)
      .def("SwapBytes", &GUtility::SwapBytes, "b1"_a, "b2"_a)
      .def("SwapIntegers", &GUtility::SwapIntegers, "w1"_a, "w2"_a)
      .def("SwapLongs", &GUtility::SwapLongs, "dw1"_a, "dw2"_a)
      .def("DoWaitEvents", &GUtility::DoWaitEvents, "msWait"_a, py::call_guard<py::gil_scoped_release>())
      .def("GetRandom", &GUtility::GetRandom, "iLo"_a, "iHi"_a)
      .def("CoreRandomize", &GUtility::CoreRandomize, "Number"_a = 0)
      .def(
          "CoreRnd", [](GUtility& self, int32_t Number) { return FromVariant(self.CoreRnd(Number)); }, "Number"_a = 0)
      .def(
          "HourGlass",
          [](GUtility& self, py::object obj) {
            PyObjectAdapter adapter(std::move(obj));
            CallbackScope::Run([&] { self.HourGlass(adapter); });
          },
          "obj"_a)
      .def(
          "GetOption",
          [](GUtility& self, py::object opts) {
            const PyObjectAdapter adapter(std::move(opts));
            return CallbackScope::Run([&] { return self.GetOption(adapter); });
          },
          "opts"_a)
      .def(
          "xRight",
          [](GUtility& self, py::object obj) {
            PyObjectAdapter adapter(std::move(obj));
            return CallbackScope::Run([&] { return self.xRight(adapter); });
          },
          "obj"_a)
      .def(
          "yBottom",
          [](GUtility& self, py::object obj) {
            PyObjectAdapter adapter(std::move(obj));
            return CallbackScope::Run([&] { return self.yBottom(adapter); });
          },
          "obj"_a)
      .def("TranslateColor", &GUtility::TranslateColor, "clr"_a, "hPal"_a = 0);
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
          "ab"_a, "s"_a)
      .def(
          "StrToBytesV", [](GBytes& self, const std::u16string& s) { return FromVariant(self.StrToBytesV(s)); }, "s"_a)
      .def(
          "BytesToStr", [](GBytes& self, const py::object& ab) { return self.BytesToStr(ToByteArray(ab)); }, "ab"_a)
      .def(
          "ByteZToStr", [](GBytes& self, const py::object& ab) { return self.ByteZToStr(ToByteArray(ab)); }, "ab"_a)
      .def(
          "BytesToWord", [](GBytes& self, const py::object& ab, int32_t off) { return self.BytesToWord(ToByteArray(ab), off); },
          "abBuf"_a, "iOffset"_a)
      .def(
          "BytesToDWord",
          [](GBytes& self, const py::object& ab, int32_t off) { return self.BytesToDWord(ToByteArray(ab), off); }, "abBuf"_a,
          "iOffset"_a)
      .def(
          "BytesFromWord",
          [](GBytes& self, int16_t w, const py::object& ab, int32_t off) {
            ByteArray bytes = ToByteArray(ab);
            self.BytesFromWord(w, bytes, off);
            return FromByteArray(bytes);
          },
          "w"_a, "abBuf"_a, "iOffset"_a)
      .def(
          "BytesFromDWord",
          [](GBytes& self, int32_t dw, const py::object& ab, int32_t off) {
            ByteArray bytes = ToByteArray(ab);
            self.BytesFromDWord(dw, bytes, off);
            return FromByteArray(bytes);
          },
          "dw"_a, "abBuf"_a, "iOffset"_a)
      .def(
          "BytesToPStr", [](GBytes& self, const py::object& ab, int32_t off) { return self.BytesToPStr(ToByteArray(ab), off); },
          "ab"_a, "iOffset"_a)
      .def(
          "LenBytes", [](GBytes& self, const py::object& ab) { return self.LenBytes(ToByteArray(ab)); }, "ab"_a)
      .def(
          "MidBytes",
          [](GBytes& self, const py::object& ab, int32_t off, int32_t len, bool toNull) {
            return self.MidBytes(ToByteArray(ab), off, len, toNull);
          },
          "ab"_a, "iOffset"_a, "iLen"_a = 0, "fToNull"_a = false)
      .def(
          "InsBytes",
          [](GBytes& self, std::u16string sIns, const py::object& ab, int32_t off, int32_t len) {
            ByteArray bytes = ToByteArray(ab);
            self.InsBytes(sIns, bytes, off, len);
            return py::make_tuple(sIns, FromByteArray(bytes));
          },
          "sIns"_a, "ab"_a, "iOffset"_a, "iLen"_a = 0)
      .def(
          "LeftBytes", [](GBytes& self, const py::object& ab, int32_t len) { return self.LeftBytes(ToByteArray(ab), len); },
          "ab"_a, "iLen"_a)
      .def(
          "RightBytes", [](GBytes& self, const py::object& ab, int32_t len) { return self.RightBytes(ToByteArray(ab), len); },
          "ab"_a, "iLen"_a)
      .def(
          "FillBytes",
          [](GBytes& self, const py::object& ab, uint8_t b, int32_t off, int32_t len) {
            ByteArray bytes = ToByteArray(ab);
            self.FillBytes(bytes, b, off, len);
            return FromByteArray(bytes);
          },
          "ab"_a, "b"_a, "iOffset"_a, "iLen"_a)
      .def("LoWord", &GBytes::LoWord, "dw"_a)
      .def("HiWord", &GBytes::HiWord, "dw"_a)
      .def("LoByte", &GBytes::LoByte, "w"_a)
      .def("HiByte", &GBytes::HiByte, "w"_a)
      .def("MakeWord", &GBytes::MakeWord, "bLo"_a, "bHi"_a)
      .def("MakeDWord", &GBytes::MakeDWord, "wLo"_a, "wHi"_a)
      .def("LShiftWord", &GBytes::LShiftWord, "w"_a, "c"_a)
      .def("RShiftWord", &GBytes::RShiftWord, "w"_a, "c"_a)
      .def("LShiftDWord", &GBytes::LShiftDWord, "dw"_a, "c"_a)
      .def("RShiftDWord", &GBytes::RShiftDWord, "dw"_a, "c"_a)
      .def(
          "SetBitWord",
          [](GBytes& self, bool iTest, int16_t iValue, int16_t iBitPos) {
            self.SetBitWord(iTest, iValue, iBitPos);
            return iValue;
          },
          "iTest"_a, "iValue"_a, "iBitPos"_a)
      .def(
          "SetBitDWord",
          [](GBytes& self, bool iTest, int32_t iValue, int16_t iBitPos) {
            self.SetBitDWord(iTest, iValue, iBitPos);
            return iValue;
          },
          "iTest"_a, "iValue"_a, "iBitPos"_a)
      .def("GetBit", &GBytes::GetBit, "iValue"_a, "iBitPos"_a)
      .def("SwapWordBytes", &GBytes::SwapWordBytes, "w"_a)
      .def("SwapDWordWords", &GBytes::SwapDWordWords, "dw"_a)
      .def("SwapEndian", &GBytes::SwapEndian, "dw"_a)
      .def("VBGetLogicalDrives", &GBytes::VBGetLogicalDrives)
      .def("Power2", &GBytes::Power2, "i"_a);
}

void BindGCommonDialog(py::module_& m) {
  py::class_<GCommonDialog>(m, "GCommonDialog")
      .def(py::init<>())
      .def(
          "VBGetOpenFileName",
          [](GCommonDialog& self, std::u16string FileName, std::u16string FileTitle, bool FileMustExist, bool MultiSelect,
             bool ReadOnly, bool HideReadOnly, std::u16string filter, int32_t FilterIndex, const std::u16string& InitDir,
             const std::u16string& DlgTitle, const std::u16string& DefaultExt, int32_t Owner, int32_t Flags) {
            const bool ok = WithoutGil([&] {
              return self.VBGetOpenFileName(FileName, FileTitle, FileMustExist, MultiSelect, ReadOnly, HideReadOnly, filter,
                                            FilterIndex, InitDir, DlgTitle, DefaultExt, Owner, Flags);
            });
            return py::make_tuple(ok, FileName, FileTitle, ReadOnly, filter, FilterIndex, Flags);
          },
          "FileName"_a = std::u16string(), "FileTitle"_a = std::u16string(), "FileMustExist"_a = true,
          "MultiSelect"_a = false, "ReadOnly"_a = false, "HideReadOnly"_a = false,
          "filter"_a = std::u16string(u"All (*.*)| *.*"), "FilterIndex"_a = 1, "InitDir"_a = std::u16string(),
          "DlgTitle"_a = std::u16string(), "DefaultExt"_a = std::u16string(), "Owner"_a = -1, "Flags"_a = 0)
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
          "DlgTitle"_a = std::u16string(), "DefaultExt"_a = std::u16string(), "Owner"_a = -1, "Flags"_a = 0)
      .def("VBGetFileTitle", &GCommonDialog::VBGetFileTitle, "sFile"_a)
      .def(
          "VBChooseColor",
          [](GCommonDialog& self, int32_t Color, bool AnyColor, bool FullOpen, bool DisableFullOpen, int32_t Owner,
             int32_t Flags) {
            const bool ok =
                WithoutGil([&] { return self.VBChooseColor(Color, AnyColor, FullOpen, DisableFullOpen, Owner, Flags); });
            return py::make_tuple(ok, Color);
          },
          "Color"_a = 0, "AnyColor"_a = true, "FullOpen"_a = false, "DisableFullOpen"_a = false, "Owner"_a = -1,
          "Flags"_a = 0)
      .def("CustomColor", py::overload_cast<int16_t>(&GCommonDialog::CustomColor), "i"_a)
      .def("CustomColor", py::overload_cast<int16_t, int32_t>(&GCommonDialog::CustomColor), "i"_a, "value"_a)
      .def(
          "VBChooseFont",
          [](GCommonDialog& self, py::object CurFont, int32_t PrinterDC, int32_t Owner, int32_t Color, int32_t MinSize,
             int32_t MaxSize, int32_t Flags) {
            PyObjectAdapter font(std::move(CurFont));
            const bool ok = CallbackScope::Run(
                [&] { return self.VBChooseFont(font, PrinterDC, Owner, Color, MinSize, MaxSize, Flags); });
            return py::make_tuple(ok, PrinterDC, Color, Flags);
          },
          "CurFont"_a, "PrinterDC"_a = -1, "Owner"_a = -1, "Color"_a = 0, "MinSize"_a = 0, "MaxSize"_a = 0, "Flags"_a = 0)
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
          "Owner"_a = 0, "Printer"_a = py::none(), "Flags"_a = 0)
      .def(
          "VBPageSetupDlg",
          [](GCommonDialog& self, int32_t Owner, bool DisableMargins, bool DisableOrientation, bool DisablePaper,
             bool DisablePrinter, int32_t LeftMargin, int32_t MinLeftMargin, int32_t RightMargin, int32_t MinRightMargin,
             int32_t TopMargin, int32_t MinTopMargin, int32_t BottomMargin, int32_t MinBottomMargin,
             EPaperSize PaperSize, EOrientation Orientation, EPrintQuality PrintQuality, EPageSetupUnits Units,
             py::object Printer, int32_t Flags) {
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
          "Units"_a = epsuInches, "Printer"_a = py::none(), "Flags"_a = 0);
}

}  // namespace

void BindUtilityClasses(py::module_& m) {
  BindCollection(m);
  BindGUtility(m);
  BindGBytes(m);
  BindGCommonDialog(m);
}

}  // namespace vellora2::python
