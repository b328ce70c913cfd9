#!/usr/bin/env bash
# Builds the wheel from the configured build folder $1 (VELLORA2_PYTHON=ON),
# installs it into a fresh virtual environment, and there runs the demo, checks
# the stubs against the module with stubtest, and type-checks a script with
# mypy, which must find the stubs through py.typed. Python packages come from
# Debian only (the environment sees the system's site-packages); nothing is
# fetched from an index.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "$1")
venv=$build/venv
# setuptools' own build folder too, which would carry files of an earlier wheel into this one.
rm -rf "$venv" "$build/dist" build-wheel
/usr/bin/python3 -m venv --system-site-packages "$venv"
VELLORA2_BUILD_DIR=$build "$venv/bin/python" -m pip wheel --quiet --no-build-isolation --no-deps --no-index \
  -w "$build/dist" .
"$venv/bin/python" -m pip install --quiet --no-deps --no-index "$build"/dist/vellora2-*.whl

# Outside the tree, so that only the installed package can be imported.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp examples/python_demo.py python/typing_check.py python/stubtest_allowlist.txt "$scratch"
cd "$scratch"
"$venv/bin/python" -c 'import vellora2, sys; assert "/venv/" in vellora2.__file__, vellora2.__file__'
"$venv/bin/python" python_demo.py >/dev/null
# The library finds its modules inside the installed package: the intl module
# when it writes a date, the window module when a display is named (one that
# does not answer will do: GTK then does not start, and no window opens).
gtk=$(grep -q '^VELLORA2_GTK:BOOL=ON' "$build/CMakeCache.txt" && echo 1 || echo 0)
DISPLAY=:97 VELLORA2_INTL_MODULE= VELLORA2_GTK_MODULE= VELLORA2_WHEEL_GTK=$gtk "$venv/bin/python" - <<'PY'
import os, pathlib, vellora2
folder = pathlib.Path(vellora2.__file__).parent / "vellora2"
wanted = ["vellora2-intl.so"] + (["vellora2-gtk.so"] if os.environ["VELLORA2_WHEEL_GTK"] == "1" else [])
assert sorted(p.name for p in folder.glob("*.so")) == sorted(wanted), list(folder.iterdir())
doc = vellora2.CVellora()
doc.NewFile()
doc.SaveToPath(os.path.abspath("modules.qxv"))
assert "Created:" in vellora2.PropertiesText(doc)
assert not vellora2.CanShowPropertiesWindow()
doc.CloseFile()
maps = open("/proc/self/maps").read()
for name in wanted:
    assert str(folder / name) in maps, name + " was not loaded from the package"
print("wheel: the package's modules load:", ", ".join(wanted))
PY
"$venv/bin/python" -m mypy.stubtest --allowlist stubtest_allowlist.txt vellora2
"$venv/bin/python" -m mypy --strict --no-incremental typing_check.py
echo "wheel: installed in a virtual environment; demo, stubtest and mypy pass"
