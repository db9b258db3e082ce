#!/usr/bin/env bash
# Installs the Debian packages that are missing, as root or through sudo.
#   scripts/deps.sh           what building and running the wizard and zelmarctl needs (./run)
#   scripts/deps.sh --test    that and the test tools (./test)
#   --bench, --fuzz           the test tools and the peers of the benchmarks, or clang for the fuzz targets
set -euo pipefail
packages=(
  cmake ninja-build g++ pkg-config librsvg2-bin
  qt6-base-dev qt6-multimedia-dev libqt6multimedia6 qt6-qpa-plugins libgl-dev fonts-dejavu-core
  qt6-translations-l10n
  libusb-dev libhidapi-dev libmad0-dev libsoxr-dev libsndfile1-dev libcli11-dev nlohmann-json3-dev
)
tests=(
  libgtest-dev libbenchmark-dev libmp3lame-dev sox
  xvfb xauth pulseaudio
  dbus at-spi2-core python3 python3-pyatspi openbox
  desktop-file-utils appstream shared-mime-info man-db groff-base file bash-completion acl util-linux
  qemu-system-x86 busybox-static cpio kmod
)
for option in "$@"; do
  case $option in
    --test) packages+=("${tests[@]}") ;;
    --bench) packages+=("${tests[@]}" lame ffmpeg) ;;
    --fuzz) packages+=("${tests[@]}" clang libclang-rt-14-dev) ;;
    *) echo "deps.sh: unknown option $option (--test, --bench or --fuzz)" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
# Sorted and once each, for the message.
mapfile -t missing < <(printf '%s\n' "${missing[@]}" | sort -u)
echo "Installing: ${missing[*]}" >&2
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
