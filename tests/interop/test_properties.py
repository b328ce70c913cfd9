"""Property sets written by other programs: read by ours, and kept when we change one property."""
import json
import pathlib
import shutil

import olefile

from conftest import need, run

HERE = pathlib.Path(__file__).parent
SUMMARY = "\x05SummaryInformation"
DOC_SUMMARY = "\x05DocumentSummaryInformation"
# Our names for the summary properties, with olefile's.
TEXTS = {"title": "title", "subject": "subject", "author": "author", "keywords": "keywords",
         "comments": "comments", "revision": "revision_number", "application": "creating_application"}


def ours(property_tool, document):
    return json.loads(run(property_tool, "show", str(document)))


def olefile_texts(document, encoding):
    with olefile.OleFileIO(str(document)) as ole:
        meta = ole.get_metadata()
    return {key: (getattr(meta, attr) or b"").decode(encoding) for key, attr in TEXTS.items()}


def snapshot(document):
    """The summary properties by identifier and every stream's bytes, as olefile reads them."""
    with olefile.OleFileIO(str(document)) as ole:
        summary = ole.getproperties(SUMMARY, convert_time=False)
        streams = {"/".join(e): ole.openstream(e).read() for e in ole.listdir(streams=True, storages=False)}
    return summary, streams


def test_libreoffice_doc_properties(tmp_path, property_tool):
    document = tmp_path / "lo.doc"
    shutil.copy(HERE / "fixtures" / "libreoffice-properties.doc", document)
    props = ours(property_tool, document)
    expected = {
        "title": "Interop Fixture Title",
        "subject": "Property sets written by LibreOffice",
        "author": "Ada Writer",
        "keywords": "interop, fixture, olefile",
        "comments": "Made once with soffice --convert-to doc.",
        "revision": "0",
        "application": "",
    }
    assert {key: props[key] for key in TEXTS} == expected
    # LibreOffice stores text as UTF-8 (code page 65001).
    assert olefile_texts(document, "utf-8") == expected
    # [name, [subtype, value]]: Double 42, String, Boolean True.
    assert props["user"] == [["Build", [5, 42]], ["Project", [8, "Vellora Interop"]], ["Reviewed", [11, True]]]


def test_libreoffice_doc_keeps_everything_else_when_the_title_changes(tmp_path, property_tool, vellora):
    document = tmp_path / "lo.doc"
    shutil.copy(HERE / "fixtures" / "libreoffice-properties.doc", document)
    before_props = ours(property_tool, document)
    before_summary, before_streams = snapshot(document)
    title = "Geänderter Titel – ü"
    run(property_tool, "set-title", str(document), title)

    after_props = ours(property_tool, document)
    assert after_props == {**before_props, "title": title}
    after_summary, after_streams = snapshot(document)
    # Every summary property LibreOffice wrote (code page, last saved by, the
    # times) is still there with its value; the title is in the set's code page.
    assert after_summary == {**before_summary, 2: title.encode("utf-8")}
    # The document summary stream, user-defined section included, is untouched,
    # and so is every other stream.
    del before_streams[SUMMARY], after_streams[SUMMARY]
    assert after_streams == before_streams
    assert b"no problems found" in run(vellora, "check", str(document))


def test_msibuild_summary_information(tmp_path, property_tool):
    need("msibuild")
    need("msiinfo")
    document = tmp_path / "package.msi"
    uuid = "{12345678-1234-1234-1234-123456789ABC}"
    # -s NAME [AUTHOR [TEMPLATE [UUID]]]: the name becomes the subject, the
    # package code the revision number; title and keywords are msibuild's own.
    run("msibuild", str(document), "-s", "Interop Package", "Jane Builder", "x64;1033", uuid)
    props = ours(property_tool, document)
    assert props["subject"] == "Interop Package"
    assert props["author"] == "Jane Builder"
    assert props["revision"] == uuid
    assert props["user"] == []
    assert {key: props[key] for key in TEXTS} == olefile_texts(document, "ascii")
    assert props["title"] and props["application"]

    # msitools reads back the title we set, and every other field as it wrote it.
    before = run("msiinfo", "suminfo", str(document)).decode().splitlines()
    run(property_tool, "set-title", str(document), "Retitled Package")
    after = run("msiinfo", "suminfo", str(document)).decode().splitlines()
    assert "Title: Retitled Package" in after
    assert [line for line in after if not line.startswith("Title:")] == \
        [line for line in before if not line.startswith("Title:")]
