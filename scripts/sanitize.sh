#!/usr/bin/env bash
# The whole test suite under a sanitizer, user-interface tests included (offscreen):
#   scripts/sanitize.sh address   AddressSanitizer, UndefinedBehaviorSanitizer, LeakSanitizer
#   scripts/sanitize.sh thread    ThreadSanitizer: the core tests and the camera-window tests
# Builds into build/sanitize-KIND (Debug); extra arguments go to ctest (for example -R Camera).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
kind=${1:-address}
shift || true
build=build/sanitize-$kind
case $kind in
  address) flag=-DVEXILON_SANITIZE=ON ;;
  thread) flag=-DVEXILON_TSAN=ON ;;
  *) echo "usage: scripts/sanitize.sh [address|thread] [ctest arguments]" >&2; exit 2 ;;
esac
# Line tables (-g1) are enough for the sanitizers' reports to name file and line.
VEXILON_BUILD_DIR=$root/$build VEXILON_BUILD_TYPE=Debug "$root/scripts/build.sh" "$flag" \
  -DCMAKE_CXX_FLAGS_DEBUG=-g1
supp=$root/tests/sanitizers
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0:strict_string_checks=1
export LSAN_OPTIONS=suppressions=$supp/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=suppressions=$supp/tsan.supp:halt_on_error=1:second_deadlock_stack=1
args=("$@")
if [ "$kind" = thread ] && [ ${#args[@]} -eq 0 ]; then
  # The threads of a camera: connection threads, sinks, the wave queue, the instance channel.
  args=(-R 'ConnectThread|VideoThread|AudioThread|WaveOut|Sink|Camera|InstanceChannel|Flashback')
fi
ctest --test-dir "$build" --output-on-failure -j "$(nproc)" --timeout 600 "${args[@]}"
