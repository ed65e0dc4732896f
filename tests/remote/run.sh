#!/usr/bin/env bash
# The remote page in Debian's Chromium against the real program (browser_test.py, on
# Debian's python3 with python3-websocket); exits 77 (skipped) when a tool is missing.
for tool in chromium ss; do command -v $tool >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }; done
/usr/bin/python3 -c 'import websocket' 2>/dev/null || { echo "SKIP: python3-websocket is not installed"; exit 77; }
exec /usr/bin/python3 "$(dirname "$0")/browser_test.py" "$@"
