#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer on the demo catalogue.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
home=${VEXILON_HOME:-$root/build/demo-home}
mkdir -p "$home"
[ -f "$home/Vexilon.vxc" ] || cp "$root/demo/Vexilon.vxc" "$home/Vexilon.vxc"
export VEXILON_HOME=$home
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found; starting the viewer under xvfb-run."
  exec xvfb-run -a "$root/build/vexilon" /NOWEB "$@"
fi
exec "$root/build/vexilon" /NOWEB "$@"
