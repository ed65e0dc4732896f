#!/usr/bin/env bash
# Cross-compiles the core and its tests for 64-bit Windows with mingw-w64 and runs
# them under Wine in a fresh, throw-away Wine prefix. Any failing test fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh  # mingw-w64, wine64 and the GoogleTest sources among the rest

jobs=$(nproc 2>/dev/null || echo 2)
start=$SECONDS
cmake -S . -B build-win -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=Debug -DSCANDECK_GUI=OFF -DSCANDECK_BENCH=OFF >/dev/null
cmake --build build-win -j"$jobs" --target core_tests

prefix=$(mktemp -d "${TMPDIR:-/tmp}/scandeck-wine-XXXXXX")
cleanup() {
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT
# No Mono or Gecko prompts, no Wine chatter; a console program needs no display.
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
/usr/lib/wine/wine64 build-win/core_tests.exe --gtest_brief=1
echo "windows-tests: core tests passed under Wine in $((SECONDS - start)) s"
