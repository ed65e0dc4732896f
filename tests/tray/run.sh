#!/usr/bin/env bash
# Runs the tray tests on a real X display with a notification area: Xvfb plus
# trayer. Exits 77 (skipped) with a line saying why when one of them is missing.
set -u
qt_tests=$1
for tool in xvfb-run trayer xdotool xprop; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
inner=$(mktemp)
trap 'rm -f "$inner"' EXIT
cat >"$inner" <<'INNER'
trayer --edge top --align right --widthtype pixel --width 120 --heighttype pixel --height 32 >/dev/null 2>&1 &
tray=$!
# The icon can only dock once the notification area owns its selection.
for _ in $(seq 50); do
  xprop -root _NET_SUPPORTED >/dev/null 2>&1 && xdotool search --class trayer >/dev/null 2>&1 && break
  sleep 0.1
done
QT_QPA_PLATFORM=xcb "$@"
rc=$?
kill $tray 2>/dev/null
exit $rc
INNER
exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$inner" "$qt_tests" --gtest_filter='RealTray.*'
