#!/usr/bin/env bash
# Sets everything up, builds, and runs every test; ends with the ctest summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
export QT_QPA_PLATFORM=offscreen
# Tests never touch the user's own registry or program folder.
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
export TESSARO_REGISTRY="$scratch/registry.dat" TESSARO_HOME="$scratch/home" TESSARO_SYSTEM_DIR="$scratch/system"
cd build
ctest --output-on-failure --timeout 300 -j2
