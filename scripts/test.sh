#!/usr/bin/env bash
# The whole test suite: installs what is missing, builds, runs every test in the
# plain build and the unit suites again under ASan+UBSan and ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

# The plain build is the optimised one packagers make (Release, -O3).
BUILD_DIR=build BUILD_TYPE=Release scripts/build.sh
ctest --test-dir build --no-tests=error --output-on-failure -j"$jobs"

BUILD_DIR=build-asan BUILD_TYPE=Debug scripts/build.sh -DDRAVO_SANITIZE=ON -DDRAVO_BENCH=OFF
ctest --test-dir build-asan --no-tests=error --output-on-failure -j"$jobs" -L sanitize

BUILD_DIR=build-tsan BUILD_TYPE=RelWithDebInfo scripts/build.sh -DDRAVO_TSAN=ON -DDRAVO_BENCH=OFF
ctest --test-dir build-tsan --no-tests=error --output-on-failure -j"$jobs" -L threads

# The preset-buffer and host-chunk fuzzer (clang, libFuzzer with ASan+UBSan):
# one minute on the committed seed corpus; new inputs go to build-fuzz/ only.
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDRAVO_FUZZ=ON -DDRAVO_BENCH=OFF -DDRAVO_WERROR=ON >/dev/null
cmake --build build-fuzz -j"$jobs" --target fuzz_presets
mkdir -p build-fuzz/corpus-presets
build-fuzz/tests/fuzz/fuzz_presets -max_total_time=60 -max_len=32768 \
  -artifact_prefix=build-fuzz/ build-fuzz/corpus-presets tests/fuzz/corpus/presets
