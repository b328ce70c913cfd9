"""GUtility, GBytes and GCommonDialog: by-reference results and byte text."""

import vellora2


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
    try:
        b.BytesToWord(b"\0", 0)
    except vellora2.AutomationError as e:
        assert e.number == 9
    else:
        raise AssertionError("a field past the end must raise 9")


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
