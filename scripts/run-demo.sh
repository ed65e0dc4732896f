#!/usr/bin/env bash
# Sets up the machine, builds ScanDeck and runs it against the built-in scanner
# simulator in the folder demo/ (seeded with named channels and talkgroups).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCANDECK_BENCH=OFF >/dev/null
cmake --build build-release -j"$(nproc 2>/dev/null || echo 2)" --target scandeck scandeck-sim scandeck-demo-seed

mkdir -p demo
build-release/scandeck-demo-seed demo
build-release/scandeck-sim --folder demo --port 1 "$@" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e demo/com1 ] && break; sleep 0.1; done

cd demo
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  echo "No display: running under xvfb-run (nothing will be visible)."
  xvfb-run -a ../build-release/scandeck
else
  ../build-release/scandeck
fi
