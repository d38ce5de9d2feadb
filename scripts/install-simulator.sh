#!/usr/bin/env bash
# Writes the registry entries with which Tessaro finds the simulated Fieldbus server
# (BUILD_DIR/simulator/Binaries/nifb) and the server finds its default segment.
# Usage: install-simulator.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="$(cd "${1:-build}" && pwd)"
reg="$build/platform/tessaro-reg"
key='HKEY_LOCAL_MACHINE\SOFTWARE\National Instruments\NI-FBUS\CurrentVersion'
if [ ! -x "$build/simulator/Binaries/nifb" ]; then
  echo "The simulated server is not built; Tessaro will work offline."
  exit 0
fi
"$reg" set-string "$key" Version "3.0"
"$reg" set-string "$key" Path "$build/simulator/"
"$reg" set-string "$key" Segment "$(pwd)/simulator/segments/default.json"
echo "Tessaro will find the simulated segment server at $build/simulator/Binaries/nifb"
