"""Runs the tests without a user: no display for GTK and no terminal for
prompts, so message boxes and dialogs answer as unattended ones do."""

import gc
import os

for name in ("DISPLAY", "WAYLAND_DISPLAY"):
    os.environ.pop(name, None)
_devnull = os.open(os.devnull, os.O_RDONLY)
os.dup2(_devnull, 0)
os.close(_devnull)

import pytest  # noqa: E402

import vellora2  # noqa: E402


@pytest.fixture
def doc():
    """A new document; the document belongs to the thread, so each test's
    CVellora is gone before the next test makes its own."""
    d = vellora2.CVellora()
    assert d.NewFile()
    yield d
    d.Dirty = False
    del d
    gc.collect()


def write_lines(path, lines):
    path.write_bytes(b"".join(line + b"\r\n" for line in lines))
