#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer on the demo catalogue, whose cameras
# are served by camsim on 127.0.0.1:8481 while the viewer runs, with the demo desktop open.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXILON_BUILD_DIR:-$root/build}
port=8481  # the port the demo catalogue names
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
home=${VEXILON_HOME:-$build/demo-home}
mkdir -p "$home"
# A newer demo catalogue or desktop in the repository replaces the copy the viewer keeps.
for file in Vexilon.vxc VexiDesk.vxd; do
  if [ ! -f "$home/$file" ] || [ "$root/demo/$file" -nt "$home/$file" ]; then
    cp "$root/demo/$file" "$home/$file"
  fi
done
export VEXILON_HOME=$home

log=$home/camsim.log
"$build/tools/camsim/camsim" --demo --port "$port" >"$log" 2>&1 &
camsim=$!
trap 'kill "$camsim" 2>/dev/null || true; wait "$camsim" 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM
for _ in $(seq 50); do
  grep -q 'camsim listening' "$log" && break
  if ! kill -0 "$camsim" 2>/dev/null; then
    cat "$log" >&2
    echo "camsim could not start on port $port (is another demo running?)" >&2
    exit 1
  fi
  sleep 0.1
done
echo "Demo cameras served by camsim on 127.0.0.1:$port (log: $log)."

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found; starting the viewer under xvfb-run."
  xvfb-run -a "$build/vexilon" /NOWEB "/D=$home/VexiDesk.vxd" "$@"
else
  "$build/vexilon" /NOWEB "/D=$home/VexiDesk.vxd" "$@"
fi
