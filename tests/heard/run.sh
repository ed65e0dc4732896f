#!/usr/bin/env bash
# Alerts reach a real notification server: a private D-Bus session with
# notification-daemon on Xvfb, and dbus-monitor recording every Notify call.
# Exits 77 (skipped) with a line saying why where those cannot be started.
set -u
qt_tests=$1
daemon=/usr/lib/notification-daemon/notification-daemon
for tool in xvfb-run dbus-run-session dbus-monitor dbus-send; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
[ -x "$daemon" ] || { echo "SKIP: notification-daemon is not installed"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cat >"$scratch/inner" <<'INNER'
daemon=$1 qt_tests=$2 log=$3
"$daemon" >/dev/null 2>&1 &
server=$!
for _ in $(seq 50); do
  dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    string:org.freedesktop.Notifications 2>/dev/null | grep -q "boolean true" && break
  sleep 0.1
done
if ! dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
    string:org.freedesktop.Notifications 2>/dev/null | grep -q "boolean true"; then
  kill $server 2>/dev/null; exit 77
fi
dbus-monitor --session "type='method_call',interface='org.freedesktop.Notifications',member='Notify'" >"$log" 2>&1 &
monitor=$!
sleep 0.5
SCANDECK_NOTIFY_TEST=1 QT_QPA_PLATFORM=offscreen "$qt_tests" --gtest_filter='HeardAlerts.*'
rc=$?
sleep 0.5
# The server must still own its name: it took the calls rather than dying on them.
dbus-send --session --print-reply --dest=org.freedesktop.DBus / org.freedesktop.DBus.NameHasOwner \
  string:org.freedesktop.Notifications 2>/dev/null | grep -q "boolean true" || rc=1
kill $monitor $server 2>/dev/null
exit $rc
INNER
xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- bash "$scratch/inner" "$daemon" "$qt_tests" "$scratch/notify.log"
rc=$?
[ $rc -eq 77 ] && { echo "SKIP: the notification server did not start on the session bus"; exit 77; }
[ $rc -eq 0 ] || { echo "FAIL: the alert test failed ($rc)"; exit 1; }
calls=$(grep -c "member=Notify" "$scratch/notify.log")
named=$(grep -c 'string "Fireground 12 (talkgroup 400-12 of bank 3)"' "$scratch/notify.log")
echo "Notify calls: $calls, naming the talkgroup: $named"
[ "$calls" -eq 2 ] && [ "$named" -eq 2 ] || { cat "$scratch/notify.log"; echo "FAIL: expected 2 alerts, one per activity"; exit 1; }
echo "PASS: one notification per activity of the marked talkgroup"
