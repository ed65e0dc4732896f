#!/usr/bin/env bash
# The capture on a real sound server: a PulseAudio of the test's own (private socket,
# runtime folder and home) with a null sink "cable" whose monitor is remapped into
# the default source "linein" (Qt lists no monitor sources), then the capture tests
# of qt_tests against it. Exits 77 (skipped) with a line saying why where the server
# cannot be started. With the program and the simulator as well, the real program
# records the simulator's calls, is killed mid-call and started again; then it records
# the tones of scandeck-sim --audio for more than a minute, checked call by call by
# check_calls.py, and with a small quota evicts the oldest recording.
set -u
qt_tests=$1 scandeck=${2:-} sim=${3:-} seed=${4:-}
for tool in pulseaudio pactl paplay ffmpeg; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
scratch=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
  mountpoint -q "$scratch/small" 2>/dev/null && umount "$scratch/small"
  rm -rf "$scratch"
}
trap cleanup EXIT
mkdir -m 700 "$scratch/run" "$scratch/home"
export HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run PULSE_SERVER=unix:$scratch/pulse.sock
cat >"$scratch/pulse.pa" <<PA
load-module module-native-protocol-unix auth-anonymous=1 socket=$scratch/pulse.sock
load-module module-null-sink sink_name=cable
load-module module-remap-source master=cable.monitor source_name=linein
set-default-sink cable
set-default-source linein
PA
pulseaudio -n -F "$scratch/pulse.pa" --exit-idle-time=-1 --daemonize=no --use-pid-file=no >"$scratch/pulse.log" 2>&1 &
server=$!
for _ in $(seq 100); do
  pactl info >/dev/null 2>&1 && break
  sleep 0.1
done
if ! pactl info >/dev/null 2>&1; then
  cat "$scratch/pulse.log"
  echo "SKIP: the private PulseAudio server did not start"
  exit 77
fi
# A line input never stops: silence plays into the sink throughout, so the monitor
# delivers audio between calls as a sound card does (an idle null sink delivers none).
pacat --playback --raw --device=cable --format=s16le --rate=16000 --channels=1 </dev/zero >/dev/null 2>&1 &
line=$!
trap 'kill $line 2>/dev/null; cleanup' EXIT
# A small disk of its own for the nearly full disk (as root; skipped without it).
mkdir "$scratch/small"
if mount -t tmpfs -o size=4m tmpfs "$scratch/small" 2>/dev/null; then
  export SCANDECK_TEST_TMPFS=$scratch/small
else
  echo "note: no tmpfs could be mounted: the nearly full disk is skipped"
fi
SCANDECK_TEST_PULSE=1 QT_QPA_PLATFORM=offscreen "$qt_tests" --gtest_filter='CaptureOnPulseAudio.*' || exit 1
[ -n "$scandeck" ] || exit 0

# The real program against the simulator's calls over a pseudo-terminal.
work=$scratch/work
day() { ls -d "$work"/recordings/????-??-?? 2>/dev/null | head -1; }
count() { ls "$(day)" 2>/dev/null | grep -c "$1"; }
start() { (cd "$work" && QT_QPA_PLATFORM=offscreen exec "$scandeck") >>"$scratch/scandeck.log" 2>&1 & app=$!; }
fail() { echo "FAIL: $*"; grep -v "This plugin" "$scratch/scandeck.log" | tail -20; ls -la "$work"; ls -l "$(day)"; cat "$(day)/calls.csv"; kill "$simpid" 2>/dev/null; exit 1; }
scandeck=$(realpath "$scandeck") sim=$(realpath "$sim")
mkdir -p "$work"
printf 'record=1\nformat=wav\nmin_ms=0\n' >"$work/recording.ini"
"$sim" --folder "$work" --activity 40 --seed 3 >/dev/null 2>&1 &
simpid=$!
trap 'kill $line $simpid ${app:-} 2>/dev/null; cleanup' EXIT
for _ in $(seq 100); do [ -e "$work/com1" ] && break; sleep 0.1; done
start
# Killed while a call is being written, with some calls already kept.
for _ in $(seq 1200); do
  [ "$(count '\.wav$')" -ge 2 ] && [ "$(count '\.part$')" -ge 1 ] && break
  sleep 0.1
done
[ "$(count '\.part$')" -ge 1 ] || fail "no call was being written after two minutes"
kill -KILL "$app"; wait "$app" 2>/dev/null
left=$(ls "$(day)" | grep '\.part$')
kept=$(count '\.wav$')
rows=$(($(grep -c . "$(day)/calls.csv") - 1))
[ "$rows" -eq "$kept" ] || fail "$kept files but $rows rows after SIGKILL"
# The next start removes what the killed one left; a TERM ends it with every file whole.
start
for _ in $(seq 200); do [ -e "$(day)/$left" ] || break; sleep 0.1; done
[ -e "$(day)/$left" ] && fail "$left is still there after the next start"
sleep 5
kill -TERM "$app"; wait "$app" 2>/dev/null
kill "$simpid" 2>/dev/null
[ "$(count '\.part$')" -eq 0 ] || fail "a .part after a clean end"
kept=$(count '\.wav$')
rows=$(($(grep -c . "$(day)/calls.csv") - 1))
[ "$rows" -eq "$kept" ] || fail "$kept files but $rows rows"
for f in "$(day)"/*.wav; do
  grep -q "$(basename "$f")" "$(day)/calls.csv" || fail "$f is not in calls.csv"
  ffprobe -v error -show_entries format=duration -of csv=p=0 "$f" >/dev/null 2>&1 || fail "$f cannot be read"
done
echo "PASS: $kept calls of the real program kept, the killed call's .part removed at the next start"
[ -n "$seed" ] || exit 0

# The simulator's own tones, a named directory, Opus: every call checked against
# what the simulator says it sent, on its monotonic clock (python's is the same).
now_ms() { python3 -c 'import time; print(int(time.monotonic() * 1000))'; }
work=$scratch/tones
mkdir -p "$work"
"$(realpath "$seed")" "$work" >/dev/null || fail "the directories could not be seeded"
printf 'record=1\nformat=opus\npreroll_ms=500\nhang_ms=2000\nmin_ms=2500\nmin_free_mb=0\nkeep_days=0\n' >"$work/recording.ini"
"$sim" --folder "$work" --activity 24 --seed 5 --audio >"$scratch/sim.log" 2>&1 &
simpid=$!
for _ in $(seq 100); do [ -e "$work/com1" ] && break; sleep 0.1; done
start
sleep 4  # the port opened, the squelch reports on, the input open and its pre-roll filled
from=$(now_ms)
sleep "${SCANDECK_TONE_SECONDS:-80}"
until=$(now_ms)
kill -TERM "$app"; wait "$app" 2>/dev/null
kill "$simpid"; wait "$simpid" 2>/dev/null
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
"$sim" --folder "$work" --activity 40 --seed 6 --audio >>"$scratch/sim.log" 2>&1 &
simpid=$!
start
for _ in $(seq 600); do [ -e "$old/10-00-00_ch-154.4300_old.wav" ] || break; sleep 0.1; done
kill -TERM "$app"; wait "$app" 2>/dev/null
kill "$simpid"; wait "$simpid" 2>/dev/null
[ -e "$old/10-00-00_ch-154.4300_old.wav" ] && fail "the quota did not evict the oldest recording"
[ "$(cat "$old/notes.txt")" = mine ] || fail "a file ScanDeck did not write went"
[ "$(ls "$today"/*.opus | wc -l)" -eq $((rows - 1)) ] || fail "a newer recording went before the oldest"
[ "$(grep -c . "$today/calls.csv")" -ge "$rows" ] || fail "calls.csv lost rows"
total=$(cat "$work"/recordings/*/*.opus "$work"/recordings/*/*.wav | wc -c)
newest=$(ls -S "$today"/*.wav | head -1)
[ "$total" -le $((1024 * 1024 + $(wc -c <"$newest"))) ] || fail "$total bytes kept over a 1 MB quota"
# Under the sanitizers a report need not end the program: read the logs for it.
grep -E "runtime error|ERROR: AddressSanitizer" "$scratch/scandeck.log" "$scratch/sim.log" && fail "a sanitizer report"
echo "PASS: the simulator's tones recorded call by call; the quota evicted the oldest recording only"
