#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the virtual meter need, and the
# further packages named as arguments (scripts/fuzz.sh adds its compiler so).
#   scripts/deps.sh [package...]
# Does nothing when every package is already there, so other scripts call it freely.
set -euo pipefail

packages=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-serialport-dev qt6-svg-dev libqcustomplot-dev libudev-dev libgl-dev libsqlite3-dev
  libmosquitto-dev mosquitto mosquitto-clients
  libgtest-dev libgmock-dev
  xvfb xauth
  appstream desktop-file-utils man-db
  "$@"
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
