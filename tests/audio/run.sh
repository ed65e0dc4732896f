#!/usr/bin/env bash
# The capture tests of qt_tests on a PulseAudio of the test's own (77 where it cannot
# start). Then the real program records the simulator's calls, is killed mid-call and
# started again; records scandeck-sim --audio's tones, checked by check_calls.py; and
# with a small quota evicts the oldest recording.
set -u
qt_tests=$1 scandeck=${2:-} sim=${3:-} seed=${4:-}
for tool in pulseaudio pactl paplay pacat ffmpeg; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
. "$(dirname "$0")/../support/pulse_server.sh"
scratch=$(mktemp -d)
pulse_pids=
cleanup() {
  kill $pulse_pids ${simpid:-} ${app:-} 2>/dev/null
  mountpoint -q "$scratch/small" 2>/dev/null && umount "$scratch/small"
  rm -rf "$scratch"
}
trap cleanup EXIT
start_pulse_server "$scratch" || { echo "SKIP: the private PulseAudio server did not start"; exit 77; }
mkdir "$scratch/small"  # a small disk for the nearly full one (as root; the test skips without it)
mount -t tmpfs -o size=4m tmpfs "$scratch/small" 2>/dev/null && export SCANDECK_TEST_TMPFS=$scratch/small
SCANDECK_TEST_PULSE=1 QT_QPA_PLATFORM=offscreen "$qt_tests" --gtest_filter='CaptureOnPulseAudio.*' || exit 1
[ -n "$scandeck" ] || exit 0

# The real program against the simulator's calls over a pseudo-terminal.
work=$scratch/work
day() { ls -d "$work"/recordings/????-??-?? 2>/dev/null | head -1; }
count() { ls "$(day)" 2>/dev/null | grep -c "$1"; }
start() { (cd "$work" && QT_QPA_PLATFORM=offscreen exec "$scandeck") >>"$scratch/scandeck.log" 2>&1 & app=$!; }
sim_start() { "$sim" --folder "$work" "$@" & simpid=$!; for _ in $(seq 100); do [ -e "$work/com1" ] && break; sleep 0.1; done; }
stop() { kill -TERM "$app"; wait "$app" 2>/dev/null; kill "$simpid"; wait "$simpid" 2>/dev/null; }
one_row_each() { [ $(($(grep -c . "$(day)/calls.csv") - 1)) -eq "$(count '\.wav$')" ] || fail "files and calls.csv rows differ $*"; }
fail() { echo "FAIL: $*"; grep -v "This plugin" "$scratch/scandeck.log" | tail -20; ls -la "$work"; ls -l "$(day)"; cat "$(day)/calls.csv"; kill "$simpid" 2>/dev/null; exit 1; }
scandeck=$(realpath "$scandeck") sim=$(realpath "$sim")
mkdir -p "$work"
printf 'record=1\nformat=wav\nmin_ms=0\n' >"$work/recording.ini"
sim_start --activity 40 --seed 3 >/dev/null 2>&1
start
# Killed while a call is being written, with some calls already kept.
for _ in $(seq 1200); do [ "$(count '\.wav$')" -ge 2 ] && [ "$(count '\.part$')" -ge 1 ] && break; sleep 0.1; done
[ "$(count '\.part$')" -ge 1 ] || fail "no call was being written after two minutes"
kill -KILL "$app"; wait "$app" 2>/dev/null
left=$(ls "$(day)" | grep '\.part$')
one_row_each "after SIGKILL"
# The next start removes what the killed one left; a TERM ends it with every file whole.
start
for _ in $(seq 200); do [ -e "$(day)/$left" ] || break; sleep 0.1; done
[ -e "$(day)/$left" ] && fail "$left is still there after the next start"
sleep 5
stop
[ "$(count '\.part$')" -eq 0 ] || fail "a .part after a clean end"
one_row_each
for f in "$(day)"/*.wav; do
  grep -q "$(basename "$f")" "$(day)/calls.csv" || fail "$f is not in calls.csv"
  ffprobe -v error -show_entries format=duration -of csv=p=0 "$f" >/dev/null 2>&1 || fail "$f cannot be read"
done
[ -n "$seed" ] || exit 0

# The simulator's own tones in Opus, every call checked against what the simulator
# says it sent, on its monotonic clock (python's is the same).
now_ms() { python3 -c 'import time; print(int(time.monotonic() * 1000))'; }
work=$scratch/tones
mkdir -p "$work"
"$(realpath "$seed")" "$work" >/dev/null || fail "the directories could not be seeded"
printf 'record=1\nformat=opus\npreroll_ms=500\nhang_ms=2000\nmin_ms=2500\nmin_free_mb=0\nkeep_days=0\n' >"$work/recording.ini"
sim_start --activity 24 --seed 5 --audio >"$scratch/sim.log" 2>&1
start
sleep 4  # the port opened, the squelch reports on, the input open and its pre-roll filled
from=$(now_ms)
sleep "${SCANDECK_TONE_SECONDS:-80}"
until=$(now_ms)
stop
grep -q "going on without audio" "$scratch/sim.log" && fail "the simulator found no sound output"
python3 "$(dirname "$0")/check_calls.py" "$(day)" "$scratch/sim.log" "$from" "$until" 500 2000 2500 ||
  fail "the recordings do not match the simulator's calls"

# A small quota: the oldest recording (of an earlier day) goes as the new calls come
# in, a file of someone else's beside it stays, the day's calls.csv keeps every row.
today=$(day)
old=$work/recordings/2020-01-01
mkdir -p "$old"
echo "mine" >"$old/notes.txt"
used=$(cat "$today"/*.opus | wc -c)
head -c $((1024 * 1024 - used - 40000)) /dev/zero >"$old/10-00-00_ch-154.4300_old.wav"
rows=$(grep -c . "$today/calls.csv")
printf 'record=1\nformat=wav\nmin_ms=0\nquota_mb=1\nmin_free_mb=0\nkeep_days=0\n' >"$work/recording.ini"
sim_start --activity 40 --seed 6 --audio >>"$scratch/sim.log" 2>&1
start
for _ in $(seq 600); do [ -e "$old/10-00-00_ch-154.4300_old.wav" ] || break; sleep 0.1; done
stop
[ -e "$old/10-00-00_ch-154.4300_old.wav" ] && fail "the quota did not evict the oldest recording"
[ "$(cat "$old/notes.txt")" = mine ] || fail "a file ScanDeck did not write went"
[ "$(ls "$today"/*.opus | wc -l)" -eq $((rows - 1)) ] || fail "a newer recording went before the oldest"
[ "$(grep -c . "$today/calls.csv")" -ge "$rows" ] || fail "calls.csv lost rows"
total=$(cat "$work"/recordings/*/*.opus "$work"/recordings/*/*.wav | wc -c)
newest=$(ls -S "$today"/*.wav | head -1)
[ "$total" -le $((1024 * 1024 + $(wc -c <"$newest"))) ] || fail "$total bytes kept over a 1 MB quota"
# Under the sanitizers a report need not end the program: read the logs for it.
grep -E "runtime error|ERROR: AddressSanitizer" "$scratch/scandeck.log" "$scratch/sim.log" && fail "a sanitizer report"
echo "PASS"
