import os

import vellora2


class Font:
    Name = "DejaVu Sans"
    Size = 12.0
    Weight = 400
    Bold = False
    Italic = False
    Underline = False
    Strikethrough = False


def test_font_dialog_from_python(user):
    # Select (its access key) takes the font the dialog opened with.
    font = Font()
    with user("Font", "alt+s"):
        ok, _, _, _ = vellora2.GCommonDialog().VBChooseFont(font)
    assert ok
    assert font.Name == "DejaVu Sans"
    assert font.Size == 12.0


def test_colour_and_page_setup_take_enter(user):
    dialogs = vellora2.GCommonDialog()
    with user("Color", "Return"):
        assert dialogs.VBChooseColor(0x3366CC) == (True, 0x3366CC)
    with user("Page Setup", "Return"):
        assert dialogs.VBPageSetupDlg()[0]


def test_file_dialogs_from_python(user, tmp_path):
    dialogs = vellora2.GCommonDialog()
    with user("Save Project", "type:newdoc", "Return"):
        ok, name, title, _, _, _ = dialogs.VBGetSaveFileName(
            "", "", True, "Quillar Files (*.qxv)|*.qxv", 1, str(tmp_path), "Save Project", ".qxv")
    assert ok
    assert name == str(tmp_path / "newdoc.qxv")
    assert title == "newdoc.qxv"
    with user("Open Project", "Escape"):
        assert not dialogs.VBGetOpenFileName("", "", True, False, False, False, "All|*.*", 1, str(tmp_path),
                                             "Open Project")[0]
    with user("Print", "Escape"):
        assert not dialogs.VBPrintDlg()[0]


def test_properties_window_from_python(user):
    doc = vellora2.CVellora()
    assert doc.NewFile()
    doc.DocComments = "\r\n".join(f"Line {n} of the comments" for n in range(1, 21))
    doc.DialogBoxParentHwnd = 1  # modal: EditProperties returns when the window closes
    with user("File Properties", "Escape"):
        doc.EditProperties()
    assert not vellora2.IsPropertiesWindowOpen()
    doc.Dirty = False
    doc.CloseFile()
    del doc
