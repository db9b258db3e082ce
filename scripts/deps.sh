#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the benchmarks need, only when one is missing.
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-multimedia-dev libqt6multimedia6 qt6-qpa-plugins libgl-dev fonts-dejavu-core
  qt6-translations-l10n
  libusb-dev libhidapi-dev libmad0-dev libsoxr-dev libsndfile1-dev
  libgtest-dev libbenchmark-dev libmp3lame-dev libcli11-dev nlohmann-json3-dev sox
  xvfb xauth pulseaudio
  dbus at-spi2-core python3 python3-pyatspi openbox
  librsvg2-bin desktop-file-utils appstream shared-mime-info man-db groff-base file acl util-linux
  qemu-system-x86 busybox-static cpio kmod
)
if [ "${1:-}" = "--bench" ]; then packages+=(lame ffmpeg); fi
if [ "${1:-}" = "--fuzz" ]; then packages+=(clang libclang-rt-14-dev); fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
