#!/usr/bin/env bash
# Installs what is needed, builds, and starts the program. When no meter cable is attached
# (no /dev/ttyUSB*, /dev/ttyACM* or hidraw adapter), the virtual meter is started first and
# published as COM1, so "COM Connection" shows live readings at once.
#   scripts/run.sh            build and start
#   scripts/run.sh --no-sim   never start the virtual meter
set -euo pipefail
cd "$(dirname "$0")/.."

sim=auto
[ "${1:-}" = "--no-sim" ] && sim=no

bash scripts/deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)" --target meter-logger meter-sim meter-read

if [ "$sim" = auto ] && ! ls /dev/ttyUSB* /dev/ttyACM* >/dev/null 2>&1; then
  build/bin/meter-sim --port COM1 &
  sim_pid=$!
  trap 'kill $sim_pid 2>/dev/null || true' EXIT
  sleep 0.5
  echo "Virtual meter running as COM1: click \"COM Connection\"."
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting on a virtual X display (xvfb-run)."
  xvfb-run -a -s "-screen 0 1024x768x24" build/bin/meter-logger
else
  build/bin/meter-logger
fi
