"""Type stubs of the vellora2 module: document input and output in compound files.

Automation strings are str, byte text and byte arrays are bytes, Empty is None.
Members whose by-reference arguments the library changes return those
arguments after their result (docs/python.md).
"""

import datetime
import enum
import os
from typing import Any, Callable, Iterator, Optional, Protocol, overload

__version__: str

Value = Any  # None, bool, int, float, str, bytes, datetime.datetime, list, Picture or Variant

class AutomationError(Exception):
    number: int
    source: str
    description: str
    byref: Optional[tuple[Any, ...]]
    def __init__(self, number: int, source: str = ..., description: str = ..., byref: Optional[tuple[Any, ...]] = ...) -> None: ...

class Variant:
    def __init__(self, value: Value = ..., vartype: Optional[VarType] = ...) -> None: ...
    @property
    def vartype(self) -> VarType: ...
    @property
    def is_array(self) -> bool: ...
    @property
    def value(self) -> Any: ...

class Picture:
    @staticmethod
    def FromBytes(bytes: bytes) -> Picture: ...
    @staticmethod
    def FromFile(path: str) -> Picture: ...
    @property
    def format(self) -> PictureFormat: ...
    @property
    def width(self) -> int: ...
    @property
    def height(self) -> int: ...
    @property
    def bytes(self) -> bytes: ...
    @property
    def extension(self) -> str: ...

class EventConnection:
    def disconnect(self) -> None: ...
    @property
    def connected(self) -> bool: ...
    def __enter__(self) -> EventConnection: ...
    def __exit__(self, *args: Any) -> None: ...

class LoadedStream:
    @property
    def files(self) -> CFilesIO: ...
    @property
    def existed(self) -> bool: ...
    @property
    def Name(self) -> str: ...
    def __enter__(self) -> LoadedStream: ...
    def __exit__(self, *args: Any) -> None: ...

class CFilesIO:
    Dirty: bool
    FilterQuotes: bool
    @property
    def ClassDebugID(self) -> int: ...
    @property
    def EOFStream(self) -> bool: ...
    def Import(self, FileLocation: str, Name: str) -> tuple[str, str]: ...
    def Export(self, Name: str, FileLocation: str) -> str: ...
    def Delete(self, Name: str) -> str: ...
    def Rename(self, OldName: str, NewName: str) -> str: ...
    @overload
    def EnumStreams(self) -> Optional[list[str]]: ...
    @overload
    def EnumStreams(self, strStorage: str) -> tuple[Optional[list[str]], str]: ...
    @overload
    def EnumStorages(self) -> Optional[list[str]]: ...
    @overload
    def EnumStorages(self, strStorage: str) -> tuple[Optional[list[str]], str]: ...
    def Load(self, Name: str) -> tuple[bool, str]: ...
    def CloseLoadedFile(self) -> None: ...
    def loaded(self, Name: str) -> LoadedStream: ...
    def SeekInFile(self, SeekPos: int = -1) -> int: ...
    @overload
    def GetLine(self) -> str: ...
    @overload
    def GetLine(self, SeekPos: int) -> tuple[str, int]: ...
    def GetLineByNum(self, lngLineNum: int) -> str: ...
    def GetLineByByte(self, lngByteNum: int) -> str: ...
    def GetNumLines(self) -> int: ...
    def GetFromFile(self, vData: Value, SeekPos: int = -1) -> Any: ...
    def PutInFile(self, vData: Value, SeekPos: int = -1) -> None: ...
    def PutLine(self, strOutput: str, SeekPos: int = -1) -> None: ...
    def Clear(self) -> None: ...
    def connect(
        self,
        handler: Any = ...,
        *,
        StartOperation: Optional[Callable[[], None]] = ...,
        PercentDone: Optional[Callable[[int], Optional[int]]] = ...,
        FinishOperation: Optional[Callable[[], None]] = ...,
    ) -> EventConnection: ...

class CImagesIO:
    Dirty: bool
    @property
    def ClassDebugID(self) -> int: ...
    def Store(self, ImageObj: Picture, Name: str) -> None: ...
    def StoreFile(self, strFile: str, Name: str) -> None: ...
    def Load(self, Name: str) -> Optional[Picture]: ...
    def Rename(self, OldName: str, NewName: str) -> None: ...
    def EnumStreams(self) -> Optional[list[str]]: ...

class CHelpIO:
    Dirty: bool
    @property
    def ClassDebugID(self) -> int: ...
    def Import(self, FileLocation: str) -> str: ...
    def Export(self, FileLocation: str) -> None: ...
    def Remove(self) -> None: ...
    def ExistFile(self) -> bool: ...

class CObjectsIO:
    Dirty: bool
    @property
    def ClassDebugID(self) -> int: ...

class CVellora:
    CFilesIO: CFilesIO
    CImagesIO: CImagesIO
    CHelpIO: CHelpIO
    CObjectsIO: CObjectsIO
    DialogBoxParentHwnd: int
    strFilePath: str
    strFileName: str
    Dirty: bool
    AppName: str
    AppVersion: str
    DocTitle: str
    DocAuthor: str
    DocSubject: str
    DocCompany: str
    DocEmail: str
    DocPhoneNum: str
    DocWebPage: str
    DocComments: str
    DocKeywords: str
    @property
    def ClassDebugID(self) -> int: ...
    @property
    def blnDocumentOpen(self) -> bool: ...
    @property
    def blnReadOnly(self) -> bool: ...
    def __init__(self) -> None: ...
    def NewFile(self) -> bool: ...
    def OpenFile(self, file: str = ...) -> bool: ...
    def OpenFileReadOnly(self, file: str = ...) -> bool: ...
    def CloseFile(self) -> None: ...
    def Revert(self) -> None: ...
    def EditProperties(self) -> None: ...
    def GetTitle(self) -> str: ...
    def SaveToPath(self, strPath: str) -> Any: ...
    def SaveAsFile(self) -> None: ...
    def SaveFile(self) -> None: ...
    def connect(
        self,
        handler: Any = ...,
        *,
        IsCorrectFileType: Optional[Callable[[bool], Optional[bool]]] = ...,
        StartOperation: Optional[Callable[[], None]] = ...,
        PercentDone: Optional[Callable[[int], Optional[int]]] = ...,
        FinishOperation: Optional[Callable[[], None]] = ...,
    ) -> EventConnection: ...
    def __enter__(self) -> CVellora: ...
    def __exit__(self, exc_type: Any, exc: Any, tb: Any) -> None: ...

class GUtility:
    def __init__(self) -> None: ...
    def NormalizePath(self, sPath: str) -> str: ...
    def DenormalizePath(self, sPath: Value) -> Any: ...
    def GetExtPos(self, sSpec: str) -> int: ...
    @overload
    def GetFullPath(self, sFileName: str) -> str: ...
    @overload
    def GetFullPath(self, sFileName: str, FilePart: int, ExtPart: int, DirPart: int) -> tuple[str, int, int, int]: ...
    def GetFileBase(self, sFile: str) -> str: ...
    def GetFileBaseExt(self, sFile: str) -> str: ...
    def GetFileExt(self, sFile: str) -> str: ...
    def GetFileDir(self, sFile: str) -> str: ...
    def GetFileFullSpec(self, sFile: str) -> str: ...
    @overload
    def SearchDirs(self, sFileName: str, Ext: str = ..., Path: str = ...) -> str: ...
    @overload
    def SearchDirs(
        self, sFileName: str, Ext: str, Path: str, FilePart: int, ExtPart: int, DirPart: int
    ) -> tuple[str, int, int, int]: ...
    def SearchForExe(self, sName: str) -> str: ...
    def GetTempDir(self) -> str: ...
    @overload
    def GetTempFile(self, Prefix: str = ...) -> str: ...
    @overload
    def GetTempFile(self, Prefix: str, PathName: str) -> tuple[str, str]: ...
    def ExpandEnvStr(self, sData: str) -> str: ...
    def GetLabel(self, sRoot: str) -> str: ...
    def ExistFile(self, sSpec: str) -> bool: ...
    def ExistFileDir(self, sSpec: str) -> bool: ...
    def Exists(self, sSpec: str) -> bool: ...
    def GetFileText(self, sFileName: str) -> str: ...
    def IsRTF(self, sFileName: str) -> bool: ...
    def SaveFileStr(self, sFile: str, sContent: str) -> None: ...
    def SaveFileText(self, sFileName: str, sText: str) -> int: ...
    def FmtHex(self, i: int, iWidth: int = 8) -> str: ...
    def FmtInt(self, iVal: int, iWidth: int, fRight: bool = True) -> str: ...
    def FmtStr(self, s: str, iWidth: int, fRight: bool = True) -> str: ...
    def FindString(self, sTarget: str, sFind: str, iPos: int = 0, esoOptions: int = 0) -> int: ...
    def InStrR(self, *args: Value) -> int: ...
    def CharFromStr(self, sTarget: str, iPos: int = 1) -> int: ...
    def CharToStr(self, sTarget: str, ch: int, iPos: int = 1) -> str: ...
    def InsertChar(self, sTarget: str, sChar: str, iPos: int) -> str: ...
    def WordWrap(self, sText: str, cMax: int) -> str: ...
    def LineWrap(self, sText: str, cMax: int) -> Any: ...
    def GetNextLine(self, sSource: str = ...) -> str: ...
    def RTrimLine(self, sLine: str) -> str: ...
    def Among(self, vTarget: Value, *args: Value) -> bool: ...
    def CollectionReplace(self, n: Collection, vIndex: int | str, vVal: Value) -> None: ...
    def StrToStrB(self, s: str) -> bytes: ...
    def StrBToStr(self, s: bytes) -> str: ...
    def StrZToStr(self, s: str) -> str: ...
    def HexDump(self, ab: bytes, ehdFmt: EHexDump = ...) -> str: ...
    def HexDumpS(self, s: str, ehdFmt: EHexDump = ...) -> str: ...
    def HexDumpB(self, s: str, ehdFmt: EHexDump = ...) -> str: ...
    @property
    def sNullChr(self) -> str: ...
    def IsArrayEmpty(self, va: Value) -> bool: ...
    def HasShell(self) -> bool: ...
    def IsNT(self) -> bool: ...
    def IsExe(self) -> bool: ...
    def SwapBytes(self, b1: int, b2: int) -> None: ...
    def SwapIntegers(self, w1: int, w2: int) -> None: ...
    def SwapLongs(self, dw1: int, dw2: int) -> None: ...
    def DoWaitEvents(self, msWait: int) -> None: ...
    def GetRandom(self, iLo: int, iHi: int) -> int: ...
    def CoreRandomize(self, Number: int = 0) -> None: ...
    def CoreRnd(self, Number: int = 0) -> float: ...
    def HourGlass(self, obj: Any) -> None: ...
    def GetOption(self, opts: Any) -> int: ...
    def xRight(self, obj: Any) -> float: ...
    def yBottom(self, obj: Any) -> float: ...
    def TranslateColor(self, clr: int, hPal: int = 0) -> int: ...

class GBytes:
    def __init__(self) -> None: ...
    def StrToBytes(self, ab: bytes, s: str) -> tuple[bytes, str]: ...
    def StrToBytesV(self, s: str) -> bytes: ...
    def BytesToStr(self, ab: bytes) -> str: ...
    def ByteZToStr(self, ab: bytes) -> str: ...
    def BytesToWord(self, abBuf: bytes, iOffset: int) -> int: ...
    def BytesToDWord(self, abBuf: bytes, iOffset: int) -> int: ...
    def BytesFromWord(self, w: int, abBuf: bytes, iOffset: int) -> bytes: ...
    def BytesFromDWord(self, dw: int, abBuf: bytes, iOffset: int) -> bytes: ...
    def BytesToPStr(self, ab: bytes, iOffset: int) -> str: ...
    def LenBytes(self, ab: bytes) -> int: ...
    def MidBytes(self, ab: bytes, iOffset: int, iLen: int = 0, fToNull: bool = False) -> str: ...
    def InsBytes(self, sIns: str, ab: bytes, iOffset: int, iLen: int = 0) -> tuple[str, bytes]: ...
    def LeftBytes(self, ab: bytes, iLen: int) -> str: ...
    def RightBytes(self, ab: bytes, iLen: int) -> str: ...
    def FillBytes(self, ab: bytes, b: int, iOffset: int, iLen: int) -> bytes: ...
    def LoWord(self, dw: int) -> int: ...
    def HiWord(self, dw: int) -> int: ...
    def LoByte(self, w: int) -> int: ...
    def HiByte(self, w: int) -> int: ...
    def MakeWord(self, bLo: int, bHi: int) -> int: ...
    def MakeDWord(self, wLo: int, wHi: int) -> int: ...
    def LShiftWord(self, w: int, c: int) -> int: ...
    def RShiftWord(self, w: int, c: int) -> int: ...
    def LShiftDWord(self, dw: int, c: int) -> int: ...
    def RShiftDWord(self, dw: int, c: int) -> int: ...
    def SetBitWord(self, iTest: bool, iValue: int, iBitPos: int) -> int: ...
    def SetBitDWord(self, iTest: bool, iValue: int, iBitPos: int) -> int: ...
    def GetBit(self, iValue: int, iBitPos: int) -> bool: ...
    def SwapWordBytes(self, w: int) -> int: ...
    def SwapDWordWords(self, dw: int) -> int: ...
    def SwapEndian(self, dw: int) -> int: ...
    def VBGetLogicalDrives(self) -> str: ...
    def Power2(self, i: int) -> int: ...

class GCommonDialog:
    def __init__(self) -> None: ...
    def VBGetOpenFileName(
        self, FileName: str = ..., FileTitle: str = ..., FileMustExist: bool = True, MultiSelect: bool = False,
        ReadOnly: bool = False, HideReadOnly: bool = False, filter: str = ..., FilterIndex: int = 1, InitDir: str = ...,
        DlgTitle: str = ..., DefaultExt: str = ..., Owner: int = -1, Flags: int = 0,
    ) -> tuple[bool, str, str, bool, str, int, int]: ...
    def VBGetSaveFileName(
        self, FileName: str = ..., FileTitle: str = ..., OverWritePrompt: bool = True, filter: str = ...,
        FilterIndex: int = 1, InitDir: str = ..., DlgTitle: str = ..., DefaultExt: str = ..., Owner: int = -1,
        Flags: int = 0,
    ) -> tuple[bool, str, str, str, int, int]: ...
    def VBGetFileTitle(self, sFile: str) -> str: ...
    def VBChooseColor(
        self, Color: int = 0, AnyColor: bool = True, FullOpen: bool = False, DisableFullOpen: bool = False,
        Owner: int = -1, Flags: int = 0,
    ) -> tuple[bool, int]: ...
    @overload
    def CustomColor(self, i: int) -> int: ...
    @overload
    def CustomColor(self, i: int, value: int) -> None: ...
    def VBChooseFont(
        self, CurFont: Any, PrinterDC: int = -1, Owner: int = -1, Color: int = 0, MinSize: int = 0, MaxSize: int = 0,
        Flags: int = 0,
    ) -> tuple[bool, int, int, int]: ...
    def VBPrintDlg(
        self, PrintRange: EPrintRange = ..., DisablePageNumbers: bool = False, FromPage: int = 1, ToPage: int = -1,
        DisableSelection: bool = False, Copies: int = 0, ShowPrintToFile: bool = False,
        DisablePrintToFile: bool = True, PrintToFile: bool = False, Collate: bool = False,
        PreventWarning: bool = False, Owner: int = 0, Printer: Any = None, Flags: int = 0,
    ) -> tuple[bool, int, EPrintRange, int, int, int, bool, bool]: ...
    def VBPageSetupDlg(
        self, Owner: int = 0, DisableMargins: bool = False, DisableOrientation: bool = False, DisablePaper: bool = False,
        DisablePrinter: bool = False, LeftMargin: int = 0, MinLeftMargin: int = 0, RightMargin: int = 0,
        MinRightMargin: int = 0, TopMargin: int = 0, MinTopMargin: int = 0, BottomMargin: int = 0,
        MinBottomMargin: int = 0, PaperSize: EPaperSize = ..., Orientation: EOrientation = ...,
        PrintQuality: EPrintQuality = ..., Units: EPageSetupUnits = ..., Printer: Any = None, Flags: int = 0,
    ) -> tuple[bool, int, int, int, int, int, int, int, int, EPaperSize, EOrientation, EPrintQuality]: ...

class Collection:
    def __init__(self) -> None: ...
    def Add(self, item: Value, key: Optional[str] = None, before: Optional[int] = None, after: Optional[int] = None) -> None: ...
    @property
    def Count(self) -> int: ...
    def Item(self, index: int | str) -> Any: ...
    def Remove(self, index: int | str) -> None: ...
    def __len__(self) -> int: ...
    def __iter__(self) -> Iterator[Any]: ...

def CanShowPropertiesWindow() -> bool: ...
def IsPropertiesWindowOpen() -> bool: ...
def PropertiesText(document: CVellora) -> str: ...

class SalvageVerdict(enum.Enum):
    Whole = 0
    Partial = 1
    Lost = 2

class SalvagedElement:
    path: str
    is_storage: bool
    linked: bool
    verdict: SalvageVerdict
    size: int
    recovered: int
    reason: str

class SalvagedFile:
    @property
    def Elements(self) -> list[SalvagedElement]: ...
    @property
    def Problems(self) -> list[str]: ...
    @property
    def Whole(self) -> bool: ...
    def Read(self, index: int) -> bytes: ...
    def WriteCompoundFile(self, path: str | os.PathLike[str]) -> None: ...
    def Report(self) -> str: ...

def Salvage(path: str | os.PathLike[str]) -> SalvagedFile: ...

class EChooseColor(enum.IntEnum):
    CC_RGBINIT = 1
    CC_FULLOPEN = 2
    CC_PREVENTFULLOPEN = 4
    CC_ColorShowHelp = 8
    CC_ENABLEHOOK = 16
    CC_ENABLETEMPLATE = 32
    CC_ENABLETEMPLATEHANDLE = 64
    CC_SOLIDCOLOR = 128
    CC_ANYCOLOR = 256

class EChooseFont(enum.IntEnum):
    CF_SCREENFONTS = 1
    CF_PRINTERFONTS = 2
    CF_BOTH = 3
    CF_FONTSHOWHELP = 4
    CF_ENABLEHOOK = 8
    CF_ENABLETEMPLATE = 16
    CF_ENABLETEMPLATEHANDLE = 32
    CF_INITTOLOGFONTSTRUCT = 64
    CF_USESTYLE = 128
    CF_EFFECTS = 256
    CF_APPLY = 512
    CF_ANSIONLY = 1024
    CF_NOVECTORFONTS = 2048
    CF_NOOEMFONTS = 2048
    CF_NOSIMULATIONS = 4096
    CF_LIMITSIZE = 8192
    CF_FIXEDPITCHONLY = 16384
    CF_WYSIWYG = 32768
    CF_FORCEFONTEXIST = 65536
    CF_SCALABLEONLY = 131072
    CF_TTONLY = 262144
    CF_NOFACESEL = 524288
    CF_NOSTYLESEL = 1048576
    CF_NOSIZESEL = 2097152
    CF_SELECTSCRIPT = 4194304
    CF_NOSCRIPTSEL = 8388608
    CF_NOVERTFONTS = 16777216
    CF_FontNotSupported = 568

class EDialogError(enum.IntEnum):
    CDERR_DIALOGFAILURE = 65535
    CDERR_GENERALCODES = 0
    CDERR_STRUCTSIZE = 1
    CDERR_INITIALIZATION = 2
    CDERR_NOTEMPLATE = 3
    CDERR_NOHINSTANCE = 4
    CDERR_LOADSTRFAILURE = 5
    CDERR_FINDRESFAILURE = 6
    CDERR_LOADRESFAILURE = 7
    CDERR_LOCKRESFAILURE = 8
    CDERR_MEMALLOCFAILURE = 9
    CDERR_MEMLOCKFAILURE = 10
    CDERR_NOHOOK = 11
    CDERR_REGISTERMSGFAIL = 12
    PDERR_PRINTERCODES = 4096
    PDERR_SETUPFAILURE = 4097
    PDERR_PARSEFAILURE = 4098
    PDERR_RETDEFFAILURE = 4099
    PDERR_LOADDRVFAILURE = 4100
    PDERR_GETDEVMODEFAIL = 4101
    PDERR_INITFAILURE = 4102
    PDERR_NODEVICES = 4103
    PDERR_NODEFAULTPRN = 4104
    PDERR_DNDMMISMATCH = 4105
    PDERR_CREATEICFAILURE = 4106
    PDERR_PRINTERNOTFOUND = 4107
    PDERR_DEFAULTDIFFERENT = 4108
    CFERR_CHOOSEFONTCODES = 8192
    CFERR_NOFONTS = 8193
    CFERR_MAXLESSTHANMIN = 8194
    FNERR_FILENAMECODES = 12288
    FNERR_SUBCLASSFAILURE = 12289
    FNERR_INVALIDFILENAME = 12290
    FNERR_BUFFERTOOSMALL = 12291
    CCERR_CHOOSECOLORCODES = 20480

class EErrorBytes(enum.IntEnum):
    eeBaseBytes = 13430

class EErrorCommonDialog(enum.IntEnum):
    eeBaseCommonDialog = 13450

class EErrorUtility(enum.IntEnum):
    eeBaseUtility = 13000
    eeNoMousePointer = 13001
    eeNoTrueOption = 13002
    eeNotOptionArray = 13003
    eeMissingParameter = 13004

class EFontType(enum.IntEnum):
    SIMULATED_FONTTYPE = 32768
    PRINTER_FONTTYPE = 16384
    SCREEN_FONTTYPE = 8192
    BOLD_FONTTYPE = 256
    ITALIC_FONTTYPE = 512
    REGULAR_FONTTYPE = 1024

class EHexDump(enum.IntEnum):
    ehdOneColumn = 0
    ehdTwoColumn = 1
    ehdEndless = 2
    ehdSample8 = 3
    ehdSample16 = 4

class EOpenFile(enum.IntEnum):
    OFN_READONLY = 1
    OFN_OVERWRITEPROMPT = 2
    OFN_HIDEREADONLY = 4
    OFN_NOCHANGEDIR = 8
    OFN_SHOWHELP = 16
    OFN_ENABLEHOOK = 32
    OFN_ENABLETEMPLATE = 64
    OFN_ENABLETEMPLATEHANDLE = 128
    OFN_NOVALIDATE = 256
    OFN_ALLOWMULTISELECT = 512
    OFN_EXTENSIONDIFFERENT = 1024
    OFN_PATHMUSTEXIST = 2048
    OFN_FILEMUSTEXIST = 4096
    OFN_CREATEPROMPT = 8192
    OFN_SHAREAWARE = 16384
    OFN_NOREADONLYRETURN = 32768
    OFN_NOTESTFILECREATE = 65536
    OFN_NONETWORKBUTTON = 131072
    OFN_NOLONGNAMES = 262144
    OFN_EXPLORER = 524288
    OFN_NODEREFERENCELINKS = 1048576
    OFN_LONGNAMES = 2097152

class EOrientation(enum.IntEnum):
    eoPortrait = 1
    eoLandscape = 2

class EPageSetup(enum.IntEnum):
    PSD_DEFAULTMINMARGINS = 0
    PSD_INWININIINTLMEASURE = 0
    PSD_MINMARGINS = 1
    PSD_MARGINS = 2
    PSD_INTHOUSANDTHSOFINCHES = 4
    PSD_INHUNDREDTHSOFMILLIMETERS = 8
    PSD_DISABLEMARGINS = 16
    PSD_DISABLEPRINTER = 32
    PSD_NOWARNING = 128
    PSD_DISABLEORIENTATION = 256
    PSD_DISABLEPAPER = 512
    PSD_RETURNDEFAULT = 1024
    PSD_SHOWHELP = 2048
    PSD_ENABLEPAGESETUPHOOK = 8192
    PSD_ENABLEPAGESETUPTEMPLATE = 32768
    PSD_ENABLEPAGESETUPTEMPLATEHANDLE = 131072
    PSD_ENABLEPAGEPAINTHOOK = 262144
    PSD_DISABLEPAGEPAINTING = 524288

class EPageSetupUnits(enum.IntEnum):
    epsuInches = 0
    epsuMillimeters = 1

class EPaperSize(enum.IntEnum):
    epsLetter = 1
    epsLetterSmall = 2
    epsTabloid = 3
    epsLedger = 4
    epsLegal = 5
    epsStatement = 6
    epsExecutive = 7
    epsA3 = 8
    epsA4 = 9
    epsA4Small = 10
    epsA5 = 11
    epsB4 = 12
    epsB5 = 13
    epsFolio = 14
    epsQuarto = 15
    eps10x14 = 16
    eps11x17 = 17
    epsNote = 18
    epsEnv9 = 19
    epsEnv10 = 20
    epsEnv11 = 21
    epsEnv12 = 22
    epsEnv14 = 23
    epsCSheet = 24
    epsDSheet = 25
    epsESheet = 26
    epsEnvDL = 27
    epsEnvC3 = 28
    epsEnvC4 = 29
    epsEnvC5 = 30
    epsEnvC6 = 31
    epsEnvC65 = 32
    epsEnvB4 = 33
    epsEnvB5 = 34
    epsEnvB6 = 35
    epsEnvItaly = 36
    epsenvmonarch = 37
    epsEnvPersonal = 38
    epsFanfoldUS = 39
    epsFanfoldStdGerman = 40
    epsFanfoldLglGerman = 41
    epsUser = 256

class EPrintDialog(enum.IntEnum):
    PD_ALLPAGES = 0
    PD_SELECTION = 1
    PD_PAGENUMS = 2
    PD_NOSELECTION = 4
    PD_NOPAGENUMS = 8
    PD_COLLATE = 16
    PD_PRINTTOFILE = 32
    PD_PRINTSETUP = 64
    PD_NOWARNING = 128
    PD_RETURNDC = 256
    PD_RETURNIC = 512
    PD_RETURNDEFAULT = 1024
    PD_SHOWHELP = 2048
    PD_ENABLEPRINTHOOK = 4096
    PD_ENABLESETUPHOOK = 8192
    PD_ENABLEPRINTTEMPLATE = 16384
    PD_ENABLESETUPTEMPLATE = 32768
    PD_ENABLEPRINTTEMPLATEHANDLE = 65536
    PD_ENABLESETUPTEMPLATEHANDLE = 131072
    PD_USEDEVMODECOPIES = 262144
    PD_USEDEVMODECOPIESANDCOLLATE = 262144
    PD_DISABLEPRINTTOFILE = 524288
    PD_HIDEPRINTTOFILE = 1048576
    PD_NONETWORKBUTTON = 2097152

class EPrintQuality(enum.IntEnum):
    epqDraft = -1
    epqLow = -2
    epqMedium = -3
    epqHigh = -4

class EPrintRange(enum.IntEnum):
    eprAll = 0
    eprPageNumbers = 1
    eprSelection = 2

class ESearchOptions(enum.IntEnum):
    esoCaseSense = 1
    esoBackward = 2
    esoWholeWord = 4

class PictureFormat(enum.IntEnum):
    Png = 1
    Jpeg = 2
    Gif = 3
    Bmp = 4

class VarType(enum.IntEnum):
    Empty = 0
    Null = 1
    Integer = 2
    Long = 3
    Single = 4
    Double = 5
    Date = 7
    String = 8
    Object = 9
    Error = 10
    Boolean = 11
    Variant = 12
    Byte = 17

class ioDocUserProperties(enum.IntEnum):
    Email = 1
    WebPage = 2
    PhoneNum = 3

class ioErrors(enum.IntEnum):
    ioCancel = -2147220992
    ioBadFile = -2147220991
    ioElementNotFound = -2147220990
    ionotloaded = -2147220989

CC_RGBINIT: EChooseColor
CC_FULLOPEN: EChooseColor
CC_PREVENTFULLOPEN: EChooseColor
CC_ColorShowHelp: EChooseColor
CC_ENABLEHOOK: EChooseColor
CC_ENABLETEMPLATE: EChooseColor
CC_ENABLETEMPLATEHANDLE: EChooseColor
CC_SOLIDCOLOR: EChooseColor
CC_ANYCOLOR: EChooseColor
CF_SCREENFONTS: EChooseFont
CF_PRINTERFONTS: EChooseFont
CF_BOTH: EChooseFont
CF_FONTSHOWHELP: EChooseFont
CF_ENABLEHOOK: EChooseFont
CF_ENABLETEMPLATE: EChooseFont
CF_ENABLETEMPLATEHANDLE: EChooseFont
CF_INITTOLOGFONTSTRUCT: EChooseFont
CF_USESTYLE: EChooseFont
CF_EFFECTS: EChooseFont
CF_APPLY: EChooseFont
CF_ANSIONLY: EChooseFont
CF_NOVECTORFONTS: EChooseFont
CF_NOOEMFONTS: EChooseFont
CF_NOSIMULATIONS: EChooseFont
CF_LIMITSIZE: EChooseFont
CF_FIXEDPITCHONLY: EChooseFont
CF_WYSIWYG: EChooseFont
CF_FORCEFONTEXIST: EChooseFont
CF_SCALABLEONLY: EChooseFont
CF_TTONLY: EChooseFont
CF_NOFACESEL: EChooseFont
CF_NOSTYLESEL: EChooseFont
CF_NOSIZESEL: EChooseFont
CF_SELECTSCRIPT: EChooseFont
CF_NOSCRIPTSEL: EChooseFont
CF_NOVERTFONTS: EChooseFont
CF_FontNotSupported: EChooseFont
CDERR_DIALOGFAILURE: EDialogError
CDERR_GENERALCODES: EDialogError
CDERR_STRUCTSIZE: EDialogError
CDERR_INITIALIZATION: EDialogError
CDERR_NOTEMPLATE: EDialogError
CDERR_NOHINSTANCE: EDialogError
CDERR_LOADSTRFAILURE: EDialogError
CDERR_FINDRESFAILURE: EDialogError
CDERR_LOADRESFAILURE: EDialogError
CDERR_LOCKRESFAILURE: EDialogError
CDERR_MEMALLOCFAILURE: EDialogError
CDERR_MEMLOCKFAILURE: EDialogError
CDERR_NOHOOK: EDialogError
CDERR_REGISTERMSGFAIL: EDialogError
PDERR_PRINTERCODES: EDialogError
PDERR_SETUPFAILURE: EDialogError
PDERR_PARSEFAILURE: EDialogError
PDERR_RETDEFFAILURE: EDialogError
PDERR_LOADDRVFAILURE: EDialogError
PDERR_GETDEVMODEFAIL: EDialogError
PDERR_INITFAILURE: EDialogError
PDERR_NODEVICES: EDialogError
PDERR_NODEFAULTPRN: EDialogError
PDERR_DNDMMISMATCH: EDialogError
PDERR_CREATEICFAILURE: EDialogError
PDERR_PRINTERNOTFOUND: EDialogError
PDERR_DEFAULTDIFFERENT: EDialogError
CFERR_CHOOSEFONTCODES: EDialogError
CFERR_NOFONTS: EDialogError
CFERR_MAXLESSTHANMIN: EDialogError
FNERR_FILENAMECODES: EDialogError
FNERR_SUBCLASSFAILURE: EDialogError
FNERR_INVALIDFILENAME: EDialogError
FNERR_BUFFERTOOSMALL: EDialogError
CCERR_CHOOSECOLORCODES: EDialogError
eeBaseBytes: EErrorBytes
eeBaseCommonDialog: EErrorCommonDialog
eeBaseUtility: EErrorUtility
eeNoMousePointer: EErrorUtility
eeNoTrueOption: EErrorUtility
eeNotOptionArray: EErrorUtility
eeMissingParameter: EErrorUtility
SIMULATED_FONTTYPE: EFontType
PRINTER_FONTTYPE: EFontType
SCREEN_FONTTYPE: EFontType
BOLD_FONTTYPE: EFontType
ITALIC_FONTTYPE: EFontType
REGULAR_FONTTYPE: EFontType
ehdOneColumn: EHexDump
ehdTwoColumn: EHexDump
ehdEndless: EHexDump
ehdSample8: EHexDump
ehdSample16: EHexDump
OFN_READONLY: EOpenFile
OFN_OVERWRITEPROMPT: EOpenFile
OFN_HIDEREADONLY: EOpenFile
OFN_NOCHANGEDIR: EOpenFile
OFN_SHOWHELP: EOpenFile
OFN_ENABLEHOOK: EOpenFile
OFN_ENABLETEMPLATE: EOpenFile
OFN_ENABLETEMPLATEHANDLE: EOpenFile
OFN_NOVALIDATE: EOpenFile
OFN_ALLOWMULTISELECT: EOpenFile
OFN_EXTENSIONDIFFERENT: EOpenFile
OFN_PATHMUSTEXIST: EOpenFile
OFN_FILEMUSTEXIST: EOpenFile
OFN_CREATEPROMPT: EOpenFile
OFN_SHAREAWARE: EOpenFile
OFN_NOREADONLYRETURN: EOpenFile
OFN_NOTESTFILECREATE: EOpenFile
OFN_NONETWORKBUTTON: EOpenFile
OFN_NOLONGNAMES: EOpenFile
OFN_EXPLORER: EOpenFile
OFN_NODEREFERENCELINKS: EOpenFile
OFN_LONGNAMES: EOpenFile
eoPortrait: EOrientation
eoLandscape: EOrientation
PSD_DEFAULTMINMARGINS: EPageSetup
PSD_INWININIINTLMEASURE: EPageSetup
PSD_MINMARGINS: EPageSetup
PSD_MARGINS: EPageSetup
PSD_INTHOUSANDTHSOFINCHES: EPageSetup
PSD_INHUNDREDTHSOFMILLIMETERS: EPageSetup
PSD_DISABLEMARGINS: EPageSetup
PSD_DISABLEPRINTER: EPageSetup
PSD_NOWARNING: EPageSetup
PSD_DISABLEORIENTATION: EPageSetup
PSD_DISABLEPAPER: EPageSetup
PSD_RETURNDEFAULT: EPageSetup
PSD_SHOWHELP: EPageSetup
PSD_ENABLEPAGESETUPHOOK: EPageSetup
PSD_ENABLEPAGESETUPTEMPLATE: EPageSetup
PSD_ENABLEPAGESETUPTEMPLATEHANDLE: EPageSetup
PSD_ENABLEPAGEPAINTHOOK: EPageSetup
PSD_DISABLEPAGEPAINTING: EPageSetup
epsuInches: EPageSetupUnits
epsuMillimeters: EPageSetupUnits
epsLetter: EPaperSize
epsLetterSmall: EPaperSize
epsTabloid: EPaperSize
epsLedger: EPaperSize
epsLegal: EPaperSize
epsStatement: EPaperSize
epsExecutive: EPaperSize
epsA3: EPaperSize
epsA4: EPaperSize
epsA4Small: EPaperSize
epsA5: EPaperSize
epsB4: EPaperSize
epsB5: EPaperSize
epsFolio: EPaperSize
epsQuarto: EPaperSize
eps10x14: EPaperSize
eps11x17: EPaperSize
epsNote: EPaperSize
epsEnv9: EPaperSize
epsEnv10: EPaperSize
epsEnv11: EPaperSize
epsEnv12: EPaperSize
epsEnv14: EPaperSize
epsCSheet: EPaperSize
epsDSheet: EPaperSize
epsESheet: EPaperSize
epsEnvDL: EPaperSize
epsEnvC3: EPaperSize
epsEnvC4: EPaperSize
epsEnvC5: EPaperSize
epsEnvC6: EPaperSize
epsEnvC65: EPaperSize
epsEnvB4: EPaperSize
epsEnvB5: EPaperSize
epsEnvB6: EPaperSize
epsEnvItaly: EPaperSize
epsenvmonarch: EPaperSize
epsEnvPersonal: EPaperSize
epsFanfoldUS: EPaperSize
epsFanfoldStdGerman: EPaperSize
epsFanfoldLglGerman: EPaperSize
epsUser: EPaperSize
PD_ALLPAGES: EPrintDialog
PD_SELECTION: EPrintDialog
PD_PAGENUMS: EPrintDialog
PD_NOSELECTION: EPrintDialog
PD_NOPAGENUMS: EPrintDialog
PD_COLLATE: EPrintDialog
PD_PRINTTOFILE: EPrintDialog
PD_PRINTSETUP: EPrintDialog
PD_NOWARNING: EPrintDialog
PD_RETURNDC: EPrintDialog
PD_RETURNIC: EPrintDialog
PD_RETURNDEFAULT: EPrintDialog
PD_SHOWHELP: EPrintDialog
PD_ENABLEPRINTHOOK: EPrintDialog
PD_ENABLESETUPHOOK: EPrintDialog
PD_ENABLEPRINTTEMPLATE: EPrintDialog
PD_ENABLESETUPTEMPLATE: EPrintDialog
PD_ENABLEPRINTTEMPLATEHANDLE: EPrintDialog
PD_ENABLESETUPTEMPLATEHANDLE: EPrintDialog
PD_USEDEVMODECOPIES: EPrintDialog
PD_USEDEVMODECOPIESANDCOLLATE: EPrintDialog
PD_DISABLEPRINTTOFILE: EPrintDialog
PD_HIDEPRINTTOFILE: EPrintDialog
PD_NONETWORKBUTTON: EPrintDialog
epqDraft: EPrintQuality
epqLow: EPrintQuality
epqMedium: EPrintQuality
epqHigh: EPrintQuality
eprAll: EPrintRange
eprPageNumbers: EPrintRange
eprSelection: EPrintRange
esoCaseSense: ESearchOptions
esoBackward: ESearchOptions
esoWholeWord: ESearchOptions
ioCancel: ioErrors
ioBadFile: ioErrors
ioElementNotFound: ioErrors
ionotloaded: ioErrors
