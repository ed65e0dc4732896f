#!/usr/bin/env bash
# The capture on a real sound server: a PulseAudio of the test's own (private socket,
# runtime folder and home) with a null sink "cable" whose monitor is remapped into
# the default source "linein" (Qt lists no monitor sources), then the capture tests
# of qt_tests against it. Exits 77 (skipped) with a line saying why where the server
# cannot be started.
set -u
qt_tests=$1
for tool in pulseaudio pactl paplay ffmpeg; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
scratch=$(mktemp -d)
server=
cleanup() {
  [ -n "$server" ] && kill "$server" 2>/dev/null && wait "$server" 2>/dev/null
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
SCANDECK_TEST_PULSE=1 QT_QPA_PLATFORM=offscreen "$qt_tests" --gtest_filter='CaptureOnPulseAudio.*'
