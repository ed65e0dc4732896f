#!/usr/bin/env bash
# The stream on real parts: a PulseAudio of the test's own (tones played into a null
# sink remapped into the input) and an icecast2 of its own on 127.0.0.1, restarted
# mid-stream by the test through SCANDECK_ICECAST_RESTART; the StreamOnIcecast tests
# of qt_tests drive the real capture and stream libraries and read the mount back
# with curl and ffmpeg. Exits 77 (skipped) with a line saying why where a part is missing.
set -u
qt_tests=$1
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
[ $rc -eq 0 ] || tail -20 "$scratch/icecast/log/error.log"
exit $rc
