#!/usr/bin/env bash
# CPU per decoded frame at full size: `vexilonctl probe --decode` beside ffmpeg's own client,
# both reading ffmpeg's mpjpeg server (testsrc2, 25 fps, -q:v 4), and libjpeg-turbo alone on a
# frame of the same stream. Marginal figures: a long run (LONG frames) less a short one
# (SHORT frames), so start-up and probing cancel; medians of ROUNDS rounds.
#   bench/decode_vs_ffmpeg.sh [BUILD_DIR [SIZES [ROUNDS]]]   e.g. build/dev "640x480 1280x720" 3
# BUILD_DIR configured with -DVEXILON_BENCH=ON.
set -euo pipefail
build=${1:-build/dev}
sizes=${2:-640x480 1280x720}
rounds=${3:-3}
long=${LONG:-300}
short=${SHORT:-50}
ctl=$build/tools/vexilonctl/vexilonctl
work=$(mktemp -d)
server=
trap 'kill $server 2>/dev/null || true; rm -rf "$work"' EXIT

free_port() { python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])'; }

serve() { # SIZE PORT: one client's stream, paced at 25 fps
  ffmpeg -hide_banner -loglevel error -re -f lavfi -i "testsrc2=size=$1:rate=25" -q:v 4 \
    -f mpjpeg -listen 1 "http://127.0.0.1:$2/" </dev/null 2>/dev/null &
  server=$!
  sleep 0.5
}

cpu_seconds() { # command...: user+sys seconds of the command
  local TIMEFORMAT='%U %S' t
  t=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  echo "$t" | awk '{print $1 + $2}'
}

client_cpu() { # CLIENT SIZE FRAMES
  local port
  port=$(free_port)
  serve "$2" "$port"
  if [ "$1" = vexilon ]; then
    cpu_seconds "$ctl" probe "http://127.0.0.1:$port/" --decode --frames "$3" --seconds 600
  else
    cpu_seconds ffmpeg -hide_banner -loglevel error -f mpjpeg -i "http://127.0.0.1:$port/" \
      -frames:v "$3" -f null -
  fi
  kill $server 2>/dev/null || true
  wait $server 2>/dev/null || true
}

median() { sort -g | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : (a[NR/2] + a[NR/2+1]) / 2}'; }

for size in $sizes; do
  ffmpeg -hide_banner -loglevel error -f lavfi -i "testsrc2=size=$size:rate=25" -q:v 4 \
    -frames:v 1 "$work/$size.jpg"
  : >"$work/ours" && : >"$work/theirs"
  for _ in $(seq "$rounds"); do
    for client in vexilon ffmpeg; do
      a=$(client_cpu $client "$size" "$long")
      b=$(client_cpu $client "$size" "$short")
      echo "($a - $b) * 1000 / ($long - $short)" | bc -l >>"$work/$([ $client = vexilon ] && echo ours || echo theirs)"
    done
  done
  ours=$(median <"$work/ours")
  theirs=$(median <"$work/theirs")
  printf '%s (%s bytes a frame): vexilonctl %.3f ms, ffmpeg %.3f ms a frame: ratio %.2f\n' \
    "$size" "$(stat -c %s "$work/$size.jpg")" "$ours" "$theirs" "$(echo "$ours / $theirs" | bc -l)"
  VEXILON_BENCH_JPEG=$work/$size.jpg "$build/bench/jpeg_decode_bench" --benchmark_min_time=0.3 \
    --benchmark_filter='/picture:0/scale:1$' 2>/dev/null | awk -v s="$size" \
    '/^(Plain|Viewer)/ {printf "%s %s: %.3f ms a frame\n", s, ($1 ~ /^Plain/ ? "libjpeg-turbo alone, RGB" : "the viewer'"'"'s decoder, 32-bit"), $4 / 1000}'
done
