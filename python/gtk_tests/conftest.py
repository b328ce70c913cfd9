"""The dialogs and windows on a real display (the virtual one of the
python_gtk test), answered by keys typed with xdotool as a person would."""

import os
import shutil
import subprocess

import pytest

if not os.environ.get("VELLORA2_TEST_GTK") or not os.environ.get("DISPLAY"):
    pytest.skip("VELLORA2_TEST_GTK and DISPLAY are not both set", allow_module_level=True)
if shutil.which("xdotool") is None:
    pytest.skip("xdotool is not installed", allow_module_level=True)


class User:
    """Types into the window named `title` once it is on screen. The typing is
    a process of its own, started before the dialog opens: while the dialog
    runs, the interpreter's thread is inside it."""

    def __init__(self, title, *keys):
        self.command = ["xdotool", "search", "--sync", "--onlyvisible", "--name", f"^{title}$",
                        "windowactivate", "--sync", "windowfocus", "--sync", "sleep", "0.5"]
        for key in keys:
            if key.startswith("type:"):
                self.command += ["type", "--delay", "30", "--args", "1", key[5:], "sleep", "0.2"]
            else:
                self.command += ["key", "--clearmodifiers", key, "sleep", "0.2"]
        self.process = None

    def __enter__(self):
        self.process = subprocess.Popen(self.command, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        return self

    def __exit__(self, *exc):
        try:
            _, errors = self.process.communicate(timeout=30)
        except subprocess.TimeoutExpired:
            self.process.kill()
            raise AssertionError(f"{self.command}: the window did not appear")
        # GTK may map a dialog twice (the print dialog does while it looks for
        # printers): xdotool then meets a window that is already gone. What
        # the dialog answered, which the test checks, tells whether the keys
        # arrived; only other failures are the typing's own.
        if exc[0] is None and "BadWindow" in errors:
            return
        assert self.process.returncode == 0, errors


@pytest.fixture
def user():
    return User
