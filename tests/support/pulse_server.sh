# Sourced by the tests that need a sound input: start_pulse_server SCRATCH starts a
# PulseAudio of the test's own (private socket, runtime folder and home) with a null
# sink "cable" whose monitor is remapped into the default source "linein" (Qt lists
# no monitor sources), silence playing into the sink throughout as a line input never
# stops. Sets pulse_pids; returns 1 with the server's log where it cannot start.
start_pulse_server() {
  local scratch=$1
  mkdir -m 700 -p "$scratch/run" "$scratch/home"
  export HOME=$scratch/home XDG_RUNTIME_DIR=$scratch/run PULSE_SERVER=unix:$scratch/pulse.sock
  printf '%s\n' "load-module module-native-protocol-unix auth-anonymous=1 socket=$scratch/pulse.sock" \
    "load-module module-null-sink sink_name=cable" "load-module module-remap-source master=cable.monitor source_name=linein" \
    "set-default-sink cable" "set-default-source linein" >"$scratch/pulse.pa"
  pulseaudio -n -F "$scratch/pulse.pa" --exit-idle-time=-1 --daemonize=no --use-pid-file=no >"$scratch/pulse.log" 2>&1 &
  pulse_pids=$!
  for _ in $(seq 100); do pactl info >/dev/null 2>&1 && break; sleep 0.1; done
  pactl info >/dev/null 2>&1 || { cat "$scratch/pulse.log"; return 1; }
  pacat --playback --raw --device=cable --format=s16le --rate=16000 --channels=1 </dev/zero >/dev/null 2>&1 &
  pulse_pids="$pulse_pids $!"
}
