#!/usr/bin/env bash
# Builds the README's example as a host project outside the tree would, against
# the installed prefix $1, four ways, and runs each program:
#   find_package(Vellora2) with Vellora2::vellora2 and Vellora2::vellora2_static,
#   pkg-config --libs (the shared library) and --libs --static (against a copy
#   of the prefix that holds only the static library, as a static-only install is).
# $2 is a scratch folder.
set -euo pipefail
prefix=$(realpath "$1")
work=$(realpath -m "$2")
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
mkdir -p "$work"

pc=$(find "$prefix" -name vellora2.pc -print -quit)
[ -n "$pc" ] || { echo "consumer: no vellora2.pc under $prefix" >&2; exit 1; }
pcdir=$(dirname "$pc")
libdir=$(dirname "$pcdir")

launcher=()
if command -v ccache >/dev/null 2>&1; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi

# Runs program $2 in a folder of its own, checks what it links, says which way $1 it was.
run() {
  local way=$1 program=$2 linked
  mkdir -p "$work/run-$way"
  (cd "$work/run-$way" && LD_LIBRARY_PATH="$libdir" "$program")
  linked=$(LD_LIBRARY_PATH="$libdir" ldd "$program")
  case $way in
    *static)
      if grep -q libvellora2 <<<"$linked"; then echo "consumer: $way links libvellora2.so" >&2; exit 1; fi ;;
    *)
      if ! grep -q "libvellora2.so.2 => $libdir/" <<<"$linked"; then
        echo "consumer: $way does not link $libdir/libvellora2.so.2" >&2; exit 1
      fi ;;
  esac
  echo "consumer: $way ok"
}

for kind in shared static; do
  static=OFF
  [ $kind = static ] && static=ON
  cmake -S "$here" -B "$work/cmake-$kind" -DCMAKE_PREFIX_PATH="$prefix" -DCONSUMER_STATIC=$static \
    -DCMAKE_BUILD_TYPE=Release "${launcher[@]}" >/dev/null
  cmake --build "$work/cmake-$kind" >/dev/null
  run "find_package-$kind" "$work/cmake-$kind/readme_example"
done

cxx=${CXX:-c++}
# shellcheck disable=SC2046  # pkg-config's output is a list of words
PKG_CONFIG_PATH="$pcdir" "$cxx" -std=c++20 -o "$work/pkg-config-shared" "$here/readme_example.cpp" \
  $(PKG_CONFIG_PATH="$pcdir" pkg-config --cflags --libs vellora2)
run pkg-config-shared "$work/pkg-config-shared"

cp -a "$prefix" "$work/static-prefix"
find "$work/static-prefix" -name 'libvellora2.so*' -delete
static_pcdir=$work/static-prefix/${pcdir#"$prefix"/}
# shellcheck disable=SC2046
"$cxx" -std=c++20 -o "$work/pkg-config-static" "$here/readme_example.cpp" \
  $(PKG_CONFIG_PATH="$static_pcdir" pkg-config --cflags --libs --static vellora2)
run pkg-config-static "$work/pkg-config-static"

# The core links no GUI toolkit, ICU or GIO, so a host without them can use
# it; those are in the modules, whose own libraries must all be there.
gui='libgtk|libgdk|libX11|libwayland|libcairo|libpango|libatk|libicu|libgio'
for lib in "$libdir/libvellora2.so" "$work/pkg-config-static" "$work/cmake-static/readme_example"; do
  if LD_LIBRARY_PATH="$libdir" ldd "$lib" | grep -E "$gui"; then
    echo "consumer: $lib links a GUI toolkit" >&2
    exit 1
  fi
done
for module in "$libdir/vellora2/vellora2-gtk.so" "$libdir/vellora2/vellora2-intl.so"; do
  if [ -e "$module" ] && LD_LIBRARY_PATH="$libdir" ldd "$module" | grep -q "not found"; then
    echo "consumer: $module does not load" >&2
    exit 1
  fi
done
echo "consumer: the core links no GUI toolkit, ICU or GIO"
