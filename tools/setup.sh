#!/usr/bin/env bash
# Installs everything the build, the program and the tests need on Debian 12. Idempotent;
# run as root. Skips apt when every package is already there.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git ca-certificates
  qtbase5-dev qtbase5-dev-tools qtwebengine5-dev libqt5webchannel5-dev libqt5svg5 libqt5svg5-dev
  qtwebengine5-dev-tools
  libpugixml-dev liblzma-dev xz-utils nginx curl
  libx11-dev libx11-xcb-dev libxcb1-dev libxi-dev libxtst-dev libxcb-keysyms1-dev libqt5x11extras5-dev
  xvfb xauth x11-utils xdotool imagemagick openbox trayer dbus dbus-x11
  clang-format python3 python3-websocket
  fonts-dejavu-core fonts-noto-cjk
  libglib2.0-dev binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 g++-mingw-w64-x86-64-posix wine wine64 doctest-dev
)

# Node.js with npm may come from elsewhere on a prepared machine; Debian's otherwise.
command -v npm >/dev/null 2>&1 || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
