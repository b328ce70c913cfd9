"""A document made by NewFile and saved, as independent readers see it."""
import shutil
import subprocess

import olefile
import pytest

import vellora2


def test_new_document_as_olefile_and_exiftool_see_it(tmp_path):
    path = tmp_path / "made.qxv"
    d = vellora2.CVellora()
    d.AppName = "Quillar"
    d.AppVersion = "4.2"
    assert d.NewFile()
    d.DocTitle = "Site survey"
    d.DocAuthor = "Ana Lima"
    d.DocSubject = "Bridges"
    d.DocCompany = "Acme"
    d.DocEmail = "ana@example.org"
    d.DocWebPage = "https://example.org"
    d.SaveToPath(str(path))
    d.CloseFile()
    del d

    with olefile.OleFileIO(str(path)) as ole:
        storages = sorted(e[0] for e in ole.listdir(streams=False, storages=True))
        assert storages == ["Databases", "DecisionTreeData", "Help", "Images", "Settings"]
        meta = ole.get_metadata()
    assert meta.title == b"Site survey"
    assert meta.author == b"Ana Lima"
    assert meta.subject == b"Bridges"
    assert meta.company == b"Acme"
    assert meta.creating_application == b"Quillar"
    assert meta.revision_number == b"1"
    assert meta.create_time is not None and meta.last_saved_time is not None

    if shutil.which("exiftool") is None:
        pytest.fail("exiftool is not installed (tools/deps.sh installs it)")
    shown = subprocess.run(["exiftool", "-a", "-s", str(path)], capture_output=True, text=True, check=True).stdout
    fields = {}
    for line in shown.splitlines():
        name, _, value = line.partition(":")
        fields[name.strip()] = value.strip()
    assert fields["Title"] == "Site survey"
    assert fields["Author"] == "Ana Lima"
    assert fields["Company"] == "Acme"
    assert fields["Software"] == "Quillar"
    # The user-defined properties, by name, in their positions' order.
    assert fields["AppVersion"] == "4.2"
    assert fields["Email"] == "ana@example.org"
    assert fields["WebPage"] == "https://example.org"
    assert fields["PhoneNum"] == ""
