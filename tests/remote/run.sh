#!/usr/bin/env bash
# The remote page in a real browser: Debian's Chromium, headless, driven over its
# DevTools protocol by browser_test.py, against the real program on scandeck-sim
# behind a pseudo-terminal. Exits 77 (skipped) with the reason when a tool is missing.
set -u
python=/usr/bin/python3  # Debian's, with the python3-websocket package
for tool in chromium ss $python; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (chromium, iproute2, python3)"; exit 77; }
done
$python -c 'import websocket' 2>/dev/null || { echo "SKIP: python3-websocket is not installed"; exit 77; }
exec $python "$(dirname "$0")/browser_test.py" "$@"
