"""Salvage from Python: a damaged file gives back what it still holds."""

import pathlib

import pytest

import vellora2
from vellora2 import AutomationError, SalvageVerdict

STG_E_FILEALREADYEXISTS = 0x80030050 - (1 << 32)


def test_salvage_of_a_cut_file(doc, tmp_path):
    document = tmp_path / "doc.qxv"
    streams = {"first": bytes(range(256)) * 40, "second": b"x" * 30000}
    for name, data in streams.items():
        source = tmp_path / (name + ".bin")
        source.write_bytes(data)
        doc.CFilesIO.Import(str(source), name)
    doc.SaveToPath(str(document))
    sound = vellora2.Salvage(document)
    assert sound.Whole and sound.Problems == []
    by_name = {pathlib.PureWindowsPath(e.path).name: (i, e) for i, e in enumerate(sound.Elements)}
    for name, data in streams.items():
        index, element = by_name[name]
        assert element.verdict == SalvageVerdict.Whole
        assert sound.Read(index) == data
    copy = tmp_path / "copy.qxv"
    sound.WriteCompoundFile(copy)
    assert vellora2.Salvage(str(copy)).Whole
    with pytest.raises(AutomationError) as error:
        sound.WriteCompoundFile(copy)
    assert error.value.number == STG_E_FILEALREADYEXISTS

    cut = tmp_path / "cut.qxv"
    cut.write_bytes(document.read_bytes()[: document.stat().st_size // 2])
    damaged = vellora2.Salvage(cut)
    assert not damaged.Whole
    assert "problem: " in damaged.Report()
    for index, element in enumerate(damaged.Elements):
        name = pathlib.PureWindowsPath(element.path).name
        if name in streams:
            assert damaged.Read(index) == streams[name][: element.recovered]


def test_salvage_refuses_what_is_no_compound_file(tmp_path):
    junk = tmp_path / "junk.bin"
    junk.write_bytes(b"no compound file" * 100)
    with pytest.raises(AutomationError) as error:
        vellora2.Salvage(junk)
    assert error.value.number == STG_E_FILEALREADYEXISTS
    with pytest.raises(TypeError):
        vellora2.Salvage(5)
