#!/usr/bin/env bash
# Installs what building, running and testing Tessaro needs (Debian 12), then configures
# and builds everything into ./build. Safe to run again. With --packages-only it installs
# and builds nothing else (scripts/check.sh uses that).
set -euo pipefail
cd "$(dirname "$0")/.."

# clang and its runtime libraries build the fuzz targets (scripts/check.sh); poppler-utils
# renders the PDF report in its test (pdftoppm, pdftotext); tshark decodes the HSE
# captures in the HSE tests.
packages=(cmake ninja-build g++ qt6-base-dev libgl-dev libgtest-dev libgmock-dev
          libqcustomplot-dev libbenchmark-dev nlohmann-json3-dev libsqlite3-dev
          xvfb xauth fonts-dejavu-core clang libclang-rt-14-dev poppler-utils tshark)
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

[ "${1:-}" = "--packages-only" ] && exit 0

# Line tables only (-g1): enough for a backtrace, and a markedly quicker build than full
# debugging information.
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O2 -g1 -DNDEBUG"
cmake --build build -j"$(nproc)"
