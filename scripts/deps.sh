#!/usr/bin/env bash
# Installs what building, running and testing Brisolt needs on Debian, and
# nothing when everything is already there; further packages may be named
# (scripts/dist.sh names what a release needs).
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }
for pkg in cmake ninja-build g++ googletest clang libclang-rt-14-dev libbenchmark-dev zlib1g-dev \
           g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
           wine wine64 fonts-wine xvfb xauth xdotool x11-utils imagemagick sox python3 \
           libstb-dev vorbis-tools lame flac ffmpeg nlohmann-json3-dev libz-mingw-w64-dev \
           gstreamer1.0-plugins-base gstreamer1.0-plugins-good gstreamer1.0-libav "$@"; do
  have_pkg "$pkg" || need+=("$pkg")
done
# python3 may come from elsewhere than Debian (pyenv); a working one is enough.
if command -v python3 >/dev/null 2>&1; then
  need=("${need[@]/python3}")
fi
pkgs=()
for p in "${need[@]}"; do [ -n "$p" ] && pkgs+=("$p"); done
[ ${#pkgs[@]} -eq 0 ] && exit 0

echo "Installing: ${pkgs[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -q >/dev/null
$SUDO apt-get install -y -q --no-install-recommends "${pkgs[@]}" >/dev/null
