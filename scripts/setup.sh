#!/usr/bin/env bash
# Installs what building, running and testing Tessaro needs (Debian 12), then configures
# and builds everything into ./build. Safe to run again.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          libqcustomplot-dev libbenchmark-dev nlohmann-json3-dev libsqlite3-dev
          xvfb xauth fonts-dejavu-core)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
if [ "${#missing[@]}" -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update
  $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)"
