#!/usr/bin/env bash
# Starts TessaroPlugin the way the partner's asset-management host does: for one device of the
# simulated segment, named by its tag, with a host session of its own.
# Usage: plugin.sh TAG [ACCESS]    (ACCESS "RW", the default, gives full rights)
# The simulated server is started when none answers, and stopped again when the plug-in ends.
set -euo pipefail
cd "$(dirname "$0")/.."
tag="${1:?usage: scripts/plugin.sh TAG [ACCESS]}"
access="${2:-RW}"
bash scripts/setup.sh
bash scripts/install-simulator.sh build
client=build/nifb/nifb_client

server=""
if ! "$client" list >/dev/null 2>&1; then
  build/simulator/Binaries/nifb &
  server=$!
  trap 'kill "$server" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do "$client" list >/dev/null 2>&1 && break; sleep 0.2; done
fi

# What the host knows of the device: its place on the link and its identifier.
listing="$("$client" list)"
interface="$(printf '%s\n' "$listing" | sed -n 's/^Live list of \(.*\):$/\1/p' | head -n 1)"
id="$(printf '%s\n' "$listing" | awk -v t="$tag" '$3 == t { print $2; exit }')"
if [ -z "$id" ]; then
  echo "No device $tag on the simulated segment; it has:"
  printf '%s\n' "$listing" | awk 'NF >= 3 && $1 ~ /^0x/ { print "  " $3 }'
  exit 1
fi

args=("qam-$$" "$(hostname)" "$interface/$tag" "$tag" "$id" "$access" "${USER:-technician}")
echo "Starting the plug-in for $tag ($id) on $interface"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found: starting the plug-in in a virtual X server (xvfb-run)."
  xvfb-run -a -s "-screen 0 1280x900x24" build/app/TessaroPlugin "${args[@]}"
else
  build/app/TessaroPlugin "${args[@]}"
fi
