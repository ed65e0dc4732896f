#!/usr/bin/env bash
# Two ScanDecks in one folder, the real program on Xvfb: the first runs against the
# simulator; the second shows one message box naming the folder, ends when it is
# closed, and has written nothing. Exits 77 (skipped) with a line saying why when
# Xvfb or xdotool cannot be had.
# Usage: run.sh SCANDECK SCANDECK_SIM
set -u
# Real windows on the display, whatever the test run sets for the others.
export QT_QPA_PLATFORM=xcb
scandeck=$1
sim=$2
if [ -z "${SCANDECK_ON_XVFB:-}" ]; then
  for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
  done
  SCANDECK_ON_XVFB=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi

dir=$(mktemp -d)
cleanup() {
  for pid in ${second:-} ${first:-} ${sim_pid:-}; do
    kill "$pid" 2>/dev/null
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -KILL "$pid" 2>/dev/null
  done
  wait 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# The visible windows of a process, once it has some (at most 30 s).
windows_of() {
  for _ in $(seq 150); do
    found=$(xdotool search --onlyvisible --pid "$1" 2>/dev/null)
    [ -n "$found" ] && { echo "$found"; return; }
    kill -0 "$1" 2>/dev/null || return
    sleep 0.2
  done
}
listing() { (cd "$folder" && find . -printf '%p %s %T@\n' | sort); }

mkdir "$dir/work"
folder=$(cd "$dir/work" && pwd -P)
"$sim" --folder "$folder" >"$dir/sim.log" 2>&1 &
sim_pid=$!
for _ in $(seq 50); do [ -e "$folder/com1" ] && break; sleep 0.1; done
[ -e "$folder/com1" ] || fail "the simulator made no com1: $(cat "$dir/sim.log")"

(cd "$folder" && exec "$scandeck") >"$dir/first.log" 2>&1 &
first=$!
[ -n "$(windows_of $first)" ] || fail "the first ScanDeck showed no window: $(cat "$dir/first.log")"
sleep 1  # its start-up writes, if any, are done
before=$(listing)

(cd "$folder" && exec "$scandeck") >"$dir/second.log" 2>&1 &
second=$!
boxes=$(windows_of $second)
[ -n "$boxes" ] || fail "the second ScanDeck showed nothing: $(cat "$dir/second.log")"
sleep 1  # a second box, or the main window, would have come by now
boxes=$(xdotool search --onlyvisible --pid $second 2>/dev/null)
[ "$(echo "$boxes" | wc -l)" -eq 1 ] || fail "the second ScanDeck shows $(echo "$boxes" | wc -l) windows"
grep -qF "ScanDeck is already running in $folder." "$dir/second.log" ||
  fail "the folder is not named: $(cat "$dir/second.log")"

# The user reads the box and presses Enter: the second one ends, the first goes on.
xdotool windowfocus --sync "$boxes"
xdotool key Return
for _ in $(seq 100); do kill -0 $second 2>/dev/null || break; sleep 0.1; done
kill -0 $second 2>/dev/null && fail "the second ScanDeck did not end when its box was closed"
wait $second
rc=$?
second=
[ $rc -ne 0 ] || fail "the second ScanDeck ended with status 0"
kill -0 $first 2>/dev/null || fail "the first ScanDeck ended"
[ "$(listing)" = "$before" ] || fail "files changed: $(diff <(echo "$before") <(listing))"
echo "PASS: the second ScanDeck named $folder in one box and wrote nothing"
