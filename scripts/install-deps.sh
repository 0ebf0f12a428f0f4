#!/usr/bin/env bash
# Installs what building, testing and looking at Kinbox need on Debian 12, and nothing when it is all there.
#   scripts/install-deps.sh          build and test dependencies
#   scripts/install-deps.sh --gui    also what running under Xvfb and taking screenshots needs
#   scripts/install-deps.sh --bench  also what the benchmarks' optional cases need (an XFS image)
set -euo pipefail

pkgs=(cmake ninja-build g++ ccache pkg-config qt6-base-dev libgl-dev libdeflate-dev libisal-dev
      clang libclang-rt-14-dev ffmpeg dvdauthor
      librsvg2-bin dpkg-dev fakeroot desktop-file-utils appstream lintian
      libavformat-dev libavcodec-dev libavutil-dev libssl-dev zlib1g-dev
      dbus python3-dbusmock)
if [ "${1:-}" = "--gui" ]; then
    pkgs+=(xvfb xauth xdotool imagemagick dbus x11-utils fonts-dejavu-core)
fi
if [ "${1:-}" = "--bench" ]; then
    pkgs+=(xfsprogs)
fi

missing=()
for p in "${pkgs[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "install-deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo=sudo
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
