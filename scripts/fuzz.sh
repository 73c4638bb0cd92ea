#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, ASan and UBSan, undefined behaviour fatal) and runs each
# for SECONDS (default 15), as many at once as there are cores, from its corpus in
# build/fuzz/corpus, its seeds in tests/fuzz/seeds and its dictionary in tests/fuzz/dicts. A target that finds something has
# its whole report printed, and the script fails.
#   scripts/fuzz.sh [SECONDS [TARGET...]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-15}
shift || true
cmake -S "$root" -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DVEXILON_FUZZ=ON -DVEXILON_TESTS=OFF -DVEXILON_UI=OFF >/dev/null
cmake --build build/fuzz --target fuzzers
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for fuzzer in build/fuzz/tests/fuzz/fuzz_*; do
    [ -x "$fuzzer" ] && targets+=("$(basename "$fuzzer")")
  done
fi
# One target per core at a time; each writes its own log, read once all have finished.
run_target() {
  local name=$1 corpus=build/fuzz/corpus/$1 seeds=tests/fuzz/seeds/$1 dict=tests/fuzz/dicts/$1.dict
  mkdir -p "$corpus"
  [ -d "$seeds" ] || seeds=""
  [ -f "$dict" ] && dict="-dict=$dict" || dict=""
  local status=0
  build/fuzz/tests/fuzz/"$name" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
    -timeout=10 -print_final_stats=1 -artifact_prefix=build/fuzz/"$name"- $dict "$corpus" $seeds \
    >build/fuzz/"$name".log 2>&1 || status=$?
  echo "$status" >build/fuzz/"$name".status
}
cores=$(nproc)
for name in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$cores" ]; do wait -n || true; done
  run_target "$name" &
done
wait
failed=()
for name in "${targets[@]}"; do
  log=build/fuzz/$name.log
  if [ "$(cat build/fuzz/"$name".status)" = 0 ]; then
    # The last status line: executions and coverage.
    echo "-- $name: $(grep -E '^#[0-9]+' "$log" | tail -n 1 | cut -c1-100)"
  else
    echo "-- $name FAILED; its report:"
    cat "$log"
    failed+=("$name")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzers that found something: ${failed[*]}" >&2
  exit 1
fi
