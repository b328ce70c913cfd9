#!/usr/bin/env bash
# Builds the vellora tool and runs it on a sample document: create it, import two
# files, list it, read a stream back, export one and check the structure.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target vellora >/dev/null

vellora=build/cli/vellora
out=build/sample
rm -rf "$out" && mkdir -p "$out"
printf 'Title=Sample project\r\nAuthor=Vellora2\r\n' >"$out/settings.ini"

set -x
$vellora create "$out/sample.qxv"
$vellora import "$out/sample.qxv" "$out/settings.ini" 'Settings\Options'
$vellora import "$out/sample.qxv" README.md 'Help\README'
$vellora tree "$out/sample.qxv"
$vellora cat "$out/sample.qxv" 'Settings\Options'
$vellora lines "$out/sample.qxv" 'Settings\Options' 2
$vellora export "$out/sample.qxv" 'Help\README' "$out/README.copy"
cmp README.md "$out/README.copy"
$vellora info "$out/sample.qxv"
$vellora check "$out/sample.qxv"
