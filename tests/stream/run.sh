#!/usr/bin/env bash
# The stream on real parts: a PulseAudio and an icecast2 of the test's own, the
# server restarted mid-stream when the test writes SCANDECK_ICECAST_RESTART; then the
# real program streams the simulator's calls with its own titles. 77: a part missing.
set -u
qt_tests=$1 scandeck=${2:-} sim=${3:-} seed=${4:-}
for tool in pulseaudio pactl paplay pacat icecast2 ffmpeg curl python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
. "$(dirname "$0")/../support/pulse_server.sh"
. "$(dirname "$0")/../support/icecast_server.sh"
scratch=$(mktemp -d)
chmod 755 "$scratch"  # icecast2 runs as nobody when the test is root
pulse_pids=
trap 'kill ${watcher:-} $pulse_pids ${simpid:-} $(cat "$scratch/icecast.pid" 2>/dev/null) 2>/dev/null; wait; rm -rf "$scratch"' EXIT
start_pulse_server "$scratch" || { echo "SKIP: the private PulseAudio server did not start"; exit 77; }
port=$(free_port) password=src$$pw
# Metadata every 2,000 bytes, half a second at 32 kb/s (the default would place a
# title up to four seconds late).
mounts="<mount><mount-name>/scanner.mp3</mount-name><mp3-metadata-interval>2000</mp3-metadata-interval></mount>"
start_icecast_server "$scratch/icecast" "$port" "$password" "$mounts" || { echo "SKIP: icecast2 did not start"; exit 77; }
echo "$icecast_pid" >"$scratch/icecast.pid"
restart=$scratch/restart
while sleep 0.1; do  # a restart: down for a second, then the same server again
  [ -e "$restart" ] || continue
  rm -f "$restart"
  kill "$(cat "$scratch/icecast.pid")"
  sleep 1
  start_icecast_server "$scratch/icecast" "$port" "$password" "$mounts" >/dev/null
  echo "$icecast_pid" >"$scratch/icecast.pid"
done &
watcher=$!
SCANDECK_TEST_PULSE=1 SCANDECK_ICECAST_PORT=$port SCANDECK_ICECAST_PASSWORD=$password \
  SCANDECK_ICECAST_LOG=$scratch/icecast/log SCANDECK_ICECAST_RESTART=$restart QT_QPA_PLATFORM=offscreen \
  "$qt_tests" --gtest_filter='StreamOnIcecast.*' || { tail -20 "$scratch/icecast/log/error.log"; exit 1; }
[ -n "$scandeck" ] || exit 0

# The real program with stream=1 and record=0: its titles are its now-playing texts.
work=$scratch/work
mkdir -p "$work"
"$seed" "$work" >/dev/null 2>&1
printf 'stream=1\nstream_port=%s\nstream_password=%s\nstream_mount=/program.mp3\n' "$port" "$password" >"$work/integrations.ini"
"$sim" --folder "$work" --activity 40 --seed 3 >/dev/null 2>&1 &
simpid=$!
for _ in $(seq 100); do [ -e "$work/com1" ] && break; sleep 0.1; done
scandeck=$(realpath "$scandeck")
(cd "$work" && QT_QPA_PLATFORM=offscreen exec "$scandeck") >"$scratch/scandeck.log" 2>&1 &
app=$!
titles=$scratch/titles
for _ in $(seq 600); do
  # Icecast 2.4's status-json is not always valid JSON (empty values): read by pattern.
  curl -s "http://127.0.0.1:$port/status-json.xsl" | python3 -c '
import re, sys
for t in re.findall(r"/program\.mp3\"[^{}]*?\"title\":\"((?:[^\"\\]|\\.)*)\"", sys.stdin.read()): print(t)' >>"$titles"
  grep -q -v -x -e 'Scanning...' -e '' "$titles" && grep -q -x 'Scanning...' "$titles" && break
  sleep 0.1
done
kill -TERM "$app"; wait "$app"
status=$?
fail() { echo "FAIL: $*"; sort -u "$titles" | head; tail "$scratch/scandeck.log"; exit 1; }
grep -q -x 'Scanning...' "$titles" || fail "the program's stream never carried the idle text"
grep -q -v -x -e 'Scanning...' -e '' "$titles" || fail "the program's stream carried no call's title"
[ $status -eq 0 ] || fail "the program ended with $status"
[ -e "$work/recordings" ] && fail "record=0 wrote recordings"
echo "PASS: the program's own stream carried its call titles and the idle text"
