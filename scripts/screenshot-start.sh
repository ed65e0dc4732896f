#!/usr/bin/env bash
# Takes a screenshot of the setup window with two detected devices on Xvfb:
#   bash scripts/screenshot-start.sh BUILD-FOLDER OUTPUT.png
set -euo pipefail
build=${1:-build-test} out=${2:-/tmp/scandeck-start.png}
out=$(realpath -m "$out")
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  QT_QPA_PLATFORM=xcb "$1/start_preview" & preview=$!
  sleep 2
  import -window root "$2"
  kill $preview' _ "$build" "$out"
echo "$out"
