#!/usr/bin/env bash
# The fault soak: camsim with chaos streams and the viewer with sixteen cameras, a recording
# and flashback, for SECONDS (default 150); the faults stop at CALM_AFTER (default 35 % of the
# run) so that the end shows every camera recovered. Prints the viewer's samples, the faults
# camsim drew, and the verdict; fails when the viewer failed a check or crashed.
#   tests/soak/soak.sh BUILD_DIR [SECONDS [CALM_AFTER]]
set -euo pipefail
build=${1:?usage: soak.sh BUILD_DIR [SECONDS [CALM_AFTER]]}
seconds=${2:-150}
calm=${3:-$((seconds * 7 / 20))}
camsim=$build/tools/camsim/camsim
probe=$build/tests/soak_probe
for tool in "$camsim" "$probe"; do
  [[ -x $tool ]] || { echo "missing $tool" >&2; exit 2; }
done

out=$(mktemp)
"$camsim" --port 0 --max-connections 128 >"$out" 2>/dev/null &
camsim_pid=$!
trap 'kill "$camsim_pid" 2>/dev/null; wait "$camsim_pid" 2>/dev/null; rm -f "$out"' EXIT
port=
for _ in $(seq 100); do
  if [[ $(head -n 1 "$out") =~ ^camsim\ listening\ on\ 127\.0\.0\.1:([0-9]+) ]]; then
    port=${BASH_REMATCH[1]}
    break
  fi
  sleep 0.1
done
[[ -n $port ]] || { echo "camsim did not start" >&2; exit 1; }

status=0
QT_QPA_PLATFORM=offscreen VEXILON_AUDIO=null "$probe" "$port" "$seconds" "$calm" || status=$?
echo "faults camsim drew: $(grep -c '^camsim chaos' "$out")"
grep '^camsim chaos' "$out" | sort | uniq -c | sort -rn | awk '{printf "  %s %d\n", $4, $1}'
if [ "$status" -ne 0 ]; then
  echo "soak FAILED (the viewer's exit status $status)" >&2
  exit 1
fi
