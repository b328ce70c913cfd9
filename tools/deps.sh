#!/usr/bin/env bash
# Installs, from Debian, what the build and the tests need; only what is missing.
set -euo pipefail

packages=(
  build-essential cmake pkgconf ccache
  libgtest-dev libgmock-dev libbenchmark-dev
  libcli11-dev libfmt-dev
  clang clang-tidy libclang-rt-14-dev
  python3 python3-olefile python3-pytest python3-dev pybind11-dev
  python3-venv python3-pip python3-setuptools python3-wheel python3-mypy
  libgsf-bin libolecf-utils 7zip libimage-exiftool-perl msitools
  libgtk-3-dev xvfb xauth imagemagick xdotool openbox x11-utils
)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# Node.js may come from elsewhere with its own npm; Debian's pair is the fallback.
if ! command -v npm >/dev/null 2>&1; then
  missing+=(nodejs npm)
fi

if ((${#missing[@]})); then
  echo "deps: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
