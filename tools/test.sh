#!/usr/bin/env bash
# Builds and runs every test: the normal build, then the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh

jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$jobs"
ctest --test-dir build --output-on-failure -j"$jobs"

cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DVELLORA2_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$jobs"
ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --test-dir build-asan --output-on-failure -j"$jobs"

# The file parser against arbitrary bytes for a minute, from the seed corpus;
# what it learns stays in the build folder, not in the repository.
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLORA2_FUZZ=ON \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DBUILD_TESTING=OFF -DVELLORA2_GTK=OFF -DVELLORA2_PYTHON=OFF >/dev/null
cmake --build build-fuzz -j"$jobs" --target compound_fuzz property_fuzz salvage_fuzz
mkdir -p build-fuzz/corpus build-fuzz/property_corpus build-fuzz/salvage_corpus
build-fuzz/fuzz/compound_fuzz -max_total_time=60 -rss_limit_mb=2048 -print_final_stats=1 \
  build-fuzz/corpus fuzz/corpus 2>&1 | tail -n 12
echo "fuzz: compound files, 60 seconds, no finding"
build-fuzz/fuzz/property_fuzz -max_total_time=30 -rss_limit_mb=2048 -print_final_stats=1 \
  build-fuzz/property_corpus fuzz/property_corpus 2>&1 | tail -n 12
echo "fuzz: property sets, 30 seconds, no finding"
# Salvage reads what opening refuses: damaged files must stay harmless too.
build-fuzz/fuzz/salvage_fuzz -max_total_time=30 -rss_limit_mb=2048 -print_final_stats=1 \
  build-fuzz/salvage_corpus fuzz/corpus 2>&1 | tail -n 12
echo "fuzz: salvage, 30 seconds, no finding"
