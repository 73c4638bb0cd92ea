#!/usr/bin/env bash
# Installs every package needed to build, test and run Vexilon on Debian 12.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git
  clang clang-format libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libgl-dev
  libjpeg62-turbo-dev zlib1g-dev libssl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  qt6-svg-dev librsvg2-bin desktop-file-utils appstream xdg-utils shared-mime-info dpkg-dev file libfile-mimeinfo-perl
  xvfb xauth imagemagick ffmpeg curl openssl
  libavformat-dev libavcodec-dev libavutil-dev libswscale-dev
  gir1.2-gst-rtsp-server-1.0 python3-gi gstreamer1.0-plugins-base gstreamer1.0-plugins-good
  gstreamer1.0-plugins-ugly gstreamer1.0-plugins-bad gstreamer1.0-libav
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "Installing: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
