#!/usr/bin/env bash
# ScanDeck's CPU share and resident memory against an empty Qt window with a 50 ms
# timer (bench/empty_window), both running side by side on one Xvfb display, so that
# the load of the machine weighs on both alike: the ratio moves much less than the
# shares. ScanDeck polls scandeck-sim at 9600 baud in a seeded demo folder, the data
# panel hidden. CPU is user plus system time from /proc/PID/stat over SECONDS, ROUNDS
# times; memory is VmRSS and Pss (/proc/PID/smaps_rollup) after the last round.
# A measurement, not a test: it prints figures and judges nothing.
#
#   bash bench/cpu_ratio.sh [BUILD_DIR] [SECONDS] [ROUNDS]
#
# BUILD_DIR defaults to build-release, configured as a Release build when it is new.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build-release}
mkdir -p "$build" && build=$(cd "$build" && pwd)
seconds=${2:-20}
rounds=${3:-2}
for tool in Xvfb cmake awk; do
  command -v "$tool" >/dev/null || { echo "cpu_ratio: $tool is not installed (bash scripts/setup.sh)" >&2; exit 1; }
done

if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSCANDECK_BENCH=OFF >/dev/null
fi
cmake --build "$build" --target scandeck scandeck-sim scandeck-demo-seed scandeck-empty-window >/dev/null

work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

demo=$work/demo
mkdir "$demo"
"$build/scandeck-demo-seed" "$demo" >/dev/null
# 5460 twips is the window's height with the data panel hidden.
printf '[comm port]=1\r\n[comm speed]=9600,n,8,1\r\n[WindowWidth]=7320\r\n[WindowHeight]=5460\r\n' >"$demo/scandeck.ini"

Xvfb -displayfd 5 -screen 0 1280x1024x24 -nolisten tcp 5>"$work/display" 2>/dev/null &
pids+=($!)
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "cpu_ratio: Xvfb did not start" >&2; exit 1; }
export DISPLAY=":$(head -1 "$work/display")" QT_QPA_PLATFORM=xcb

"$build/scandeck-sim" --folder "$demo" --port 1 --speed 9600 >"$work/sim.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do [ -e "$demo/com1" ] && break; sleep 0.1; done
[ -e "$demo/com1" ] || { echo "cpu_ratio: scandeck-sim made no com1" >&2; exit 1; }

(cd "$demo" && exec "$build/scandeck") >"$work/scandeck.log" 2>&1 &
deck=$!
pids+=("$deck")
"$build/scandeck-empty-window" >"$work/empty.log" 2>&1 &
empty=$!
pids+=("$empty")
sleep 5  # start-up (fonts, the status sweep) is not the steady state
for pid in "$deck" "$empty"; do
  kill -0 "$pid" 2>/dev/null || { echo "cpu_ratio: a program ended early:" >&2; cat "$work"/*.log >&2; exit 1; }
done

ticks() { sed 's/^.*) //' "/proc/$1/stat" | awk '{ print $12 + $13 }'; }
hz=$(getconf CLK_TCK)
total_deck=0 total_empty=0
for round in $(seq "$rounds"); do
  d0=$(ticks "$deck") e0=$(ticks "$empty")
  sleep "$seconds"
  d1=$(ticks "$deck") e1=$(ticks "$empty")
  total_deck=$((total_deck + d1 - d0)) total_empty=$((total_empty + e1 - e0))
  awk -v r="$round" -v d=$((d1 - d0)) -v e=$((e1 - e0)) -v hz="$hz" -v s="$seconds" 'BEGIN {
    printf "round %d: empty window %.2f %% of a core, ScanDeck %.2f %%, ratio %s\n", r,
      100 * e / hz / s, 100 * d / hz / s, (e > 0 ? sprintf("%.2f", d / e) : "n/a") }'
done
awk -v d="$total_deck" -v e="$total_empty" 'BEGIN {
  printf "CPU ratio over all rounds: %s\n", (e > 0 ? sprintf("%.2f", d / e) : "n/a (the empty window used no measurable time)") }'

kib() { awk -v k="$2:" '$1 == k { print $2 }' "/proc/$1/$3"; }
awk -v dr="$(kib "$deck" VmRSS status)" -v er="$(kib "$empty" VmRSS status)" \
    -v dp="$(kib "$deck" Pss smaps_rollup)" -v ep="$(kib "$empty" Pss smaps_rollup)" 'BEGIN {
  printf "resident: empty window %.1f MiB (Pss %.1f), ScanDeck %.1f MiB (Pss %.1f), %.1f MiB more\n",
    er / 1024, ep / 1024, dr / 1024, dp / 1024, (dr - er) / 1024 }'
