"""Whole scripts: a document made, filled, exported, saved and opened again."""

import pytest

import vellora2
from vellora2 import AutomationError, Variant, VarType
from conftest import write_lines

LINES = [b"first line", b"caf\xe9 au lait", b"", b"last"]


def expected_percents(size):
    # PercentDone comes after the 16th byte and then after every 15 more, with
    # the share copied rounded half to even (Python's round does the same).
    return [round(pos * 100 / size) for pos in range(16, size + 1, 15)]


def test_new_import_export_lines_properties_save_reopen(doc, tmp_path):
    notes = tmp_path / "notes.txt"
    write_lines(notes, LINES)
    files = doc.CFilesIO

    # Import hands back both by-reference arguments; the leading backslash of
    # the element path is gone from the caller's copy.
    assert files.Import(str(notes), "\\Settings\\notes.txt") == (str(notes), "Settings\\notes.txt")
    assert doc.Dirty
    assert "Settings" in files.EnumStorages()
    assert files.EnumStreams("\\Settings") == (["notes.txt"], "Settings")
    assert files.EnumStreams("\\Help") == (None, "Help")

    # Export with progress: the document forwards the events of its CFilesIO.
    events = []
    with doc.connect(StartOperation=lambda: events.append("start"),
                     PercentDone=lambda x: events.append(x),
                     FinishOperation=lambda: events.append("finish")):
        out = tmp_path / "out.txt"
        assert files.Export("\\Settings\\notes.txt", str(out)) == "Settings\\notes.txt"
    size = notes.stat().st_size
    assert out.read_bytes() == notes.read_bytes()
    assert events == ["start", *expected_percents(size), "finish"]

    # The connection has ended: a second export raises no events.
    events.clear()
    files.Export("Settings\\notes.txt", str(tmp_path / "again.txt"))
    assert events == []

    # Lines: byte text in the stream, Python strings outside (Windows-1252).
    with files.loaded("\\Settings\\notes.txt") as stream:
        assert stream.existed and stream.Name == "Settings\\notes.txt"
        assert files.GetNumLines() == len(LINES)
        read = []
        while not files.EOFStream:
            read.append(files.GetLine())
        assert read == [line.decode("cp1252") for line in LINES]
        assert files.GetLine(0) == ("first line", -1)
        assert files.GetLineByNum(2) == "café au lait"
        files.PutLine("added by a script", size)
        assert files.Dirty
    with pytest.raises(AutomationError) as not_loaded:
        files.GetLine()
    assert not_loaded.value.number == vellora2.ionotloaded

    doc.DocTitle = "Quarterly plan"
    doc.DocAuthor = "Ana Pérez"
    doc.DocKeywords = "plan, budget"
    doc.DocEmail = "ana@example.org"
    doc.DocPhoneNum = "+34 600 000 000"
    saved = tmp_path / "plan.qxv"
    doc.SaveToPath(str(saved))
    doc.Dirty = False
    doc.CloseFile()
    assert doc.strFilePath == ""

    # Reopen: the host is asked about the file type and sees its application name.
    seen = []
    with doc.connect(IsCorrectFileType=lambda ok: seen.append((ok, doc.AppName))):
        assert doc.OpenFile(str(saved))
    assert seen == [(True, "Vellora2")]
    assert doc.DocTitle == "Quarterly plan"
    assert doc.DocAuthor == "Ana Pérez"
    assert doc.DocKeywords == "plan, budget"
    assert doc.DocEmail == "ana@example.org"
    assert doc.DocPhoneNum == "+34 600 000 000"
    assert doc.DocCompany == ""
    assert not doc.Dirty
    existed, _ = files.Load("Settings\\notes.txt")
    assert existed
    assert files.GetLineByNum(files.GetNumLines()) == "added by a script"
    files.CloseLoadedFile()

    # A handler may refuse the file: OpenFile says False and nothing is open.
    doc.CloseFile()
    with doc.connect(IsCorrectFileType=lambda ok: False):
        assert not doc.OpenFile(str(saved))
    with pytest.raises(AutomationError) as closed:
        files.EnumStreams()
    assert closed.value.number == 91


def test_values_by_subtype(doc):
    files = doc.CFilesIO
    existed, name = files.Load("data")
    assert (existed, name) == (False, "data")
    files.PutInFile(Variant(258, VarType.Integer), 0)
    files.PutInFile(Variant(-2, VarType.Long))
    files.PutInFile("xyz")
    files.PutInFile(2.5)
    assert files.SeekInFile() == 2 + 4 + 3 + 8
    # The value passed in says how many bytes to read; its subtype decides.
    assert files.GetFromFile(Variant(0, VarType.Integer), 0) == 258
    assert files.GetFromFile(Variant(0, VarType.Byte), 0) == 2
    assert files.GetFromFile(Variant(0, VarType.Byte), 1) == 1
    assert files.GetFromFile(0, 2) == -2
    assert files.GetFromFile("...", 6) == "xyz"
    assert files.GetFromFile(0.0, 9) == 2.5
    assert files.EOFStream
    files.CloseLoadedFile()

    with pytest.raises(AutomationError) as overflow:
        Variant(70000, VarType.Integer)
    assert overflow.value.number == 6
    assert Variant(7, VarType.Byte).vartype == VarType.Byte
    assert Variant(None).value is None


def test_a_read_only_document_says_so_and_refuses_changes(doc, tmp_path):
    path = str(tmp_path / "ro.qxv")
    assert doc.blnDocumentOpen and not doc.blnReadOnly
    doc.CFilesIO.Load("Settings\\notes")
    doc.CFilesIO.PutLine("kept")
    doc.SaveToPath(path)
    doc.CloseFile()
    assert not doc.blnDocumentOpen and not doc.blnReadOnly
    assert doc.OpenFileReadOnly(path)
    assert doc.blnDocumentOpen and doc.blnReadOnly
    files = doc.CFilesIO
    assert files.Load("Settings\\notes")[0]
    assert files.GetLine() == "kept"
    changes = [
        lambda: files.PutLine("x"),
        lambda: files.Delete("Settings"),
        lambda: setattr(doc, "DocTitle", "t"),
        lambda: setattr(doc, "Dirty", True),
    ]
    for change in changes:
        with pytest.raises(AutomationError) as e:
            change()
        assert e.value.number == -2147287035
        assert e.value.description == "the document was opened read-only"
    assert not doc.Dirty
    doc.SaveToPath(str(tmp_path / "copy.qxv"))
    assert doc.blnDocumentOpen and not doc.blnReadOnly


def test_missing_element_and_not_loaded_stream(doc, tmp_path):
    files = doc.CFilesIO
    with pytest.raises(AutomationError) as missing:
        files.Export("Settings\\nothing", str(tmp_path / "f"))
    assert missing.value.number == vellora2.ioElementNotFound == -2147220990
    assert missing.value.description == "Element not found."
    assert missing.value.source == "Vellora2.CFilesIO|Vellora.CFilesIO::Export"
    assert not (tmp_path / "f").exists()

    cases = [
        (lambda: files.GetLine(3), "You must first Load an element in code.",
         "Vellora2.CFilesIO|Vellora.CFilesIO::GetLine"),
        (lambda: files.PutLine("x"), "You must first Load and element in code.",
         "Vellora2.CFilesIO|Vellora.CFilesIO::PutString"),
        (lambda: files.EOFStream, "Stream not loaded.", "Vellora2.CFilesIO"),
    ]
    for call, description, source in cases:
        with pytest.raises(AutomationError) as e:
            call()
        assert (e.value.number, e.value.description, e.value.source) == (
            vellora2.ionotloaded, description, source)
        assert str(e.value) == f"{description} ({int(vellora2.ionotloaded)}) [{source}]"

    # A missing disk file: 53, and the by-reference FileLocation, now the full
    # path, travels with the exception.
    with pytest.raises(AutomationError) as absent:
        files.Import("no-such-file.txt", "\\x")
    assert absent.value.number == 53
    full, name = absent.value.byref
    assert full.endswith("/no-such-file.txt") and full.startswith("/")
    assert name in ("x", "\\x")


def test_callbacks_that_raise(doc, tmp_path):
    files = doc.CFilesIO
    big = tmp_path / "big.bin"
    big.write_bytes(bytes(range(256)) * 4)
    files.Import(str(big), "big")

    # A Python exception in a handler stops the copy, comes back unchanged, and
    # the library removes the unfinished file as for any failure.
    finished = []

    def stop(x):
        raise ValueError(f"stopped at {x}")

    with files.connect(PercentDone=stop, FinishOperation=lambda: finished.append(1)):
        with pytest.raises(ValueError, match="stopped at 2"):
            files.Export("big", str(tmp_path / "partial"))
    assert not (tmp_path / "partial").exists()
    assert finished == []

    # An AutomationError raised by a handler keeps its number and gathers frames.
    def cancel(x):
        raise AutomationError(vellora2.ioCancel, "Host", "stopped by the user")

    with doc.connect(PercentDone=cancel):
        with pytest.raises(AutomationError) as e:
            files.Export("big", str(tmp_path / "partial"))
    assert (e.value.number, e.value.source, e.value.description) == (
        vellora2.ioCancel, "Host|Vellora.CFilesIO::Export", "stopped by the user")

    # A by-reference event argument: the document's handler runs first (it
    # connected when the document was made), and what it returns is what the
    # next handler sees.
    seen = []
    with doc.connect(PercentDone=lambda x: x + 1000), files.connect(PercentDone=seen.append):
        files.Export("big", str(tmp_path / "copy"))
    assert seen == [p + 1000 for p in expected_percents(1024)]

    # Handlers that return what an event cannot take are errors, not crashes.
    for bad in (lambda x: "fifty", lambda x: 1 << 20):
        with files.connect(PercentDone=bad):
            with pytest.raises((TypeError, ValueError)):
                files.Export("big", str(tmp_path / "never"))
        assert not (tmp_path / "never").exists()
    with pytest.raises(TypeError):
        files.connect(Progress=print)


def test_the_example_script_runs(tmp_path):
    import os
    import subprocess
    import sys

    examples = os.environ.get("VELLORA2_EXAMPLES")
    if not examples:
        pytest.skip("VELLORA2_EXAMPLES is set by ctest")
    text = tmp_path / "lines.txt"
    write_lines(text, [b"one", b"two"])
    run = subprocess.run([sys.executable, os.path.join(examples, "python_demo.py"), str(text)],
                         capture_output=True, text=True, stdin=subprocess.DEVNULL, timeout=60)
    assert run.returncode == 0, run.stderr
    assert "   1  one\n   2  two\n" in run.stdout
    assert "DocTitle     'Python demo'" in run.stdout


def test_paths_may_be_path_like(doc, tmp_path):
    """Wherever a path is taken, pathlib.Path and other os.PathLike objects of
    str are taken as well; a bytes path and other objects stay a TypeError."""
    source = tmp_path / "notes.txt"
    source.write_bytes(b"one\r\ntwo\r\n")
    files = doc.CFilesIO
    location, name = files.Import(source, "notes")
    assert (location, name) == (str(source), "notes")
    files.Export("notes", tmp_path / "out.txt")
    assert (tmp_path / "out.txt").read_bytes() == source.read_bytes()
    doc.SaveToPath(tmp_path / "saved.qxv")
    doc.CloseFile()

    class Custom:
        def __fspath__(self):
            return str(tmp_path / "saved.qxv")

    again = vellora2.CVellora()
    assert again.OpenFileReadOnly(Custom())
    assert "notes" in again.CFilesIO.EnumStreams()
    again.CloseFile()
    for wrong in (b"/tmp/x", 3):
        with pytest.raises(TypeError):
            files.Import(wrong, "x")
