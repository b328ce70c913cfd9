"""Documents the vellora tool writes, opened by independent readers."""
import pathlib
import random

import olefile

from conftest import need, read_tree, run


def test_olefile_reads_every_stream(packed):
    document, expected = packed
    with olefile.OleFileIO(str(document)) as ole:
        streams = {"/".join(entry): ole.openstream(entry).read() for entry in ole.listdir(streams=True, storages=False)}
    assert streams == expected


def test_gsf_lists_and_cats_every_stream(packed):
    need("gsf")
    document, expected = packed
    listed = run("gsf", "list", str(document)).decode()
    for rel, data in expected.items():
        assert rel.split("/")[-1] in listed
        assert run("gsf", "cat", str(document), rel) == data, rel


def test_olecfexport_exports_every_stream(packed, tmp_path):
    need("olecfexport")
    document, expected = packed
    target = tmp_path / "olecf"
    run("olecfexport", "-t", str(target), str(document))
    # olecfexport makes a folder for every element and puts its bytes in
    # StreamData.bin (empty for a storage).
    suffix = "/StreamData.bin"
    exported = {rel[: -len(suffix)]: data for rel, data in read_tree(pathlib.Path(str(target) + ".export")).items()}
    for rel, data in expected.items():
        assert exported.pop(rel) == data, rel
    assert all(data == b"" for data in exported.values())


def test_7zip_extracts_every_stream(packed, tmp_path):
    need("7zz")
    document, expected = packed
    target = tmp_path / "7z"
    run("7zz", "x", "-y", f"-o{target}", str(document))
    assert sorted(read_tree(target).values()) == sorted(expected.values())
    listing = run("7zz", "l", str(document)).decode(errors="replace")
    assert "Caf" in listing and "n" * 31 in listing


def test_check_finds_no_problems(packed, vellora):
    document, _ = packed
    assert b"no problems found" in run(vellora, "check", str(document))


def test_a_file_cut_after_a_removal_reads_everywhere(packed, vellora, tmp_path):
    """A large stream imported, imported again over itself and removed: the
    save cuts the file after its data, with the FAT and DIFAT sectors that
    described the freed part. A crash after the new header but before the cut
    leaves the new document followed by the old file's tail. Both read whole."""
    need("gsf")
    document, expected = packed
    before = document.stat().st_size
    big = tmp_path / "big.bin"
    big.write_bytes(random.Random(3).randbytes(8 << 20))
    run(vellora, "import", str(document), str(big), "Big")
    run(vellora, "import", "-f", str(document), str(big), "Big")
    grown = document.read_bytes()
    run(vellora, "rm", str(document), "Big")
    cut = document.read_bytes()
    assert len(grown) > before + (16 << 20)
    assert len(cut) <= before + 4096
    longer = tmp_path / "longer.qxv"
    longer.write_bytes(cut + grown[len(cut):])
    for path in (document, longer):
        with olefile.OleFileIO(str(path)) as ole:
            streams = {"/".join(e): ole.openstream(e).read() for e in ole.listdir(streams=True, storages=False)}
        assert streams == expected, path
        for rel, data in expected.items():
            assert run("gsf", "cat", str(path), rel) == data, (path, rel)
        assert b"no problems found" in run(vellora, "check", str(path))
