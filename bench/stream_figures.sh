#!/usr/bin/env bash
# The stream's cost, measured on the real program polling scandeck-sim over a
# pseudo-terminal, its input a private PulseAudio (silence, and a tone per 10 s),
# sending to a private icecast2 at 32 kb/s MP3. Phases of SECONDS each: the stream
# off; on with the server up; on with the server gone. For each: the poll's lines a
# second (what the simulator received), the program's CPU and that of its
# "stream-send" thread (utime+stime from /proc), VmRSS at the start and the end.
# A measurement, not a test: it prints figures and judges nothing.
#
#   bash bench/stream_figures.sh BUILD_DIR [SECONDS] [SECONDS_GONE]
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "${1:?BUILD_DIR}" && pwd)
seconds=${2:-30}
gone=${3:-$seconds}
. "$root/tests/support/pulse_server.sh"
. "$root/tests/support/icecast_server.sh"
scratch=$(mktemp -d)
chmod 755 "$scratch"
pulse_pids= icecast_pid= sim= app= tones=
cleanup() {
  kill $app $sim $tones $pulse_pids ${icecast_pid:-} 2>/dev/null
  wait 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT
start_pulse_server "$scratch" >/dev/null || { echo "PulseAudio did not start"; exit 1; }
port=$(free_port)
start_icecast_server "$scratch/ic" "$port" pw >/dev/null || { echo "icecast2 did not start"; exit 1; }
python3 -c 'import math,struct,sys; sys.stdout.buffer.write(b"".join(struct.pack("<h", int(9000*math.sin(2*math.pi*900*i/16000))) for i in range(16000*2)))' >"$scratch/tone.raw"
(while :; do paplay --raw --format=s16le --rate=16000 --channels=1 --device=cable "$scratch/tone.raw"; sleep 8; done) &
tones=$!
work=$scratch/work
mkdir -p "$work"
"$build/scandeck-demo-seed" "$work" >/dev/null 2>&1
stdbuf -oL "$build/scandeck-sim" --folder "$work" --activity 20 --seed 3 -v >"$scratch/sim.log" 2>&1 &
sim=$!
for _ in $(seq 100); do [ -e "$work/com1" ] && break; sleep 0.1; done

ticks() { awk '{print $14 + $15}' "$1" 2>/dev/null || echo 0; }
rss() { awk '/VmRSS/ {print $2}' "/proc/$app/status"; }
sender_stat() { for t in /proc/$app/task/*; do [ "$(cat "$t/comm")" = stream-send ] && echo "$t/stat"; done; }
phase() {
  local name=$1 seconds=${2:-$seconds} polls0 cpu0 send0 rss0 stat
  stat=$(sender_stat)
  polls0=$(grep -c '^>' "$scratch/sim.log"); cpu0=$(ticks "/proc/$app/stat"); send0=$(ticks "$stat"); rss0=$(rss)
  sleep "$seconds"
  local polls=$(( $(grep -c '^>' "$scratch/sim.log") - polls0 ))
  local cpu=$(( $(ticks "/proc/$app/stat") - cpu0 )) send=$(( $(ticks "$stat") - send0 )) hz
  hz=$(getconf CLK_TCK)
  awk -v n="$name" -v p="$polls" -v s="$seconds" -v c="$cpu" -v t="$send" -v hz="$hz" -v r0="$rss0" -v r1="$(rss)" \
    'BEGIN { printf "%-22s poll %.1f lines/s, program CPU %.2f %%, stream-send thread %.2f %% of a core, VmRSS %d -> %d kB\n", n, p/s, 100*c/hz/s, 100*t/hz/s, r0, r1 }'
}
run() {
  (cd "$work" && QT_QPA_PLATFORM=offscreen exec "$build/scandeck") >>"$scratch/app.log" 2>&1 &
  app=$!
  sleep 5
}
printf 'stream=0\n' >"$work/integrations.ini"
run; phase "stream off"; kill "$app"; wait "$app" 2>/dev/null
printf 'stream=1\nstream_port=%s\nstream_password=pw\nstream_mount=/scanner.mp3\n' "$port" >"$work/integrations.ini"
run; phase "stream on, server up"
kill "$icecast_pid"; wait "$icecast_pid" 2>/dev/null
phase "stream on, server gone" "$gone"
kill "$app"; wait "$app" 2>/dev/null
