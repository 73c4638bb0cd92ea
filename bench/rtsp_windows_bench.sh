#!/usr/bin/env bash
# RTSP camera windows in one viewer against ffmpeg's own client, on the same H.264 stream in
# the same run: CPU per decoded frame of each, frames decoded per second per window, the time
# from opening a window to its first painted picture, frames dropped, memory, close time.
# Needs a build configured with -DVEXILON_BENCH=ON. Usage:
#   bench/rtsp_windows_bench.sh [BUILD_DIR [WINDOWS [SECONDS [SIZE [DESKTOP]]]]]
# SIZE of the camera's 25 fps H.264 pictures (1280x720); DESKTOP the desktop window's size
# (2736x1640: 16 tiled windows then draw 1280x720 at 640x360; at 2620x1640, as
# camera_windows_bench.sh's row, at 611x344).
# CLIENTS lists how many ffmpeg clients run at once ("1 16"), THREADS their decoder threads
# ("auto 1": ffmpeg's own choice, and one thread as each window's decoder has), WORK what they
# do ("decode convert": decode only, into ffmpeg's null output; and also scale to the size the
# windows draw at and convert to 32-bit RGB, as the windows do before they paint).
#
# Our side decodes, scales to the window's size and converts to 32-bit RGB on each window's
# thread straight into the image it paints, and paints it (the X server's own copying is not counted).
# ffmpeg's side decodes only, into its null output. Neither side counts the RTSP server's CPU,
# which serves both from one shared encoder. Each side's figures leave out its start-up: the
# probe measures once every window paints pictures, ffmpeg once every client has frames.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-${VEXILON_BUILD_DIR:-$root/build}}
windows=${2:-16}
seconds=${3:-20}
size=${4:-1280x720}
desktop=${5:-2736x1640}
clients=${CLIENTS:-1 16}
threads=${THREADS:-auto 1}
works=${WORK:-decode convert}
screen="$((${desktop%x*} + 40))x$((${desktop#*x} + 80))x24"
probe=$build/bench/camera_windows_probe
[[ -x $probe ]] || { echo "missing $probe (build with -DVEXILON_BENCH=ON)" >&2; exit 2; }

# Everything started here keeps its files in a folder of its own.
work=$(mktemp -d)
export TMPDIR=$work VEXILON_HOME=$work/home
mkdir -p "$VEXILON_HOME"
server=
peers=()
cleanup() {
  if [[ -n $server ]] && ! kill -0 "$server" 2>/dev/null; then
    echo "the RTSP server ended early:" >&2
    tail -n 20 "$work/server.err" >&2
  fi
  for pid in "${peers[@]}" $server; do kill "$pid" 2>/dev/null || true; done
  for pid in "${peers[@]}" $server; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT

/usr/bin/python3 "$root/tests/support/rtsp_server.py" --codec h264 --size "$size" --fps 25 \
  >"$work/server.out" 2>"$work/server.err" &
server=$!
port=
for _ in $(seq 100); do
  if [[ $(head -n 1 "$work/server.out") =~ ^PORT\ ([0-9]+) ]]; then
    port=${BASH_REMATCH[1]}
    break
  fi
  sleep 0.1
done
[[ -n $port ]] || { echo "the RTSP server did not start" >&2; cat "$work/server.err" >&2; exit 1; }
url=rtsp://127.0.0.1:$port/live
echo "RTSP server: $url, $size H.264 at 25 fps; $windows windows, then ffmpeg, $seconds s each"

VEXILON_AUDIO=null xvfb-run -a -s "-screen 0 $screen" \
  "$probe" "$url" "$windows" "$seconds" "size=$size" tiled "$desktop" | tee "$work/probe.out"
ours=$(sed -n 's/^cpu per decoded frame: \([0-9.]*\) ms$/\1/p' "$work/probe.out")
[[ -n $ours ]] || { echo "the probe decoded no frames" >&2; exit 1; }
drawn=$(sed -n 's/.*pictures drawn from \([0-9]*x[0-9]*\).*/\1/p' "$work/probe.out")

ticks=$(getconf CLK_TCK)
cpu_ticks() { # PID...: user+system clock ticks of the processes, all their threads
  local total=0 pid
  for pid in "$@"; do
    [[ -r /proc/$pid/stat ]] || { echo "ffmpeg $pid ended early:" >&2; tail -n 5 "$work/peer.err" >&2; exit 1; }
    total=$((total + $(sed 's/.*) //' "/proc/$pid/stat" | awk '{print $12 + $13}')))
  done
  echo "$total"
}
frames() { # PROGRESS_FILE...: frames decoded so far, summed over the files
  # frame= counts frames written; ffmpeg's own duplicates and drops would set them apart.
  local total=0 file
  for file in "$@"; do
    total=$((total + $(awk -F= '$1 == "frame" {f = $2} $1 == "dup_frames" {d = $2}
      $1 == "drop_frames" {p = $2} END {print f - d + p}' "$file")))
  done
  echo "$total"
}

echo
echo "ours: decode, scale to the window, convert to 32-bit RGB, paint: $ours ms CPU a decoded frame"
for work_kind in $works; do
for count in $clients; do
  for thread in $threads; do
    peers=()
    files=()
    # -threads only when asked: the command as it stands is ffmpeg's default client.
    decoder=()
    [[ $thread == auto ]] || decoder=(-threads "$thread")
    filter=()
    [[ $work_kind == convert && -n $drawn ]] &&
      filter=(-vf "scale=${drawn/x/:}:flags=fast_bilinear,format=bgr0")
    for i in $(seq "$count"); do
      file=$work/peer$i.progress
      : >"$file"
      ffmpeg -nostdin -hide_banner -loglevel error -nostats -progress "$file" -stats_period 0.1 \
        -rtsp_transport tcp "${decoder[@]}" -i "$url" "${filter[@]}" \
        -f null - 2>>"$work/peer.err" &
      peers+=($!)
      files+=("$file")
    done
    # Measured once every client has frames, a little later, as the probe does.
    for _ in $(seq 300); do
      started=0
      for file in "${files[@]}"; do grep -aq '^frame=[1-9]' "$file" && started=$((started + 1)); done
      ((started == count)) && break
      sleep 0.1
    done
    sleep 2
    t0=$(date +%s.%N)
    c0=$(cpu_ticks "${peers[@]}")
    f0=$(frames "${files[@]}")
    sleep "$seconds"
    t1=$(date +%s.%N)
    c1=$(cpu_ticks "${peers[@]}")
    f1=$(frames "${files[@]}")
    for pid in "${peers[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${peers[@]}"; do wait "$pid" 2>/dev/null || true; done
    peers=()
    sleep 1  # the shared media has let the last clients go
    awk -v n="$count" -v th="$thread" -v c="$((c1 - c0))" -v hz="$ticks" -v f="$((f1 - f0))" \
      -v t0="$t0" -v t1="$t1" -v ours="$ours" \
      -v what="$([[ ${#filter[@]} -gt 0 ]] && echo "decode, scale to $drawn, convert" || echo "decode only")" 'BEGIN {
        wall = t1 - t0; cpu = c / hz
        if (f == 0) { printf "ffmpeg, %d client(s), threads %s: no frames decoded\n", n, th; exit }
        theirs = cpu * 1000 / f
        printf "ffmpeg, %d client(s), threads %s, %s: %.3f ms CPU a decoded frame " \
          "(%.2f s over %.1f s wall = %.2f cores; %.1f frames a second per client); " \
          "ours/ffmpeg %.2f\n", n, th, what, theirs, cpu, wall, cpu / wall, f / wall / n, ours / theirs
      }'
  done
done
done
