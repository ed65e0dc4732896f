#!/usr/bin/env bash
# What recording costs the real program: ScanDeck against scandeck-sim --audio on a
# PulseAudio server of its own (a null sink whose monitor is remapped into the input
# "linein"), first with record=0, then recording every call (busy traffic, so a call
# is open most of the time). For each: the program's CPU share, the capture thread's
# own share (capture, encoding and files), resident memory, and the poll's pace as
# the simulator sees it (the gaps between the program's "WI" commands). A
# measurement, not a test: it prints figures and judges nothing.
#
#   bash bench/recording_cpu.sh [BUILD_DIR] [SECONDS]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:-$root/build-release}" && pwd)
seconds=${2:-30}
for tool in pulseaudio pactl pacat python3; do
  command -v "$tool" >/dev/null || { echo "recording_cpu: $tool is not installed (bash scripts/setup.sh)" >&2; exit 1; }
done
work=$(mktemp -d)
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -m 700 "$work/run" "$work/home"
export HOME=$work/home XDG_RUNTIME_DIR=$work/run PULSE_SERVER=unix:$work/pulse.sock QT_QPA_PLATFORM=offscreen
cat >"$work/pulse.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$work/pulse.sock
load-module module-null-sink sink_name=cable
load-module module-remap-source master=cable.monitor source_name=linein
set-default-sink cable
set-default-source linein
PA
pulseaudio -n -F "$work/pulse.pa" --exit-idle-time=-1 --daemonize=no --use-pid-file=no >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
pacat --playback --raw --device=cable --format=s16le --rate=16000 --channels=1 </dev/zero >/dev/null 2>&1 &
pids+=($!)

# Each line the simulator prints, stamped with the monotonic clock as it arrives.
stamp() { python3 -u -c '
import sys, time
for line in sys.stdin:
    print(int(time.monotonic() * 1000), line, end="")'; }
ticks() { python3 - "$1" <<'PY'
import sys
t = [int(l.split()[0]) for l in open(sys.argv[1]) if l.split()[1:3] == [">", "WI"]]
g = sorted(b - a for a, b in zip(t, t[1:]))
if g:
    print(f"poll: {len(t)} WI, gap mean {sum(g) / len(g):.1f} ms, p99 {g[int(len(g) * 0.99)]} ms, max {g[-1]} ms")
PY
}
cpu() { awk '{print $14 + $15}' "$1"; }

run() {
  local record=$1 demo=$work/demo$1
  mkdir "$demo"
  "$build/scandeck-demo-seed" "$demo" >/dev/null
  printf 'record=%s\nformat=opus\nhang_ms=3000\nmin_free_mb=0\n' "$record" >"$demo/recording.ini"
  "$build/scandeck-sim" --folder "$demo" --activity 60 --audio -v > >(stamp >"$work/sim$record.log") 2>&1 &
  pids+=($!)
  for _ in $(seq 100); do [ -e "$demo/com1" ] && break; sleep 0.1; done
  (cd "$demo" && exec "$build/scandeck") >"$work/scandeck$record.log" 2>&1 &
  local deck=$! hz
  pids+=("$deck")
  sleep 5
  hz=$(getconf CLK_TCK)
  local t0 c0 k0="" task
  t0=$(date +%s.%N) c0=$(cpu /proc/$deck/stat)
  for task in /proc/$deck/task/*; do [ "$(cat "$task/comm")" = capture ] && k0=$task; done
  local kc0=0; [ -n "$k0" ] && kc0=$(cpu "$k0/stat")
  local n0; n0=$(wc -l <"$work/sim$record.log")
  sleep "$seconds"
  local t1 c1 kc1=0
  t1=$(date +%s.%N) c1=$(cpu /proc/$deck/stat)
  [ -n "$k0" ] && kc1=$(cpu "$k0/stat")
  awk -v r="$record" -v c="$((c1 - c0))" -v k="$((kc1 - kc0))" -v hz="$hz" -v t0="$t0" -v t1="$t1" 'BEGIN {
    w = t1 - t0; printf "record=%s: program %.2f %% of a core, capture thread %.2f %%\n", r, 100 * c / hz / w, 100 * k / hz / w }'
  grep -E '^(VmRSS|VmHWM)' /proc/$deck/status | tr -s ' \t' ' ' | paste -sd ' '
  tail -n +"$((n0 + 1))" "$work/sim$record.log" >"$work/measured$record.log"
  ticks "$work/measured$record.log"
  if [ "$record" = 1 ]; then
    echo "kept: $(ls "$demo"/recordings/*/*.opus 2>/dev/null | wc -l) files, $(du -sk "$demo/recordings" | cut -f1) kB"
  fi
  kill "$deck"; wait "$deck" 2>/dev/null || true
}
run 0
run 1
