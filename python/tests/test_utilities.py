"""GUtility, GBytes and GCommonDialog: by-reference results and byte text."""

import pytest

import vellora2
from vellora2 import AutomationError


def test_byte_arrays_come_back_changed():
    b = vellora2.GBytes()
    # A sized array keeps its length; the caller's string is padded with NULs.
    assert b.StrToBytes(b"\0" * 6, "abc") == (b"abc\0\0\0", "abc\0\0\0")
    # An empty array takes all of the string.
    assert b.StrToBytes(b"", "café") == ("café".encode("cp1252"), "café")
    assert b.InsBytes("xy", bytearray(b"......"), 2, 4) == ("xy\0\0", b"..xy\0\0")
    assert b.BytesFromWord(0x1234, b"\0\0\0", 1) == b"\0\x34\x12"
    assert b.BytesToDWord(b.BytesFromDWord(-2, bytes(4), 0), 0) == -2
    assert b.FillBytes(b"abcd", 0x7A, 1, 2) == b"azzd"
    assert b.SetBitWord(True, 0, 15) == -32768
    assert b.SetBitDWord(False, -1, 0) == -2
    assert b.StrToBytesV("A\xff") == b"A\xff"
    with pytest.raises(AutomationError) as past_the_end:
        b.BytesToWord(b"\0", 0)
    assert past_the_end.value.number == 9


def test_strings_paths_and_byte_text(tmp_path):
    u = vellora2.GUtility()
    assert u.StrToStrB("café€") == b"caf\xe9\x80"
    assert u.StrBToStr(b"caf\xe9\x80") == "café€"
    assert u.CharToStr("abc", ord("X"), 2) == "aXc"
    assert u.InsertChar("abc", "Zed", 3) == "abZ"
    target = tmp_path / "dir" / "name.ext"
    full, file_part, ext_part, dir_part = u.GetFullPath(str(target), 0, 0, 0)
    assert full == str(target)
    assert full[file_part - 1:] == "name.ext"
    assert full[ext_part - 1:] == ".ext"
    assert full[dir_part - 1] == "/"
    assert u.DenormalizePath(str(tmp_path) + "/") == str(tmp_path)
    temp, folder = u.GetTempFile("vel", "")
    assert folder == u.GetTempDir() and temp.startswith(folder)
    assert u.ExistFile(temp)
    assert u.InStrR("abcabc", "bc") == 5
    assert u.Among(3, "x", 3.0, None)
    assert not u.Among("A", "a", 1)


def test_dialogs_without_a_user_answer_as_cancelled():
    d = vellora2.GCommonDialog()
    ok, name, title, read_only, flt, index, flags = d.VBGetOpenFileName("start.qxv", "t", filter="Docs|*.qxv")
    assert (ok, name, title, flt, index, flags) == (False, "", "", "", -1, 0)
    ok, name, title, flt, index, flags = d.VBGetSaveFileName("start.qxv")
    assert (ok, name, flt, index) == (False, "", "", 0)
    assert d.VBChooseColor(0x123456) == (False, -1)
    d.CustomColor(3, 0x00FF00)
    assert d.CustomColor(3) == 0x00FF00


class Option:
    def __init__(self, index, value):
        self.Index, self.Value = index, value


def test_option_groups_and_collections():
    u = vellora2.GUtility()
    assert u.GetOption([Option(0, False), Option(4, True), Option(5, True)]) == 4
    for group, number in [([Option(0, False)], vellora2.eeNoTrueOption), ([], vellora2.eeNoTrueOption),
                          ([1, 2], vellora2.eeNotOptionArray), (None, vellora2.eeNotOptionArray),
                          ([object()], vellora2.eeNotOptionArray)]:
        with pytest.raises(AutomationError) as e:
            u.GetOption(group)
        assert e.value.number == number, group

    # A button whose Value fails: the script's own exception comes back.
    class Broken:
        Index = 1

        @property
        def Value(self):
            raise ZeroDivisionError("no value")

    with pytest.raises(ZeroDivisionError):
        u.GetOption([Broken()])

    c = vellora2.Collection()
    for item, key in [("a", "ka"), ("b", "kb"), ("c", None)]:
        c.Add(item, key)
    # By position the item loses its key; by key it keeps it and moves to the end.
    u.CollectionReplace(c, 1, "A")
    u.CollectionReplace(c, "KB", "B")
    assert list(c) == ["A", "c", "B"] and c.Item("kb") == "B"
    for index, number in [(0, 9), (4, 9), ("ka", 5)]:
        with pytest.raises(AutomationError) as e:
            u.CollectionReplace(c, index, "z")
        assert e.value.number == number, index
    assert list(c) == ["A", "c", "B"]


def test_search_dirs_gives_the_positions(tmp_path):
    u = vellora2.GUtility()
    (tmp_path / "tool.cfg").write_text("x")
    found, file_part, ext_part, dir_part = u.SearchDirs("tool", ".cfg", f"/nowhere:{tmp_path}", 0, 0, 0)
    assert found == str(tmp_path / "tool.cfg")
    assert (found[file_part - 1:], found[ext_part - 1:], dir_part) == ("tool.cfg", ".cfg", 1)
    # Nothing found, or no name: the positions stay as the caller had them.
    assert u.SearchDirs("absent", "", str(tmp_path), 7, 8, 9) == ("", 7, 8, 9)
    assert u.SearchDirs("", "", str(tmp_path), 7, 8, 9) == ("", 7, 8, 9)


def test_page_setup_without_a_user_leaves_every_value():
    d = vellora2.GCommonDialog()
    printer = Option(0, False)
    printer.PaperSize = 0
    margins = dict(LeftMargin=1, MinLeftMargin=0, RightMargin=2, MinRightMargin=0, TopMargin=3, MinTopMargin=1,
                   BottomMargin=4, MinBottomMargin=1)
    result = d.VBPageSetupDlg(**margins, PaperSize=vellora2.epsA4, Orientation=vellora2.eoLandscape,
                              PrintQuality=vellora2.epqHigh, Printer=printer)
    assert result == (False, *margins.values(), vellora2.epsA4, vellora2.eoLandscape, vellora2.epqHigh)
    assert printer.PaperSize == 0
    # Margins are scaled to thousandths of an inch or hundredths of a millimetre
    # before the dialog opens; a margin that does not fit overflows.
    assert d.VBPageSetupDlg(LeftMargin=3_000_000, Units=vellora2.epsuMillimeters)[:2] == (False, 3_000_000)
    with pytest.raises(AutomationError) as overflow:
        d.VBPageSetupDlg(LeftMargin=3_000_000)
    assert overflow.value.number == 6


def test_properties_window_without_a_display(doc):
    doc.DocTitle = "Quarterly figures"
    assert not vellora2.CanShowPropertiesWindow()
    text = vellora2.PropertiesText(doc)
    assert text.startswith("General\n") and "  Title: Quarterly figures\n" in text
    doc.EditProperties()  # says on stderr that there is no display, and returns
