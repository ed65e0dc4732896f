#!/usr/bin/env bash
# Installs what building and running need (not the tests' tools), builds ScanDeck
# and runs it against the built-in scanner simulator in the folder demo/ (seeded
# with named channels and talkgroups).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh run

cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCANDECK_BENCH=OFF >/dev/null
cmake --build build-release -j"$(nproc 2>/dev/null || echo 2)" --target scandeck scandeck-sim scandeck-demo-seed

mkdir -p demo
build-release/scandeck-demo-seed demo
# The demo scanner runs at 9600 baud, the speed of a fresh installation.
if [ ! -e demo/scandeck.ini ]; then
  printf '[comm port]=1\r\n[comm speed]=9600,n,8,1\r\n[WindowWidth]=7320\r\n[WindowHeight]=8145\r\n' > demo/scandeck.ini
fi
# The scanner's speed follows what the setup window last saved, so the two agree.
speed=$(grep -a '^\[comm speed\]=' demo/scandeck.ini | head -1 | cut -d= -f2 | cut -d, -f1 | tr -dc 0-9 || true)
case "$speed" in 2400|4800|9600|19200) ;; *) speed=9600 ;; esac
build-release/scandeck-sim --folder demo --port 1 --speed "$speed" "$@" &
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
