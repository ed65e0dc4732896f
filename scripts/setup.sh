#!/usr/bin/env bash
# Installs the Debian packages ScanDeck needs; does nothing when they are already
# there. "setup.sh run" installs only what building and running the program need
# (the demo); without it, also everything the tests start (screen reader, CUPS,
# Icecast, Hamlib, Wine, mingw-w64, ...).
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-serialport-dev qt6-qpa-plugins qt6-multimedia-dev
  libgtest-dev libcups2-dev
  fonts-comic-neue fonts-liberation2
  xvfb xauth
  libopusenc-dev libopusfile-dev
  libshout-dev libmp3lame-dev
  libmosquitto-dev
  libsodium-dev qt6-httpserver-dev qt6-websockets-dev
)
if [ "${1:-}" != run ]; then
  packages+=(
    libgmock-dev libbenchmark-dev
    clang libclang-rt-14-dev
    imagemagick
    dpkg-dev desktop-file-utils appstream lintian man-db
    dbus dbus-daemon at-spi2-core python3-pyatspi gir1.2-atspi-2.0
    orca speech-dispatcher python3-speechd openbox
    trayer xdotool x11-utils notification-daemon
    poppler-utils cups cups-client cups-bsd printer-driver-cups-pdf
    icecast2 ffmpeg curl libhamlib-utils opus-tools mosquitto mosquitto-clients
    pulseaudio pulseaudio-utils
    chromium python3-websocket
    g++-mingw-w64-x86-64-posix wine64 googletest
  )
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
