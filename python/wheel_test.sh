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
rm -rf "$venv" "$build/dist"
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
"$venv/bin/python" -m mypy.stubtest --allowlist stubtest_allowlist.txt vellora2
"$venv/bin/python" -m mypy --strict --no-incremental typing_check.py
echo "wheel: installed in a virtual environment; demo, stubtest and mypy pass"
