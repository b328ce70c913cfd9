"""Compound files written by other programs, read by the vellora tool."""
import json
import os
import pathlib
import shutil

import pytest

from conftest import make_tree, need, read_tree, run

HERE = pathlib.Path(__file__).parent


def export_all(vellora, document, target):
    run(vellora, "export", "-r", str(document), "\\", str(target))
    return read_tree(target)


def test_gsf_createole(tmp_path, vellora):
    need("gsf")
    files = {f"f{size}": os.urandom(size) for size in (0, 100, 4095, 4096, 5000, 70000)}
    for name, data in files.items():
        (tmp_path / name).write_bytes(data)
    document = tmp_path / "gsf.ole"
    run("gsf", "createole", str(document), *files, cwd=tmp_path)
    assert export_all(vellora, document, tmp_path / "out") == files


def test_msitools_package(tmp_path, vellora):
    need("msibuild")
    payload = os.urandom(20000)
    (tmp_path / "payload.bin").write_bytes(payload)
    document = tmp_path / "package.msi"
    run("msibuild", str(document), "-a", "Payload", str(tmp_path / "payload.bin"))
    listing = run(vellora, "tree", str(document)).decode()
    assert "SummaryInformation" in listing
    # msibuild leaves the root's tree unbalanced: a note, not a failure.
    check = run(vellora, "check", str(document)).decode()
    assert "note: the tree under the root is unbalanced" in check and "no problems found" in check
    exported = export_all(vellora, document, tmp_path / "out")
    # MSI stores its stream names in a compressed alphabet, so the payload is
    # found by its bytes.
    assert payload in exported.values()


def test_sheetjs_cfb(tmp_path, vellora):
    need("npm")
    module = tmp_path / "node"
    module.mkdir()
    result = os.system(f"cd {module} && npm install --silent --no-audit --no-fund cfb@1 >/dev/null 2>&1")
    if result != 0:
        pytest.fail("npm could not install cfb")
    tree = tmp_path / "tree"
    expected = make_tree(tree, seed=11)
    manifest = tmp_path / "manifest.json"
    manifest.write_text(json.dumps(sorted(expected)))
    document = tmp_path / "sheetjs.cfb"
    run("node", str(HERE / "sheetjs_write.js"), str(tree), str(manifest), str(document), cwd=module)
    exported = export_all(vellora, document, tmp_path / "out")
    # cfb keeps a marker stream of its own ("\x01Sh33tJ5", exported as "_Sh33tJ5").
    exported.pop("\\001Sh33tJ5", None)
    assert exported == expected


@pytest.mark.parametrize("fixture", sorted(p.name for p in (HERE / "fixtures").glob("*") if p.suffix != ".md"))
def test_fixtures_open_and_check(fixture, tmp_path, vellora):
    document = HERE / "fixtures" / fixture
    copy = tmp_path / fixture
    shutil.copy(document, copy)
    run(vellora, "tree", str(copy))
    assert b"no problems found" in run(vellora, "check", str(copy))
    export_all(vellora, copy, tmp_path / "out")
