#!/usr/bin/env bash
# Gives the Orca test an X display (Xvfb) and a D-Bus session; the test starts the
# speech server, Orca and the window manager itself. Exits 77 (skipped) with a line
# saying why where Orca or what it needs cannot be had.
set -u
py=/usr/bin/python3
for tool in xvfb-run dbus-run-session $py orca speech-dispatcher openbox xdotool; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
$py -c 'import pyatspi, speechd' 2>/dev/null || { echo "SKIP: python3-pyatspi or python3-speechd is not installed"; exit 77; }
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "SKIP: at-spi2-core is not installed"; exit 77; }
[ -x /usr/lib/speech-dispatcher-modules/sd_dummy ] || { echo "SKIP: speech-dispatcher's dummy module is missing"; exit 77; }
here=$(dirname "$0")
exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" $py "$here/orca_test.py" "$@"
