#!/usr/bin/env bash
# Camera windows from camsim in one viewer under a virtual display: frames shown per second
# per window, CPU use, memory, frames dropped and the time to close them all.
# Needs a build configured with -DVEXILON_BENCH=ON. Usage:
#   bench/camera_windows_bench.sh [BUILD_DIR [WINDOWS [SECONDS [SIZE [LAYOUT [DESKTOP]]]]]]
# SIZE of each camera's 25 fps pictures (640x480); LAYOUT tiled (default), actual (each
# picture at its own size), paused, minimised or covered; DESKTOP the desktop window's size
# (1920x1040), the virtual screen a little larger.
# QUERY=&stamp in the environment has camsim stamp each picture with its send time, and the
# probe reports the time from sending to painting.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${VEXILON_BUILD_DIR:-$root/build}}
windows=${2:-16}
seconds=${3:-20}
size=${4:-640x480}
layout=${5:-tiled}
desktop=${6:-1920x1040}
screen="$((${desktop%x*} + 40))x$((${desktop#*x} + 80))x24"
camsim=${CAMSIM:-$build/tools/camsim/camsim}
probe=$build/bench/camera_windows_probe
for tool in "$camsim" "$probe"; do
  [[ -x $tool ]] || { echo "missing $tool (build with -DVEXILON_BENCH=ON)" >&2; exit 2; }
done

out=$(mktemp)
"$camsim" --port 0 >"$out" 2>/dev/null &
camsim_pid=$!
trap 'kill "$camsim_pid" 2>/dev/null; wait "$camsim_pid" 2>/dev/null; rm -f "$out"' EXIT

port=
for _ in $(seq 100); do
  line=$(head -n 1 "$out")
  if [[ $line =~ ^camsim\ listening\ on\ 127\.0\.0\.1:([0-9]+) ]]; then
    port=${BASH_REMATCH[1]}
    break
  fi
  sleep 0.1
done
[[ -n $port ]] || { echo "camsim did not start" >&2; exit 1; }

echo "camsim on port $port; $windows windows for $seconds s"
VEXILON_AUDIO=null xvfb-run -a -s "-screen 0 $screen" \
  "$probe" "$port" "$windows" "$seconds" "/push?size=$size&fps=25${QUERY:-}" "$layout" "$desktop"
