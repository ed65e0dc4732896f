#!/usr/bin/env bash
# Sets up the machine, builds ScanDeck and runs every test: once in a plain debug
# build, once under AddressSanitizer and UndefinedBehaviorSanitizer; then the core's
# tests built for Windows under Wine, and a short fuzzing pass.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

jobs=$(nproc 2>/dev/null || echo 2)
export QT_QPA_PLATFORM=offscreen

build() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

build build-test -DCMAKE_BUILD_TYPE=Debug -DSCANDECK_BENCH=OFF
ctest --test-dir build-test --output-on-failure -j"$jobs"

build build-asan -DCMAKE_BUILD_TYPE=Debug -DSCANDECK_SANITIZE=ON -DSCANDECK_BENCH=OFF
ASAN_OPTIONS=detect_leaks=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j"$jobs"

# The core and its tests cross-compiled for Windows and run under Wine.
bash scripts/windows-tests.sh

# A short fuzzing pass over every entry point of untrusted input; any finding fails.
bash scripts/fuzz.sh "${SCANDECK_FUZZ_SECONDS:-60}"
