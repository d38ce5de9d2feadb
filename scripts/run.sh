#!/usr/bin/env bash
# Sets everything up, points Tessaro at the simulated segment and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/install-simulator.sh build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting Tessaro in a virtual X server (xvfb-run)."
  exec xvfb-run -a -s "-screen 0 1280x900x24" build/app/Tessaro "$@"
fi
exec build/app/Tessaro "$@"
