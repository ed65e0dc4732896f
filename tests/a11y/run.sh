#!/usr/bin/env bash
# Gives the screen-reader test what it needs: an X display (Xvfb), a D-Bus session
# with the accessibility bus, and the AT-SPI bindings. Exits 77 (skipped) with a
# line saying why when one of them cannot be had.
set -u
# Debian's own Python, where python3-pyatspi installs (not one a version manager put first).
py=/usr/bin/python3
for tool in xvfb-run dbus-run-session $py; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
$py -c 'import pyatspi' 2>/dev/null || { echo "SKIP: python3-pyatspi is not installed"; exit 77; }
[ -x /usr/libexec/at-spi-bus-launcher ] || { echo "SKIP: at-spi2-core is not installed"; exit 77; }
here=$(dirname "$0")
exec dbus-run-session -- xvfb-run -a -s "-screen 0 1280x1024x24" $py "$here/screen_reader_test.py" "$@"
