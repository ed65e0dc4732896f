#!/usr/bin/env bash
# ScanDeck on a real MQTT broker: a mosquitto of the test's own on 127.0.0.1 (a
# password file, a plain listener and a TLS one with a CA made here by openssl),
# the real program on simulated scanners (scandeck-sim behind pseudo-terminals),
# and mosquitto_sub/mosquitto_pub as the other clients. Prints the figures it
# measures; exits 77 (skipped) with the reason when the tools are missing.
set -u
skip() { echo "SKIP: $1"; [ -n "${2:-}" ] && cat "$2"; exit 77; }
scandeck=$1 sim=$2 seed_tool=$3
for tool in mosquitto mosquitto_sub mosquitto_pub mosquitto_passwd openssl python3 stdbuf; do
  command -v "$tool" >/dev/null || skip "$tool is not installed (mosquitto, mosquitto-clients, openssl)"
done

dir=$(mktemp -d)
chmod 755 "$dir"
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  [ -n "${broker:-}" ] && kill "$broker" 2>/dev/null
  wait 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; for f in "$dir"/*/stderr "$dir/broker.log"; do [ -f "$f" ] && { echo "--- $f"; tail -15 "$f"; }; done; exit 1; }
free_port() { python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'; }
now_ms() { date +%s%3N; }

port=$(free_port) tls_port=$(free_port)
user=scandeck password="pw$$ x"
# The broker's CA and certificate for 127.0.0.1, and a CA that signed nothing here.
(cd "$dir" &&
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=ScanDeck-test-CA -keyout ca.key -out ca.crt &&
  openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=wrong-CA -keyout wrong.key -out wrong.crt &&
  openssl req -newkey rsa:2048 -nodes -subj /CN=127.0.0.1 -keyout server.key -out server.csr &&
  printf 'subjectAltName=IP:127.0.0.1\n' >ext &&
  openssl x509 -req -in server.csr -CA ca.crt -CAkey ca.key -CAcreateserial -days 2 -extfile ext -out server.crt) \
  >"$dir/openssl.log" 2>&1 || skip "openssl could not make the test CA" "$dir/openssl.log"
touch "$dir/passwd"
mosquitto_passwd -b "$dir/passwd" "$user" "$password" || fail "mosquitto_passwd"
chmod 644 "$dir"/*.crt "$dir"/*.key "$dir/passwd"
cat >"$dir/broker.conf" <<CONF
per_listener_settings false
allow_anonymous false
password_file $dir/passwd
persistence false
log_dest stderr
listener $port 127.0.0.1
listener $tls_port 127.0.0.1
cafile $dir/ca.crt
certfile $dir/server.crt
keyfile $dir/server.key
CONF
[ "$(id -u)" -eq 0 ] && echo "user root" >>"$dir/broker.conf"
sub() { mosquitto_sub -h 127.0.0.1 -p "$port" -u "$user" -P "$password" "$@"; }
pub() { mosquitto_pub -h 127.0.0.1 -p "$port" -u "$user" -P "$password" "$@"; }
start_broker() {
  mosquitto -c "$dir/broker.conf" >>"$dir/broker.log" 2>&1 &
  broker=$!
  for _ in $(seq 50); do sub -t probe -W 1 -C 1 -E >/dev/null 2>&1 && return 0; sleep 0.1; done
  return 1
}
start_broker || skip "mosquitto did not start" "$dir/broker.log"

# One ScanDeck with its own scanner in folder NAME; the rest of the arguments are mqtt.ini lines.
start_scandeck() {
  local name=$1 seed=$2; shift 2
  local f="$dir/$name"
  mkdir -p "$f"
  "$seed_tool" "$f" >/dev/null
  printf '[comm port]=1\r\n[comm speed]=9600,n,8,1\r\n' >"$f/scandeck.ini"
  printf '%s\n' "mqtt=1" "mqtt_host=127.0.0.1" "mqtt_user=$user" "mqtt_password=$password" "$@" >"$f/mqtt.ini"
  if [ ! -e "$f/com1" ]; then
    # stdbuf preloads a library, which a sanitizer build accepts only when told to.
    ASAN_OPTIONS=${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0 stdbuf -oL "$sim" --folder "$f" --seed "$seed" --activity 240 --squelch-on -v >"$f/sim.log" 2>&1 &
    pids+=($!)
    for _ in $(seq 50); do [ -e "$f/com1" ] && break; sleep 0.1; done
  fi
  (cd "$f" && QT_QPA_PLATFORM=offscreen exec "$scandeck" >"$f/stdout" 2>>"$f/stderr") &
  pids+=($!)
  eval "app_$name=$!"
}
keys_sent() { grep -c '^> KEY' "$dir/$1/sim.log"; }
retained() { sub -t "$1" -W 2 -C 1 --retained-only 2>/dev/null; }
wait_for() {  # topic, payload pattern, seconds
  local end=$(($(date +%s) + $3))
  while [ "$(date +%s)" -lt "$end" ]; do retained "$1" | grep -q "$2" && return 0; sleep 0.2; done
  return 1
}
# Prefix test/NAME online (within $2 s), and with a retained status.
up() { wait_for "test/$1/availability" '^online$' "$2" && wait_for "test/$1/status" '"mode":' 10; }
# Keys sent by scanner NAME since COUNT: none, after SECONDS for anything late.
no_keys_since() { sleep "$3"; [ "$(keys_sent "$1")" = "$2" ]; }

# --- A: the plain listener, commands off (the default), discovery on.
start_scandeck a 3 "mqtt_port=$port" "mqtt_prefix=test/a" "mqtt_discovery=1"
sub -t 'test/a/call' -F '%U %p' >"$dir/calls.log" 2>&1 &
pids+=($!)
up a 15 || fail "no retained availability and status from A"
retained 'homeassistant/sensor/test_a/frequency/config' | grep -q '"availability_topic":"test/a/availability"' ||
  fail "no discovery message for the frequency sensor"
echo "ok: retained availability, status and discovery"

# Calls come as the simulated scanner hears them: wait for a few to end.
for _ in $(seq 300); do [ "$(grep -c '"event":"end"' "$dir/calls.log")" -ge 3 ] && break; sleep 0.2; done
python3 - "$dir/calls.log" <<'PY' || fail "calls"
import json, statistics, sys
starts, ends, named, delays = {}, 0, 0, {"channel": [], "talkgroup": []}
for line in open(sys.argv[1]):
    at, payload = line.split(" ", 1)
    call = json.loads(payload)
    key = (call["kind"], call["trunk_bank"], call["talkgroup"], call["frequency"] if call["kind"] == "channel" else "")
    named += bool(call["name"])
    if call["event"] == "start":
        assert key not in starts, "a second start before its end: %r" % call
        starts[key] = call["start"]
        # decoded (the activity's start) to the subscriber
        from datetime import datetime
        t = datetime.fromisoformat(call["start"].replace("Z", "+00:00")).timestamp()
        delays[call["kind"]].append((float(at) - t) * 1000)
    else:
        assert starts.pop(key, None) == call["start"], "an end without its start: %r" % call
        assert call["duration"] >= 0
        ends += 1
assert ends >= 2, "only %d calls ended" % ends
assert named, "no call carried a name"
print("ok: %d calls in order, %d messages with names" % (ends, named))
for kind, d in delays.items():
    if d:
        print("figure: %s call start (as decoded) to subscriber: median %.1f ms, max %.1f ms, %d calls" %
              (kind, statistics.median(d), max(d), len(d)))
PY

# The broker's own hop, for comparison: a timestamp published and read back.
sub -t test/hop -C 20 -W 10 -F '%U %p' >"$dir/hop.log" 2>&1 &
hop=$!
sleep 0.5
for _ in $(seq 20); do pub -t test/hop -m "$(date +%s.%N)"; done
wait "$hop"
python3 -c 'import statistics, sys; d = [(float(a) - float(b)) * 1000 for a, b in (l.split() for l in open(sys.argv[1]))]; print("figure: a new mosquitto_pub process to mosquitto_sub, for comparison: median %.2f ms" % statistics.median(d))' "$dir/hop.log"

# Commands are off: a published key does nothing.
before=$(keys_sent a)
pub -t test/a/key/set -m SCAN
no_keys_since a "$before" 1.5 || fail "a key was pressed with mqtt_commands=0"
echo "ok: commands off by default"

# A polite close says offline itself.
kill -TERM "$app_a"; wait "$app_a" 2>/dev/null
wait_for test/a/availability '^offline$' 5 || fail "no offline after SIGTERM"
echo "ok: offline on a polite close"

# --- A again with commands on, and C on the TLS listener with the right CA.
start_scandeck a 3 "mqtt_port=$port" "mqtt_prefix=test/a" "mqtt_commands=1" "mqtt_version=5"
start_scandeck c 5 "mqtt_port=$tls_port" "mqtt_prefix=test/c" "mqtt_tls=1" "mqtt_ca=$dir/ca.crt" "mqtt_commands=1"
up a 15 || fail "A (MQTT 5) never came back"
up c 15 || fail "C never came online with its status over TLS"
echo "ok: MQTT 5, and TLS with the broker's CA"

sleep 1
a0=$(keys_sent a) c0=$(keys_sent c)
pub -t test/a/key/set -m TRUNK
for _ in $(seq 30); do [ "$(keys_sent a)" != "$a0" ] && break; sleep 0.1; done
grep -q '^> KEY13' "$dir/a/sim.log" || fail "TRUNK from the broker did not press the key"
no_keys_since c "$c0" 1 || fail "a key for test/a reached C"
echo "ok: a key pressed with mqtt_commands=1, and only under its own prefix"

a1=$(keys_sent a)
head -c 1048576 /dev/urandom | pub -t test/a/key/set -s
printf 'SCAN\0KEY04H' | pub -t test/a/key/set -s
for payload in scan "SCAN " KEY04H PM001 "TRUNK;KEY00" '' DATA; do pub -t test/a/key/set -m "$payload"; done
pub -t test/a/key/other -m SCAN
no_keys_since a "$a1" 2 || fail "a hostile payload pressed a key"
kill -0 "$app_a" || fail "A died of a hostile payload"
echo "ok: hostile payloads do nothing"

# --- B: TLS with a CA that did not sign the broker's certificate.
start_scandeck b 7 "mqtt_port=$tls_port" "mqtt_prefix=test/b" "mqtt_tls=1" "mqtt_ca=$dir/wrong.crt"
sleep 6
retained test/b/availability | grep -q online && fail "B connected with the wrong CA"
n=$(grep -c 'cannot connect' "$dir/b/stderr")
[ "$n" = 1 ] || fail "the refused TLS handshake was reported $n times"
echo "ok: wrong CA refused, reported once: $(grep 'cannot connect' "$dir/b/stderr")"

# --- The broker restarted: A is back with its status.
kill "$broker"; wait "$broker" 2>/dev/null
sleep 1
t0=$(now_ms)
start_broker || fail "the broker did not start again"
up a 30 || fail "A did not come back with its status after the broker restarted"
echo "ok: back $(($(now_ms) - t0)) ms after the broker restarted (reconnect delay at most 8 s)"

# CPU of A with MQTT on, over 5 s of busy traffic.
ticks() { awk '{print $14 + $15}' "/proc/$1/stat"; }
c1=$(ticks "$app_a"); sleep 5; c2=$(ticks "$app_a")
echo "figure: CPU of ScanDeck with MQTT on: $(( (c2 - c1) * 100 / $(getconf CLK_TCK) / 5 ))% of one core"

# The last will on SIGKILL.
kill -KILL "$app_a"; wait "$app_a" 2>/dev/null
wait_for test/a/availability '^offline$' 10 || fail "no last will after SIGKILL"
echo "ok: the last will says offline after SIGKILL"
retained test/c/availability | grep -q '^online$' || fail "C was touched by A's end"
kill -TERM "$app_c" "$app_b"; wait "$app_c" "$app_b" 2>/dev/null
grep -l -E 'Sanitizer|runtime error' "$dir"/*/stderr && fail "a sanitizer report"
echo "PASS"
