#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer; then the Release build, a host
# project against its installed prefix, and the wheel in a virtual environment.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh

jobs=$(nproc)

# Three configurations compile the same files; ccache keeps what they share,
# and a second run compiles little.
cache=()
if command -v ccache >/dev/null 2>&1; then
  cache=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache CMAKE_C_COMPILER_LAUNCHER=ccache
  # Paths relative to the checkout, so that another clone of it shares the cache.
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
fi

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo "${cache[@]}" >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELLORA2_SANITIZE=ON "${cache[@]}" >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j"$jobs"

# The Release build (-O3, as the wheel and the benchmarks build) without its
# tests: the optimiser's warnings are errors too. Installed with a multiarch
# libdir, it is what the outside consumer project and the wheel are built from.
release=$PWD/build-release
cmake -S . -B "$release" -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DVELLORA2_PYTHON=ON \
  -DPython3_EXECUTABLE=/usr/bin/python3 -DCMAKE_INSTALL_PREFIX="$release/prefix" \
  -DCMAKE_INSTALL_LIBDIR="lib/$(gcc -print-multiarch)" "${cache[@]}" >/dev/null
cmake --build "$release" -j"$jobs"
rm -rf "$release/prefix"
cmake --install "$release" >/dev/null
bash tests/consumer/run.sh "$release/prefix" "$release/consumer"
bash python/wheel_test.sh "$release"

# The file parser against arbitrary bytes for a minute, from the seed corpus;
# what it learns stays in the build folder, not in the repository.
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLORA2_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DBUILD_TESTING=OFF -DVELLORA2_GTK=OFF -DVELLORA2_PYTHON=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target compound_fuzz property_fuzz salvage_fuzz
mkdir -p build-fuzz/corpus build-fuzz/property_corpus build-fuzz/salvage_corpus
# Each fuzzer runs on one core: the 60 seconds of compound files run beside the
# 30 of property sets and then the 30 of salvage, so that two minutes of
# fuzzing take one on two cores.
fuzz() {  # fuzz TARGET SECONDS CORPUS SEEDS: its summary goes to build-fuzz/TARGET.log
  build-fuzz/fuzz/"$1" -max_total_time="$2" -rss_limit_mb=2048 -print_final_stats=1 \
    build-fuzz/"$3" fuzz/"$4" >build-fuzz/"$1".log 2>&1
}
rm -f build-fuzz/*_fuzz.log
fuzz compound_fuzz 60 corpus corpus &
compound=$!
# Salvage reads what opening refuses: damaged files must stay harmless too.
{ fuzz property_fuzz 30 property_corpus property_corpus && fuzz salvage_fuzz 30 salvage_corpus corpus; } &
others=$!
found=0
wait "$compound" || found=1
wait "$others" || found=1
for target in compound_fuzz property_fuzz salvage_fuzz; do
  if [ -f "build-fuzz/$target.log" ]; then tail -n 12 "build-fuzz/$target.log"; fi
done
[ "$found" -eq 0 ]
echo "fuzz: compound files 60 seconds, property sets 30, salvage 30, no finding"
