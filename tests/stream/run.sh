#!/usr/bin/env bash
# The stream on real parts: a PulseAudio of the test's own (tones played into a null
# sink remapped into the input) and an icecast2 of its own on 127.0.0.1, restarted
# mid-stream by the test through SCANDECK_ICECAST_RESTART; the StreamOnIcecast tests
# of qt_tests drive the real capture and stream libraries and read the mount back
# as a listener and ffmpeg. With the program, the simulator and the demo seeder as
# well, the real program streams the simulator's calls with its own titles. Exits 77 (skipped) with a line saying why where a part is missing.
set -u
qt_tests=$1 scandeck=${2:-} sim=${3:-} seed=${4:-}
here=$(cd "$(dirname "$0")" && pwd)
for tool in pulseaudio pactl paplay pacat icecast2 ffmpeg curl python3; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
. "$here/../support/pulse_server.sh"
. "$here/../support/icecast_server.sh"
scratch=$(mktemp -d)
chmod 755 "$scratch"  # icecast2 runs as nobody when the test is root
pulse_pids= icecast_pid=
cleanup() {
  kill $pulse_pids ${icecast_pid:-} 2>/dev/null
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
start_pulse_server "$scratch" || { echo "SKIP: the private PulseAudio server did not start"; exit 77; }
port=$(free_port)
password=src$$pw
# Metadata every 2,000 bytes: half a second at 32 kb/s (Icecast's default, 16,000,
# would place a title up to four seconds late in so slow a stream).
mounts="<mount><mount-name>/scanner.mp3</mount-name><mp3-metadata-interval>2000</mp3-metadata-interval></mount>"
mkdir -p "$scratch/icecast"
start_icecast_server "$scratch/icecast" "$port" "$password" "$mounts" || { echo "SKIP: icecast2 did not start"; exit 77; }
# The test asks for a restart by writing this file; the server is stopped, left down
# for a second and started again.
restart=$scratch/restart
(
  while :; do
    if [ -e "$restart" ]; then
      rm -f "$restart"
      kill "$(cat "$scratch/icecast.pid")" 2>/dev/null
      sleep 1
      start_icecast_server "$scratch/icecast" "$port" "$password" "$mounts" >/dev/null
      echo "$icecast_pid" >"$scratch/icecast.pid"
      touch "$scratch/restarted"
    fi
    sleep 0.1
  done
) &
watcher=$!
echo "$icecast_pid" >"$scratch/icecast.pid"
trap 'kill $watcher 2>/dev/null; kill "$(cat "$scratch/icecast.pid")" 2>/dev/null; cleanup' EXIT
SCANDECK_TEST_PULSE=1 SCANDECK_ICECAST_PORT=$port SCANDECK_ICECAST_PASSWORD=$password \
  SCANDECK_ICECAST_LOG=$scratch/icecast/log SCANDECK_ICECAST_RESTART=$restart QT_QPA_PLATFORM=offscreen \
  "$qt_tests" --gtest_filter='StreamOnIcecast.*'
rc=$?
echo "qt_tests ended with $rc"
[ $rc -eq 0 ] || { tail -20 "$scratch/icecast/log/error.log"; exit $rc; }
[ -n "$scandeck" ] || exit 0

# The real program against the simulator over a pseudo-terminal, stream=1 and
# record=0: the mount comes up and its titles are the program's now-playing texts.
work=$scratch/work
mkdir -p "$work"
scandeck=$(realpath "$scandeck") sim=$(realpath "$sim") seed=$(realpath "$seed")
"$seed" "$work" >/dev/null 2>&1
printf 'stream=1\nstream_port=%s\nstream_password=%s\nstream_mount=/program.mp3\n' "$port" "$password" >"$work/integrations.ini"
"$sim" --folder "$work" --activity 40 --seed 3 >/dev/null 2>&1 &
simpid=$!
for _ in $(seq 100); do [ -e "$work/com1" ] && break; sleep 0.1; done
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
kill "$simpid" 2>/dev/null
grep -q -x 'Scanning...' "$titles" || { echo "FAIL: the program's stream never carried the idle text"; sort -u "$titles" | head; tail "$scratch/scandeck.log"; exit 1; }
named=$(grep -v -x -e 'Scanning...' -e '' "$titles" | sort -u | head -3 | tr '\n' ';')
[ -n "$named" ] || { echo "FAIL: the program's stream carried no call's title"; exit 1; }
[ $status -eq 0 ] || { echo "FAIL: the program ended with $status"; exit 1; }
[ -z "$(ls "$work" | grep -x recordings)" ] || { echo "FAIL: record=0 wrote recordings"; exit 1; }
echo "PASS: the program's own stream titled $named and the idle text"
