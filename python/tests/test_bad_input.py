"""What a careless or hostile script may do: every case is a Python exception."""

import gc

import pytest

import vellora2
from vellora2 import AutomationError

STG_E_DOCFILECORRUPT = 0x80030109 - (1 << 32)


def test_wrong_types_raise_type_errors(doc):
    files = doc.CFilesIO
    calls = [
        lambda: setattr(doc, "DocTitle", 5),
        lambda: setattr(doc, "Dirty", "yes"),
        lambda: setattr(doc, "CFilesIO", None),
        lambda: setattr(doc, "CFilesIO", doc.CImagesIO),
        lambda: files.Load(None),
        lambda: files.GetLine("0"),
        lambda: files.SeekInFile(1 << 40),
        lambda: files.PutInFile(object()),
        lambda: doc.CImagesIO.Store(None, "pic"),
        lambda: vellora2.Picture.FromBytes("not bytes"),
        lambda: vellora2.GBytes().BytesToWord("text", 0),
    ]
    for call in calls:
        with pytest.raises(TypeError):
            call()


def test_closed_documents(doc, tmp_path):
    files = doc.CFilesIO
    doc.CloseFile()
    calls = [
        lambda: files.Load("s"),
        lambda: files.Import(__file__, "s"),
        lambda: files.EnumStorages(),
        lambda: files.Delete("s"),
        lambda: doc.SaveToPath(str(tmp_path / "x.qxv")),
        lambda: doc.Revert(),
    ]
    for call in calls:
        with pytest.raises(AutomationError) as e:
            call()
        assert e.value.number == 91
    assert not (tmp_path / "x.qxv").exists()


def test_elements_outlive_their_document(tmp_path):
    doc = vellora2.CVellora()
    doc.NewFile()
    files = doc.CFilesIO
    images = doc.CImagesIO
    files.Load("kept")
    files.PutLine("text")
    doc.Dirty = False
    del doc
    gc.collect()

    # The thread's document is closed; what the script still holds fails cleanly.
    with pytest.raises(AutomationError) as e:
        files.EnumStreams()
    assert e.value.number == 91
    assert images.EnumStreams() is None
    files.SeekInFile(0)
    assert files.GetLine() == "text"
    files.CloseLoadedFile()
    with pytest.raises(AutomationError):
        files.Load("again")


def test_corrupt_and_foreign_files(doc, tmp_path):
    plain = tmp_path / "plain.qxv"
    plain.write_bytes(b"just text, not a compound file\r\n")
    assert doc.OpenFile(str(plain)) is False
    assert doc.OpenFile(str(tmp_path / "missing.qxv")) is False

    # A real document with its directory and tables overwritten.
    good = tmp_path / "good.qxv"
    doc.DocTitle = "to be broken"
    doc.SaveToPath(str(good))
    doc.Dirty = False
    data = bytearray(good.read_bytes())
    data[512:] = b"\xff" * (len(data) - 512)
    broken = tmp_path / "broken.qxv"
    broken.write_bytes(bytes(data))
    with pytest.raises(AutomationError) as e:
        doc.OpenFile(str(broken))
    assert e.value.number == STG_E_DOCFILECORRUPT
    assert e.value.source == "Vellora2.Storage"
    # The failed open leaves the thread able to go on.
    assert doc.NewFile()
    assert doc.CFilesIO.Load("fresh") == (False, "fresh")
    doc.CFilesIO.CloseLoadedFile()


def test_handlers_that_disconnect_during_an_export(doc, tmp_path):
    files = doc.CFilesIO
    source = tmp_path / "data.bin"
    source.write_bytes(bytes(200))
    files.Import(str(source), "data")
    seen = []
    # The first handler ends the second connection and drops it while the
    # library is still raising the same event to the sinks it listed.
    connections = {}

    def first(x):
        seen.append(("first", x))
        connections.pop("second", None)

    connections["first"] = files.connect(PercentDone=first)
    connections["second"] = files.connect(PercentDone=lambda x: seen.append(("second", x)))
    files.Export("data", str(tmp_path / "out.bin"))
    assert seen and all(name == "first" for name, _ in seen)
    # A handler may end its own connection too.
    with doc.connect(StartOperation=lambda: own.disconnect()) as own:
        files.Export("data", str(tmp_path / "again.bin"))
        assert not own.connected
