"""Type stubs of the vellora2 module: document input and output in compound files.

Automation strings are str, byte text and byte arrays are bytes, Empty is None.
Members whose by-reference arguments the library changes return those
arguments after their result (docs/python.md).
"""

import datetime
import os
from typing import Any, Callable, ClassVar, Iterator, Optional, Protocol, Union, overload

__version__: str

Value = Any  # None, bool, int, float, str, bytes, datetime.datetime, list, Picture or Variant
StrPath = Union[str, os.PathLike[str]]  # a path: str, pathlib.Path, any os.PathLike of str

# pybind11 makes each class with a metaclass of its own, which has no public name.
class _Pybind11Type(type): ...
class _Bound(metaclass=_Pybind11Type): ...

class AutomationError(Exception):
    number: int
    source: str
    description: str
    byref: Optional[tuple[Any, ...]]
    def __init__(self, number: int, source: str = ..., description: str = ..., byref: Optional[tuple[Any, ...]] = ...) -> None: ...

class Variant(_Bound):
    def __init__(self, value: Value = ..., vartype: Optional[VarType] = ...) -> None: ...
    @property
    def vartype(self) -> VarType: ...
    @property
    def is_array(self) -> bool: ...
    @property
    def value(self) -> Any: ...

class Picture(_Bound):
    @staticmethod
    def FromBytes(bytes: bytes) -> Picture: ...
    @staticmethod
    def FromFile(path: StrPath) -> Picture: ...
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

class EventConnection(_Bound):
    def disconnect(self) -> None: ...
    @property
    def connected(self) -> bool: ...
    def __enter__(self) -> EventConnection: ...
    def __exit__(self, *args: Any) -> None: ...

class LoadedStream(_Bound):
    @property
    def files(self) -> CFilesIO: ...
    @property
    def existed(self) -> bool: ...
    @property
    def Name(self) -> str: ...
    def __enter__(self) -> LoadedStream: ...
    def __exit__(self, *args: Any) -> None: ...

class CFilesIO(_Bound):
    Dirty: bool
    FilterQuotes: bool
    @property
    def ClassDebugID(self) -> int: ...
    @property
    def EOFStream(self) -> bool: ...
    def Import(self, FileLocation: StrPath, Name: str) -> tuple[str, str]: ...
    def Export(self, Name: str, FileLocation: StrPath) -> str: ...
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

class CImagesIO(_Bound):
    Dirty: bool
    @property
    def ClassDebugID(self) -> int: ...
    def Store(self, ImageObj: Picture, Name: str) -> None: ...
    def StoreFile(self, strFile: StrPath, Name: str) -> None: ...
    def Load(self, Name: str) -> Optional[Picture]: ...
    def Rename(self, OldName: str, NewName: str) -> None: ...
    def EnumStreams(self) -> Optional[list[str]]: ...

class CHelpIO(_Bound):
    Dirty: bool
    @property
    def ClassDebugID(self) -> int: ...
    def Import(self, FileLocation: StrPath) -> str: ...
    def Export(self, FileLocation: StrPath) -> None: ...
    def Remove(self) -> None: ...
    def ExistFile(self) -> bool: ...

class CObjectsIO(_Bound):
    Dirty: bool
    @property
    def ClassDebugID(self) -> int: ...

class CVellora(_Bound):
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
    def OpenFile(self, file: StrPath = ...) -> bool: ...
    def OpenFileReadOnly(self, file: StrPath = ...) -> bool: ...
    def CloseFile(self) -> None: ...
    def Revert(self) -> None: ...
    def EditProperties(self) -> None: ...
    def GetTitle(self) -> str: ...
    def SaveToPath(self, strPath: StrPath) -> Any: ...
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

class GUtility(_Bound):
    def __init__(self) -> None: ...
    def NormalizePath(self, sPath: StrPath) -> str: ...
    def DenormalizePath(self, sPath: Value) -> Any: ...
    def GetExtPos(self, sSpec: StrPath) -> int: ...
    @overload
    def GetFullPath(self, sFileName: StrPath) -> str: ...
    @overload
    def GetFullPath(self, sFileName: StrPath, FilePart: int, ExtPart: int, DirPart: int) -> tuple[str, int, int, int]: ...
    def GetFileBase(self, sFile: StrPath) -> str: ...
    def GetFileBaseExt(self, sFile: StrPath) -> str: ...
    def GetFileExt(self, sFile: StrPath) -> str: ...
    def GetFileDir(self, sFile: StrPath) -> str: ...
    def GetFileFullSpec(self, sFile: StrPath) -> str: ...
    @overload
    def SearchDirs(self, sFileName: StrPath, Ext: str = ..., Path: str = ...) -> str: ...
    @overload
    def SearchDirs(
        self, sFileName: str, Ext: str, Path: str, FilePart: int, ExtPart: int, DirPart: int
    ) -> tuple[str, int, int, int]: ...
    def SearchForExe(self, sName: str) -> str: ...
    def GetTempDir(self) -> str: ...
    @overload
    def GetTempFile(self, Prefix: str = ...) -> str: ...
    @overload
    def GetTempFile(self, Prefix: str, PathName: StrPath) -> tuple[str, str]: ...
    def ExpandEnvStr(self, sData: str) -> str: ...
    def GetLabel(self, sRoot: StrPath) -> str: ...
    def ExistFile(self, sSpec: StrPath) -> bool: ...
    def ExistFileDir(self, sSpec: StrPath) -> bool: ...
    def Exists(self, sSpec: StrPath) -> bool: ...
    def GetFileText(self, sFileName: StrPath) -> str: ...
    def IsRTF(self, sFileName: StrPath) -> bool: ...
    def SaveFileStr(self, sFile: StrPath, sContent: str) -> None: ...
    def SaveFileText(self, sFileName: StrPath, sText: str) -> int: ...
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

class GBytes(_Bound):
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

class GCommonDialog(_Bound):
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
    def VBGetFileTitle(self, sFile: StrPath) -> str: ...
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

class Collection(_Bound):
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

# The enumerations are pybind11 enums, not enum.IntEnum: members convert to int
# (int(), operator.index) and compare equal to their own kind; __members__ maps
# names to members. Those marked arithmetic combine with | & ^ ~ into an int.
class SalvageVerdict(_Enum):
    Whole: ClassVar[SalvageVerdict]  # 0
    Partial: ClassVar[SalvageVerdict]  # 1
    Lost: ClassVar[SalvageVerdict]  # 2

class SalvagedElement(_Bound):
    @property
    def path(self) -> str: ...
    @property
    def is_storage(self) -> bool: ...
    @property
    def linked(self) -> bool: ...
    @property
    def verdict(self) -> SalvageVerdict: ...
    @property
    def size(self) -> int: ...
    @property
    def recovered(self) -> int: ...
    @property
    def reason(self) -> str: ...

class SalvagedFile(_Bound):
    @property
    def Elements(self) -> list[SalvagedElement]: ...
    @property
    def Problems(self) -> list[str]: ...
    @property
    def Whole(self) -> bool: ...
    def Read(self, index: int) -> bytes: ...
    def WriteCompoundFile(self, path: StrPath) -> None: ...
    def Report(self) -> str: ...

def Salvage(path: StrPath) -> SalvagedFile: ...

class _Enum(_Bound):
    __members__: ClassVar[dict[str, Any]]
    def __init__(self, value: int) -> None: ...
    def __int__(self) -> int: ...
    def __index__(self) -> int: ...
    def __hash__(self) -> int: ...
    def __eq__(self, other: object) -> bool: ...
    def __ne__(self, other: object) -> bool: ...
    @property
    def name(self) -> str: ...
    @property
    def value(self) -> int: ...

class _ArithmeticEnum(_Enum):
    def __or__(self, other: int) -> int: ...
    def __ror__(self, other: int) -> int: ...
    def __and__(self, other: int) -> int: ...
    def __rand__(self, other: int) -> int: ...
    def __xor__(self, other: int) -> int: ...
    def __rxor__(self, other: int) -> int: ...
    def __invert__(self) -> int: ...
    def __lt__(self, other: int) -> bool: ...
    def __le__(self, other: int) -> bool: ...
    def __gt__(self, other: int) -> bool: ...
    def __ge__(self, other: int) -> bool: ...

class EChooseColor(_ArithmeticEnum):
    CC_RGBINIT: ClassVar[EChooseColor]  # 1
    CC_FULLOPEN: ClassVar[EChooseColor]  # 2
    CC_PREVENTFULLOPEN: ClassVar[EChooseColor]  # 4
    CC_ColorShowHelp: ClassVar[EChooseColor]  # 8
    CC_ENABLEHOOK: ClassVar[EChooseColor]  # 16
    CC_ENABLETEMPLATE: ClassVar[EChooseColor]  # 32
    CC_ENABLETEMPLATEHANDLE: ClassVar[EChooseColor]  # 64
    CC_SOLIDCOLOR: ClassVar[EChooseColor]  # 128
    CC_ANYCOLOR: ClassVar[EChooseColor]  # 256

class EChooseFont(_ArithmeticEnum):
    CF_SCREENFONTS: ClassVar[EChooseFont]  # 1
    CF_PRINTERFONTS: ClassVar[EChooseFont]  # 2
    CF_BOTH: ClassVar[EChooseFont]  # 3
    CF_FONTSHOWHELP: ClassVar[EChooseFont]  # 4
    CF_ENABLEHOOK: ClassVar[EChooseFont]  # 8
    CF_ENABLETEMPLATE: ClassVar[EChooseFont]  # 16
    CF_ENABLETEMPLATEHANDLE: ClassVar[EChooseFont]  # 32
    CF_INITTOLOGFONTSTRUCT: ClassVar[EChooseFont]  # 64
    CF_USESTYLE: ClassVar[EChooseFont]  # 128
    CF_EFFECTS: ClassVar[EChooseFont]  # 256
    CF_APPLY: ClassVar[EChooseFont]  # 512
    CF_ANSIONLY: ClassVar[EChooseFont]  # 1024
    CF_NOVECTORFONTS: ClassVar[EChooseFont]  # 2048
    CF_NOOEMFONTS: ClassVar[EChooseFont]  # 2048
    CF_NOSIMULATIONS: ClassVar[EChooseFont]  # 4096
    CF_LIMITSIZE: ClassVar[EChooseFont]  # 8192
    CF_FIXEDPITCHONLY: ClassVar[EChooseFont]  # 16384
    CF_WYSIWYG: ClassVar[EChooseFont]  # 32768
    CF_FORCEFONTEXIST: ClassVar[EChooseFont]  # 65536
    CF_SCALABLEONLY: ClassVar[EChooseFont]  # 131072
    CF_TTONLY: ClassVar[EChooseFont]  # 262144
    CF_NOFACESEL: ClassVar[EChooseFont]  # 524288
    CF_NOSTYLESEL: ClassVar[EChooseFont]  # 1048576
    CF_NOSIZESEL: ClassVar[EChooseFont]  # 2097152
    CF_SELECTSCRIPT: ClassVar[EChooseFont]  # 4194304
    CF_NOSCRIPTSEL: ClassVar[EChooseFont]  # 8388608
    CF_NOVERTFONTS: ClassVar[EChooseFont]  # 16777216
    CF_FontNotSupported: ClassVar[EChooseFont]  # 568

class EDialogError(_Enum):
    CDERR_DIALOGFAILURE: ClassVar[EDialogError]  # 65535
    CDERR_GENERALCODES: ClassVar[EDialogError]  # 0
    CDERR_STRUCTSIZE: ClassVar[EDialogError]  # 1
    CDERR_INITIALIZATION: ClassVar[EDialogError]  # 2
    CDERR_NOTEMPLATE: ClassVar[EDialogError]  # 3
    CDERR_NOHINSTANCE: ClassVar[EDialogError]  # 4
    CDERR_LOADSTRFAILURE: ClassVar[EDialogError]  # 5
    CDERR_FINDRESFAILURE: ClassVar[EDialogError]  # 6
    CDERR_LOADRESFAILURE: ClassVar[EDialogError]  # 7
    CDERR_LOCKRESFAILURE: ClassVar[EDialogError]  # 8
    CDERR_MEMALLOCFAILURE: ClassVar[EDialogError]  # 9
    CDERR_MEMLOCKFAILURE: ClassVar[EDialogError]  # 10
    CDERR_NOHOOK: ClassVar[EDialogError]  # 11
    CDERR_REGISTERMSGFAIL: ClassVar[EDialogError]  # 12
    PDERR_PRINTERCODES: ClassVar[EDialogError]  # 4096
    PDERR_SETUPFAILURE: ClassVar[EDialogError]  # 4097
    PDERR_PARSEFAILURE: ClassVar[EDialogError]  # 4098
    PDERR_RETDEFFAILURE: ClassVar[EDialogError]  # 4099
    PDERR_LOADDRVFAILURE: ClassVar[EDialogError]  # 4100
    PDERR_GETDEVMODEFAIL: ClassVar[EDialogError]  # 4101
    PDERR_INITFAILURE: ClassVar[EDialogError]  # 4102
    PDERR_NODEVICES: ClassVar[EDialogError]  # 4103
    PDERR_NODEFAULTPRN: ClassVar[EDialogError]  # 4104
    PDERR_DNDMMISMATCH: ClassVar[EDialogError]  # 4105
    PDERR_CREATEICFAILURE: ClassVar[EDialogError]  # 4106
    PDERR_PRINTERNOTFOUND: ClassVar[EDialogError]  # 4107
    PDERR_DEFAULTDIFFERENT: ClassVar[EDialogError]  # 4108
    CFERR_CHOOSEFONTCODES: ClassVar[EDialogError]  # 8192
    CFERR_NOFONTS: ClassVar[EDialogError]  # 8193
    CFERR_MAXLESSTHANMIN: ClassVar[EDialogError]  # 8194
    FNERR_FILENAMECODES: ClassVar[EDialogError]  # 12288
    FNERR_SUBCLASSFAILURE: ClassVar[EDialogError]  # 12289
    FNERR_INVALIDFILENAME: ClassVar[EDialogError]  # 12290
    FNERR_BUFFERTOOSMALL: ClassVar[EDialogError]  # 12291
    CCERR_CHOOSECOLORCODES: ClassVar[EDialogError]  # 20480

class EErrorBytes(_Enum):
    eeBaseBytes: ClassVar[EErrorBytes]  # 13430

class EErrorCommonDialog(_Enum):
    eeBaseCommonDialog: ClassVar[EErrorCommonDialog]  # 13450

class EErrorUtility(_Enum):
    eeBaseUtility: ClassVar[EErrorUtility]  # 13000
    eeNoMousePointer: ClassVar[EErrorUtility]  # 13001
    eeNoTrueOption: ClassVar[EErrorUtility]  # 13002
    eeNotOptionArray: ClassVar[EErrorUtility]  # 13003
    eeMissingParameter: ClassVar[EErrorUtility]  # 13004

class EFontType(_ArithmeticEnum):
    SIMULATED_FONTTYPE: ClassVar[EFontType]  # 32768
    PRINTER_FONTTYPE: ClassVar[EFontType]  # 16384
    SCREEN_FONTTYPE: ClassVar[EFontType]  # 8192
    BOLD_FONTTYPE: ClassVar[EFontType]  # 256
    ITALIC_FONTTYPE: ClassVar[EFontType]  # 512
    REGULAR_FONTTYPE: ClassVar[EFontType]  # 1024

class EHexDump(_Enum):
    ehdOneColumn: ClassVar[EHexDump]  # 0
    ehdTwoColumn: ClassVar[EHexDump]  # 1
    ehdEndless: ClassVar[EHexDump]  # 2
    ehdSample8: ClassVar[EHexDump]  # 3
    ehdSample16: ClassVar[EHexDump]  # 4

class EOpenFile(_ArithmeticEnum):
    OFN_READONLY: ClassVar[EOpenFile]  # 1
    OFN_OVERWRITEPROMPT: ClassVar[EOpenFile]  # 2
    OFN_HIDEREADONLY: ClassVar[EOpenFile]  # 4
    OFN_NOCHANGEDIR: ClassVar[EOpenFile]  # 8
    OFN_SHOWHELP: ClassVar[EOpenFile]  # 16
    OFN_ENABLEHOOK: ClassVar[EOpenFile]  # 32
    OFN_ENABLETEMPLATE: ClassVar[EOpenFile]  # 64
    OFN_ENABLETEMPLATEHANDLE: ClassVar[EOpenFile]  # 128
    OFN_NOVALIDATE: ClassVar[EOpenFile]  # 256
    OFN_ALLOWMULTISELECT: ClassVar[EOpenFile]  # 512
    OFN_EXTENSIONDIFFERENT: ClassVar[EOpenFile]  # 1024
    OFN_PATHMUSTEXIST: ClassVar[EOpenFile]  # 2048
    OFN_FILEMUSTEXIST: ClassVar[EOpenFile]  # 4096
    OFN_CREATEPROMPT: ClassVar[EOpenFile]  # 8192
    OFN_SHAREAWARE: ClassVar[EOpenFile]  # 16384
    OFN_NOREADONLYRETURN: ClassVar[EOpenFile]  # 32768
    OFN_NOTESTFILECREATE: ClassVar[EOpenFile]  # 65536
    OFN_NONETWORKBUTTON: ClassVar[EOpenFile]  # 131072
    OFN_NOLONGNAMES: ClassVar[EOpenFile]  # 262144
    OFN_EXPLORER: ClassVar[EOpenFile]  # 524288
    OFN_NODEREFERENCELINKS: ClassVar[EOpenFile]  # 1048576
    OFN_LONGNAMES: ClassVar[EOpenFile]  # 2097152

class EOrientation(_Enum):
    eoPortrait: ClassVar[EOrientation]  # 1
    eoLandscape: ClassVar[EOrientation]  # 2

class EPageSetup(_ArithmeticEnum):
    PSD_DEFAULTMINMARGINS: ClassVar[EPageSetup]  # 0
    PSD_INWININIINTLMEASURE: ClassVar[EPageSetup]  # 0
    PSD_MINMARGINS: ClassVar[EPageSetup]  # 1
    PSD_MARGINS: ClassVar[EPageSetup]  # 2
    PSD_INTHOUSANDTHSOFINCHES: ClassVar[EPageSetup]  # 4
    PSD_INHUNDREDTHSOFMILLIMETERS: ClassVar[EPageSetup]  # 8
    PSD_DISABLEMARGINS: ClassVar[EPageSetup]  # 16
    PSD_DISABLEPRINTER: ClassVar[EPageSetup]  # 32
    PSD_NOWARNING: ClassVar[EPageSetup]  # 128
    PSD_DISABLEORIENTATION: ClassVar[EPageSetup]  # 256
    PSD_DISABLEPAPER: ClassVar[EPageSetup]  # 512
    PSD_RETURNDEFAULT: ClassVar[EPageSetup]  # 1024
    PSD_SHOWHELP: ClassVar[EPageSetup]  # 2048
    PSD_ENABLEPAGESETUPHOOK: ClassVar[EPageSetup]  # 8192
    PSD_ENABLEPAGESETUPTEMPLATE: ClassVar[EPageSetup]  # 32768
    PSD_ENABLEPAGESETUPTEMPLATEHANDLE: ClassVar[EPageSetup]  # 131072
    PSD_ENABLEPAGEPAINTHOOK: ClassVar[EPageSetup]  # 262144
    PSD_DISABLEPAGEPAINTING: ClassVar[EPageSetup]  # 524288

class EPageSetupUnits(_Enum):
    epsuInches: ClassVar[EPageSetupUnits]  # 0
    epsuMillimeters: ClassVar[EPageSetupUnits]  # 1

class EPaperSize(_Enum):
    epsLetter: ClassVar[EPaperSize]  # 1
    epsLetterSmall: ClassVar[EPaperSize]  # 2
    epsTabloid: ClassVar[EPaperSize]  # 3
    epsLedger: ClassVar[EPaperSize]  # 4
    epsLegal: ClassVar[EPaperSize]  # 5
    epsStatement: ClassVar[EPaperSize]  # 6
    epsExecutive: ClassVar[EPaperSize]  # 7
    epsA3: ClassVar[EPaperSize]  # 8
    epsA4: ClassVar[EPaperSize]  # 9
    epsA4Small: ClassVar[EPaperSize]  # 10
    epsA5: ClassVar[EPaperSize]  # 11
    epsB4: ClassVar[EPaperSize]  # 12
    epsB5: ClassVar[EPaperSize]  # 13
    epsFolio: ClassVar[EPaperSize]  # 14
    epsQuarto: ClassVar[EPaperSize]  # 15
    eps10x14: ClassVar[EPaperSize]  # 16
    eps11x17: ClassVar[EPaperSize]  # 17
    epsNote: ClassVar[EPaperSize]  # 18
    epsEnv9: ClassVar[EPaperSize]  # 19
    epsEnv10: ClassVar[EPaperSize]  # 20
    epsEnv11: ClassVar[EPaperSize]  # 21
    epsEnv12: ClassVar[EPaperSize]  # 22
    epsEnv14: ClassVar[EPaperSize]  # 23
    epsCSheet: ClassVar[EPaperSize]  # 24
    epsDSheet: ClassVar[EPaperSize]  # 25
    epsESheet: ClassVar[EPaperSize]  # 26
    epsEnvDL: ClassVar[EPaperSize]  # 27
    epsEnvC3: ClassVar[EPaperSize]  # 28
    epsEnvC4: ClassVar[EPaperSize]  # 29
    epsEnvC5: ClassVar[EPaperSize]  # 30
    epsEnvC6: ClassVar[EPaperSize]  # 31
    epsEnvC65: ClassVar[EPaperSize]  # 32
    epsEnvB4: ClassVar[EPaperSize]  # 33
    epsEnvB5: ClassVar[EPaperSize]  # 34
    epsEnvB6: ClassVar[EPaperSize]  # 35
    epsEnvItaly: ClassVar[EPaperSize]  # 36
    epsenvmonarch: ClassVar[EPaperSize]  # 37
    epsEnvPersonal: ClassVar[EPaperSize]  # 38
    epsFanfoldUS: ClassVar[EPaperSize]  # 39
    epsFanfoldStdGerman: ClassVar[EPaperSize]  # 40
    epsFanfoldLglGerman: ClassVar[EPaperSize]  # 41
    epsUser: ClassVar[EPaperSize]  # 256

class EPrintDialog(_ArithmeticEnum):
    PD_ALLPAGES: ClassVar[EPrintDialog]  # 0
    PD_SELECTION: ClassVar[EPrintDialog]  # 1
    PD_PAGENUMS: ClassVar[EPrintDialog]  # 2
    PD_NOSELECTION: ClassVar[EPrintDialog]  # 4
    PD_NOPAGENUMS: ClassVar[EPrintDialog]  # 8
    PD_COLLATE: ClassVar[EPrintDialog]  # 16
    PD_PRINTTOFILE: ClassVar[EPrintDialog]  # 32
    PD_PRINTSETUP: ClassVar[EPrintDialog]  # 64
    PD_NOWARNING: ClassVar[EPrintDialog]  # 128
    PD_RETURNDC: ClassVar[EPrintDialog]  # 256
    PD_RETURNIC: ClassVar[EPrintDialog]  # 512
    PD_RETURNDEFAULT: ClassVar[EPrintDialog]  # 1024
    PD_SHOWHELP: ClassVar[EPrintDialog]  # 2048
    PD_ENABLEPRINTHOOK: ClassVar[EPrintDialog]  # 4096
    PD_ENABLESETUPHOOK: ClassVar[EPrintDialog]  # 8192
    PD_ENABLEPRINTTEMPLATE: ClassVar[EPrintDialog]  # 16384
    PD_ENABLESETUPTEMPLATE: ClassVar[EPrintDialog]  # 32768
    PD_ENABLEPRINTTEMPLATEHANDLE: ClassVar[EPrintDialog]  # 65536
    PD_ENABLESETUPTEMPLATEHANDLE: ClassVar[EPrintDialog]  # 131072
    PD_USEDEVMODECOPIES: ClassVar[EPrintDialog]  # 262144
    PD_USEDEVMODECOPIESANDCOLLATE: ClassVar[EPrintDialog]  # 262144
    PD_DISABLEPRINTTOFILE: ClassVar[EPrintDialog]  # 524288
    PD_HIDEPRINTTOFILE: ClassVar[EPrintDialog]  # 1048576
    PD_NONETWORKBUTTON: ClassVar[EPrintDialog]  # 2097152

class EPrintQuality(_Enum):
    epqDraft: ClassVar[EPrintQuality]  # -1
    epqLow: ClassVar[EPrintQuality]  # -2
    epqMedium: ClassVar[EPrintQuality]  # -3
    epqHigh: ClassVar[EPrintQuality]  # -4

class EPrintRange(_Enum):
    eprAll: ClassVar[EPrintRange]  # 0
    eprPageNumbers: ClassVar[EPrintRange]  # 1
    eprSelection: ClassVar[EPrintRange]  # 2

class ESearchOptions(_ArithmeticEnum):
    esoCaseSense: ClassVar[ESearchOptions]  # 1
    esoBackward: ClassVar[ESearchOptions]  # 2
    esoWholeWord: ClassVar[ESearchOptions]  # 4

class PictureFormat(_Enum):
    Png: ClassVar[PictureFormat]  # 1
    Jpeg: ClassVar[PictureFormat]  # 2
    Gif: ClassVar[PictureFormat]  # 3
    Bmp: ClassVar[PictureFormat]  # 4

class VarType(_Enum):
    Empty: ClassVar[VarType]  # 0
    Null: ClassVar[VarType]  # 1
    Integer: ClassVar[VarType]  # 2
    Long: ClassVar[VarType]  # 3
    Single: ClassVar[VarType]  # 4
    Double: ClassVar[VarType]  # 5
    Date: ClassVar[VarType]  # 7
    String: ClassVar[VarType]  # 8
    Object: ClassVar[VarType]  # 9
    Error: ClassVar[VarType]  # 10
    Boolean: ClassVar[VarType]  # 11
    Variant: ClassVar[VarType]  # 12
    Byte: ClassVar[VarType]  # 17

class ioDocUserProperties(_Enum):
    Email: ClassVar[ioDocUserProperties]  # 1
    WebPage: ClassVar[ioDocUserProperties]  # 2
    PhoneNum: ClassVar[ioDocUserProperties]  # 3

class ioErrors(_Enum):
    ioCancel: ClassVar[ioErrors]  # -2147220992
    ioBadFile: ClassVar[ioErrors]  # -2147220991
    ioElementNotFound: ClassVar[ioErrors]  # -2147220990
    ionotloaded: ClassVar[ioErrors]  # -2147220989

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
