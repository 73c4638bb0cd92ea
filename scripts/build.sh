#!/usr/bin/env bash
# Configures and builds Vexilon into build/ (or $VEXILON_BUILD_DIR); extra arguments go to CMake.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${VEXILON_BUILD_DIR:-$root/build}
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=${VEXILON_BUILD_TYPE:-RelWithDebInfo} "$@" >/dev/null
cmake --build "$build"
