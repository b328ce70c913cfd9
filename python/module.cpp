// The module vellora2: the library's Automation classes for Python scripts.
// docs/python.md says how Automation values and by-reference arguments map.
#include <pybind11/stl.h>

#include "python/convert.hpp"
#include "python/module.hpp"
#include "vellora2/dialogs/enums.hpp"
#include "vellora2/storage/errors.hpp"
#include "vellora2/util/enums.hpp"
#include "vellora2/version.hpp"

namespace vellora2::python {
namespace {

using namespace pybind11::literals;

// The value `value` converted to the subtype `type`, by the runtime's rules
// (CInt, CLng, ...): error 6 out of range, 13 for a value of another kind.
Variant Coerce(const Variant& value, VarType type) {
  switch (type) {
    case VarType::Empty: return Variant();
    case VarType::Null: return Variant(Null{});
    case VarType::Boolean: return Variant(value.ToBool());
    case VarType::Byte: return Variant(value.ToByte());
    case VarType::Integer: return Variant(value.ToInteger());
    case VarType::Long: return Variant(value.ToLong());
    case VarType::Single: return Variant(value.ToSingle());
    case VarType::Double: return Variant(value.ToDouble());
    case VarType::Date: return Variant(value.ToDate());
    case VarType::String: return Variant(value.ToString());
    case VarType::Error: return Variant(ErrorValue{value.ToLong()});
    case VarType::Object:
    case VarType::Variant: return value;
  }
  throw py::value_error("unknown subtype");
}

void BindVariant(py::module_& m) {
  py::enum_<VarType>(m, "VarType")
      .value("Empty", VarType::Empty)
      .value("Null", VarType::Null)
      .value("Integer", VarType::Integer)
      .value("Long", VarType::Long)
      .value("Single", VarType::Single)
      .value("Double", VarType::Double)
      .value("Date", VarType::Date)
      .value("String", VarType::String)
      .value("Object", VarType::Object)
      .value("Error", VarType::Error)
      .value("Boolean", VarType::Boolean)
      .value("Variant", VarType::Variant)
      .value("Byte", VarType::Byte);

  py::class_<Variant>(m, "Variant")
      .def(py::init([](const py::object& value, std::optional<VarType> type) {
             const Variant v = ToVariant(value);
             return type ? Coerce(v, *type) : v;
           }),
           "value"_a = py::none(), "vartype"_a = py::none())
      .def_property_readonly(
          "vartype", [](const Variant& v) { return v.type(); }, "The Automation subtype, a VarType.")
      .def_property_readonly("is_array", &Variant::IsArray, "True when the value is an array.")
      .def_property_readonly(
          "value",
          [](const Variant& v) {
            // Null and Error have no Python value of their own: None and the code.
            if (v.IsNull()) return py::object(py::none());
            if (const auto* e = v.get_if<ErrorValue>()) return py::object(py::int_(e->scode));
            if (v.IsObject()) return py::object(py::none());
            return FromVariant(v);
          },
          "The value as Python sees it (see the table of values in the module's documentation).")
      .def("__eq__", [](const Variant& a, const Variant& b) { return a == b; })
      .def("__repr__", [](const Variant& v) {
        const std::string type = py::str(py::cast(v.type()).attr("name")).cast<std::string>();
        if (v.IsNull() || v.IsEmpty() || v.IsObject()) return "Variant(" + type + ")";
        if (const auto* e = v.get_if<ErrorValue>()) return "Variant(Error " + std::to_string(e->scode) + ")";
        return "Variant(" + py::repr(FromVariant(v)).cast<std::string>() + ", " + type + ")";
      });
}

void BindEnums(py::module_& m) {
  py::enum_<ioErrors>(m, "ioErrors")
      .value("ioCancel", ioCancel)
      .value("ioBadFile", ioBadFile)
      .value("ioElementNotFound", ioElementNotFound)
      .value("ionotloaded", ionotloaded)
      .export_values();
  py::enum_<EErrorUtility>(m, "EErrorUtility")
      .value("eeBaseUtility", eeBaseUtility)
      .value("eeNoMousePointer", eeNoMousePointer)
      .value("eeNoTrueOption", eeNoTrueOption)
      .value("eeNotOptionArray", eeNotOptionArray)
      .value("eeMissingParameter", eeMissingParameter)
      .export_values();
  py::enum_<EErrorBytes>(m, "EErrorBytes").value("eeBaseBytes", eeBaseBytes).export_values();
  py::enum_<EErrorCommonDialog>(m, "EErrorCommonDialog").value("eeBaseCommonDialog", eeBaseCommonDialog).export_values();
  py::enum_<ESearchOptions>(m, "ESearchOptions", py::arithmetic())
      .value("esoCaseSense", esoCaseSense)
      .value("esoBackward", esoBackward)
      .value("esoWholeWord", esoWholeWord)
      .export_values();
  py::enum_<EHexDump>(m, "EHexDump")
      .value("ehdOneColumn", ehdOneColumn)
      .value("ehdTwoColumn", ehdTwoColumn)
      .value("ehdEndless", ehdEndless)
      .value("ehdSample8", ehdSample8)
      .value("ehdSample16", ehdSample16)
      .export_values();
  py::enum_<EPrintRange>(m, "EPrintRange")
      .value("eprAll", eprAll)
      .value("eprPageNumbers", eprPageNumbers)
      .value("eprSelection", eprSelection)
      .export_values();
  py::enum_<EOrientation>(m, "EOrientation").value("eoPortrait", eoPortrait).value("eoLandscape", eoLandscape).export_values();
  py::enum_<EPageSetupUnits>(m, "EPageSetupUnits")
      .value("epsuInches", epsuInches)
      .value("epsuMillimeters", epsuMillimeters)
      .export_values();
  py::enum_<EPrintQuality>(m, "EPrintQuality")
      .value("epqDraft", epqDraft)
      .value("epqLow", epqLow)
      .value("epqMedium", epqMedium)
      .value("epqHigh", epqHigh)
      .export_values();
  py::enum_<EOpenFile>(m, "EOpenFile", py::arithmetic())
      .value("OFN_READONLY", OFN_READONLY)
      .value("OFN_OVERWRITEPROMPT", OFN_OVERWRITEPROMPT)
      .value("OFN_HIDEREADONLY", OFN_HIDEREADONLY)
      .value("OFN_NOCHANGEDIR", OFN_NOCHANGEDIR)
      .value("OFN_SHOWHELP", OFN_SHOWHELP)
      .value("OFN_ENABLEHOOK", OFN_ENABLEHOOK)
      .value("OFN_ENABLETEMPLATE", OFN_ENABLETEMPLATE)
      .value("OFN_ENABLETEMPLATEHANDLE", OFN_ENABLETEMPLATEHANDLE)
      .value("OFN_NOVALIDATE", OFN_NOVALIDATE)
      .value("OFN_ALLOWMULTISELECT", OFN_ALLOWMULTISELECT)
      .value("OFN_EXTENSIONDIFFERENT", OFN_EXTENSIONDIFFERENT)
      .value("OFN_PATHMUSTEXIST", OFN_PATHMUSTEXIST)
      .value("OFN_FILEMUSTEXIST", OFN_FILEMUSTEXIST)
      .value("OFN_CREATEPROMPT", OFN_CREATEPROMPT)
      .value("OFN_SHAREAWARE", OFN_SHAREAWARE)
      .value("OFN_NOREADONLYRETURN", OFN_NOREADONLYRETURN)
      .value("OFN_NOTESTFILECREATE", OFN_NOTESTFILECREATE)
      .value("OFN_NONETWORKBUTTON", OFN_NONETWORKBUTTON)
      .value("OFN_NOLONGNAMES", OFN_NOLONGNAMES)
      .value("OFN_EXPLORER", OFN_EXPLORER)
      .value("OFN_NODEREFERENCELINKS", OFN_NODEREFERENCELINKS)
      .value("OFN_LONGNAMES", OFN_LONGNAMES)
      .export_values();
  py::enum_<EChooseColor>(m, "EChooseColor", py::arithmetic())
      .value("CC_RGBINIT", CC_RGBINIT)
      .value("CC_FULLOPEN", CC_FULLOPEN)
      .value("CC_PREVENTFULLOPEN", CC_PREVENTFULLOPEN)
      .value("CC_ColorShowHelp", CC_ColorShowHelp)
      .value("CC_ENABLEHOOK", CC_ENABLEHOOK)
      .value("CC_ENABLETEMPLATE", CC_ENABLETEMPLATE)
      .value("CC_ENABLETEMPLATEHANDLE", CC_ENABLETEMPLATEHANDLE)
      .value("CC_SOLIDCOLOR", CC_SOLIDCOLOR)
      .value("CC_ANYCOLOR", CC_ANYCOLOR)
      .export_values();
  py::enum_<EChooseFont>(m, "EChooseFont", py::arithmetic())
      .value("CF_SCREENFONTS", CF_SCREENFONTS)
      .value("CF_PRINTERFONTS", CF_PRINTERFONTS)
      .value("CF_BOTH", CF_BOTH)
      .value("CF_FONTSHOWHELP", CF_FONTSHOWHELP)
      .value("CF_ENABLEHOOK", CF_ENABLEHOOK)
      .value("CF_ENABLETEMPLATE", CF_ENABLETEMPLATE)
      .value("CF_ENABLETEMPLATEHANDLE", CF_ENABLETEMPLATEHANDLE)
      .value("CF_INITTOLOGFONTSTRUCT", CF_INITTOLOGFONTSTRUCT)
      .value("CF_USESTYLE", CF_USESTYLE)
      .value("CF_EFFECTS", CF_EFFECTS)
      .value("CF_APPLY", CF_APPLY)
      .value("CF_ANSIONLY", CF_ANSIONLY)
      .value("CF_NOVECTORFONTS", CF_NOVECTORFONTS)
      .value("CF_NOOEMFONTS", CF_NOOEMFONTS)
      .value("CF_NOSIMULATIONS", CF_NOSIMULATIONS)
      .value("CF_LIMITSIZE", CF_LIMITSIZE)
      .value("CF_FIXEDPITCHONLY", CF_FIXEDPITCHONLY)
      .value("CF_WYSIWYG", CF_WYSIWYG)
      .value("CF_FORCEFONTEXIST", CF_FORCEFONTEXIST)
      .value("CF_SCALABLEONLY", CF_SCALABLEONLY)
      .value("CF_TTONLY", CF_TTONLY)
      .value("CF_NOFACESEL", CF_NOFACESEL)
      .value("CF_NOSTYLESEL", CF_NOSTYLESEL)
      .value("CF_NOSIZESEL", CF_NOSIZESEL)
      .value("CF_SELECTSCRIPT", CF_SELECTSCRIPT)
      .value("CF_NOSCRIPTSEL", CF_NOSCRIPTSEL)
      .value("CF_NOVERTFONTS", CF_NOVERTFONTS)
      .value("CF_FontNotSupported", CF_FontNotSupported)
      .export_values();
  py::enum_<EFontType>(m, "EFontType", py::arithmetic())
      .value("SIMULATED_FONTTYPE", SIMULATED_FONTTYPE)
      .value("PRINTER_FONTTYPE", PRINTER_FONTTYPE)
      .value("SCREEN_FONTTYPE", SCREEN_FONTTYPE)
      .value("BOLD_FONTTYPE", BOLD_FONTTYPE)
      .value("ITALIC_FONTTYPE", ITALIC_FONTTYPE)
      .value("REGULAR_FONTTYPE", REGULAR_FONTTYPE)
      .export_values();
  py::enum_<EPrintDialog>(m, "EPrintDialog", py::arithmetic())
      .value("PD_ALLPAGES", PD_ALLPAGES)
      .value("PD_SELECTION", PD_SELECTION)
      .value("PD_PAGENUMS", PD_PAGENUMS)
      .value("PD_NOSELECTION", PD_NOSELECTION)
      .value("PD_NOPAGENUMS", PD_NOPAGENUMS)
      .value("PD_COLLATE", PD_COLLATE)
      .value("PD_PRINTTOFILE", PD_PRINTTOFILE)
      .value("PD_PRINTSETUP", PD_PRINTSETUP)
      .value("PD_NOWARNING", PD_NOWARNING)
      .value("PD_RETURNDC", PD_RETURNDC)
      .value("PD_RETURNIC", PD_RETURNIC)
      .value("PD_RETURNDEFAULT", PD_RETURNDEFAULT)
      .value("PD_SHOWHELP", PD_SHOWHELP)
      .value("PD_ENABLEPRINTHOOK", PD_ENABLEPRINTHOOK)
      .value("PD_ENABLESETUPHOOK", PD_ENABLESETUPHOOK)
      .value("PD_ENABLEPRINTTEMPLATE", PD_ENABLEPRINTTEMPLATE)
      .value("PD_ENABLESETUPTEMPLATE", PD_ENABLESETUPTEMPLATE)
      .value("PD_ENABLEPRINTTEMPLATEHANDLE", PD_ENABLEPRINTTEMPLATEHANDLE)
      .value("PD_ENABLESETUPTEMPLATEHANDLE", PD_ENABLESETUPTEMPLATEHANDLE)
      .value("PD_USEDEVMODECOPIES", PD_USEDEVMODECOPIES)
      .value("PD_USEDEVMODECOPIESANDCOLLATE", PD_USEDEVMODECOPIESANDCOLLATE)
      .value("PD_DISABLEPRINTTOFILE", PD_DISABLEPRINTTOFILE)
      .value("PD_HIDEPRINTTOFILE", PD_HIDEPRINTTOFILE)
      .value("PD_NONETWORKBUTTON", PD_NONETWORKBUTTON)
      .export_values();
  py::enum_<EPageSetup>(m, "EPageSetup", py::arithmetic())
      .value("PSD_DEFAULTMINMARGINS", PSD_DEFAULTMINMARGINS)
      .value("PSD_INWININIINTLMEASURE", PSD_INWININIINTLMEASURE)
      .value("PSD_MINMARGINS", PSD_MINMARGINS)
      .value("PSD_MARGINS", PSD_MARGINS)
      .value("PSD_INTHOUSANDTHSOFINCHES", PSD_INTHOUSANDTHSOFINCHES)
      .value("PSD_INHUNDREDTHSOFMILLIMETERS", PSD_INHUNDREDTHSOFMILLIMETERS)
      .value("PSD_DISABLEMARGINS", PSD_DISABLEMARGINS)
      .value("PSD_DISABLEPRINTER", PSD_DISABLEPRINTER)
      .value("PSD_NOWARNING", PSD_NOWARNING)
      .value("PSD_DISABLEORIENTATION", PSD_DISABLEORIENTATION)
      .value("PSD_DISABLEPAPER", PSD_DISABLEPAPER)
      .value("PSD_RETURNDEFAULT", PSD_RETURNDEFAULT)
      .value("PSD_SHOWHELP", PSD_SHOWHELP)
      .value("PSD_ENABLEPAGESETUPHOOK", PSD_ENABLEPAGESETUPHOOK)
      .value("PSD_ENABLEPAGESETUPTEMPLATE", PSD_ENABLEPAGESETUPTEMPLATE)
      .value("PSD_ENABLEPAGESETUPTEMPLATEHANDLE", PSD_ENABLEPAGESETUPTEMPLATEHANDLE)
      .value("PSD_ENABLEPAGEPAINTHOOK", PSD_ENABLEPAGEPAINTHOOK)
      .value("PSD_DISABLEPAGEPAINTING", PSD_DISABLEPAGEPAINTING)
      .export_values();
  py::enum_<EPaperSize>(m, "EPaperSize")
      .value("epsLetter", epsLetter)
      .value("epsLetterSmall", epsLetterSmall)
      .value("epsTabloid", epsTabloid)
      .value("epsLedger", epsLedger)
      .value("epsLegal", epsLegal)
      .value("epsStatement", epsStatement)
      .value("epsExecutive", epsExecutive)
      .value("epsA3", epsA3)
      .value("epsA4", epsA4)
      .value("epsA4Small", epsA4Small)
      .value("epsA5", epsA5)
      .value("epsB4", epsB4)
      .value("epsB5", epsB5)
      .value("epsFolio", epsFolio)
      .value("epsQuarto", epsQuarto)
      .value("eps10x14", eps10x14)
      .value("eps11x17", eps11x17)
      .value("epsNote", epsNote)
      .value("epsEnv9", epsEnv9)
      .value("epsEnv10", epsEnv10)
      .value("epsEnv11", epsEnv11)
      .value("epsEnv12", epsEnv12)
      .value("epsEnv14", epsEnv14)
      .value("epsCSheet", epsCSheet)
      .value("epsDSheet", epsDSheet)
      .value("epsESheet", epsESheet)
      .value("epsEnvDL", epsEnvDL)
      .value("epsEnvC3", epsEnvC3)
      .value("epsEnvC4", epsEnvC4)
      .value("epsEnvC5", epsEnvC5)
      .value("epsEnvC6", epsEnvC6)
      .value("epsEnvC65", epsEnvC65)
      .value("epsEnvB4", epsEnvB4)
      .value("epsEnvB5", epsEnvB5)
      .value("epsEnvB6", epsEnvB6)
      .value("epsEnvItaly", epsEnvItaly)
      .value("epsenvmonarch", epsenvmonarch)
      .value("epsEnvPersonal", epsEnvPersonal)
      .value("epsFanfoldUS", epsFanfoldUS)
      .value("epsFanfoldStdGerman", epsFanfoldStdGerman)
      .value("epsFanfoldLglGerman", epsFanfoldLglGerman)
      .value("epsUser", epsUser)
      .export_values();
  py::enum_<EDialogError>(m, "EDialogError")
      .value("CDERR_DIALOGFAILURE", CDERR_DIALOGFAILURE)
      .value("CDERR_GENERALCODES", CDERR_GENERALCODES)
      .value("CDERR_STRUCTSIZE", CDERR_STRUCTSIZE)
      .value("CDERR_INITIALIZATION", CDERR_INITIALIZATION)
      .value("CDERR_NOTEMPLATE", CDERR_NOTEMPLATE)
      .value("CDERR_NOHINSTANCE", CDERR_NOHINSTANCE)
      .value("CDERR_LOADSTRFAILURE", CDERR_LOADSTRFAILURE)
      .value("CDERR_FINDRESFAILURE", CDERR_FINDRESFAILURE)
      .value("CDERR_LOADRESFAILURE", CDERR_LOADRESFAILURE)
      .value("CDERR_LOCKRESFAILURE", CDERR_LOCKRESFAILURE)
      .value("CDERR_MEMALLOCFAILURE", CDERR_MEMALLOCFAILURE)
      .value("CDERR_MEMLOCKFAILURE", CDERR_MEMLOCKFAILURE)
      .value("CDERR_NOHOOK", CDERR_NOHOOK)
      .value("CDERR_REGISTERMSGFAIL", CDERR_REGISTERMSGFAIL)
      .value("PDERR_PRINTERCODES", PDERR_PRINTERCODES)
      .value("PDERR_SETUPFAILURE", PDERR_SETUPFAILURE)
      .value("PDERR_PARSEFAILURE", PDERR_PARSEFAILURE)
      .value("PDERR_RETDEFFAILURE", PDERR_RETDEFFAILURE)
      .value("PDERR_LOADDRVFAILURE", PDERR_LOADDRVFAILURE)
      .value("PDERR_GETDEVMODEFAIL", PDERR_GETDEVMODEFAIL)
      .value("PDERR_INITFAILURE", PDERR_INITFAILURE)
      .value("PDERR_NODEVICES", PDERR_NODEVICES)
      .value("PDERR_NODEFAULTPRN", PDERR_NODEFAULTPRN)
      .value("PDERR_DNDMMISMATCH", PDERR_DNDMMISMATCH)
      .value("PDERR_CREATEICFAILURE", PDERR_CREATEICFAILURE)
      .value("PDERR_PRINTERNOTFOUND", PDERR_PRINTERNOTFOUND)
      .value("PDERR_DEFAULTDIFFERENT", PDERR_DEFAULTDIFFERENT)
      .value("CFERR_CHOOSEFONTCODES", CFERR_CHOOSEFONTCODES)
      .value("CFERR_NOFONTS", CFERR_NOFONTS)
      .value("CFERR_MAXLESSTHANMIN", CFERR_MAXLESSTHANMIN)
      .value("FNERR_FILENAMECODES", FNERR_FILENAMECODES)
      .value("FNERR_SUBCLASSFAILURE", FNERR_SUBCLASSFAILURE)
      .value("FNERR_INVALIDFILENAME", FNERR_INVALIDFILENAME)
      .value("FNERR_BUFFERTOOSMALL", FNERR_BUFFERTOOSMALL)
      .value("CCERR_CHOOSECOLORCODES", CCERR_CHOOSECOLORCODES)
      .export_values();
}

}  // namespace
}  // namespace vellora2::python

PYBIND11_MODULE(_vellora2, m) {
  using namespace vellora2::python;
  m.doc() = "Document input and output in compound files";
  m.attr("__version__") = std::to_string(vellora2::kVersionMajor) + "." + std::to_string(vellora2::kVersionMinor) + "." +
                          std::to_string(vellora2::kVersionPatch);
  RegisterErrors(m);
  BindVariant(m);
  BindEnums(m);
  BindDocumentClasses(m);
  BindUtilityClasses(m);
  BindSalvage(m);
}
