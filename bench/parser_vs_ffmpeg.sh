#!/usr/bin/env bash
# Our multipart parser beside ffmpeg's mpjpeg demuxer on the same bytes: both streams of
# stream_parser_bench (48 KiB frames, 128 MiB, with and without Content-Length part heads).
# ffmpeg's figure is the whole process less its start-up (see below).
#   bench/parser_vs_ffmpeg.sh [BUILD_DIR]   (BUILD_DIR configured with -DVEXILON_BENCH=ON)
set -euo pipefail
build=${1:-build/dev}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

VEXILON_BENCH_DUMP=$work "$build/bench/stream_parser_bench" \
  --benchmark_filter='Parse|BM_Memcpy' --benchmark_format=console 2>/dev/null | grep -E '^BM_'

seconds() { # wall seconds of ffmpeg demuxing FILE and copying every packet to nowhere
  local start end
  start=$(date +%s.%N)
  ffmpeg -hide_banner -loglevel error -f mpjpeg -i "$1" -c copy -f null - </dev/null 2>/dev/null
  end=$(date +%s.%N)
  echo "$end - $start" | bc -l
}
# Start-up and probing cancel out: the rate is taken from the difference between the stream
# read once and the same stream read eight times over (best of three each).
best_seconds() {
  local best="" t
  for _ in 1 2 3; do
    t=$(seconds "$1")
    if [ -z "$best" ] || [ "$(echo "$t < $best" | bc -l)" = 1 ]; then best=$t; fi
  done
  echo "$best"
}
for name in with-length boundary-only; do
  file=$work/$name.mjpeg
  bytes=$(stat -c %s "$file")
  once=$(best_seconds "$file")
  eight=$(best_seconds "$work/$name-x8.mjpeg")
  rm -f "$work/$name-x8.mjpeg"
  echo "ffmpeg mpjpeg $name: $(echo "7 * $bytes / ($eight - $once) / 1000000000" | bc -l | cut -c1-5) GB/s"
done
