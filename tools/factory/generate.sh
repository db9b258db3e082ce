#!/usr/bin/env bash
# Makes data/factory/{Premium,Classic,Music}.zmr and data/factory/SOURCES.md from scratch.
# Installs the packages it needs when they are missing (root or sudo; the data packages are the
# sources of its recordings and are installed here only, never by the build), builds the generator in
# build-factory/ and runs it. Nothing of this is needed to build or test the program.
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
packages=(fluidsynth fluid-soundfont-gm sox libsox-fmt-all tuxpaint-stamps-default gcompris-qt-data wesnoth-1.16-data)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
"$here/scripts/deps.sh"
cmake -S "$here" -B "$here/build-factory" -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELMAR_FACTORY_TOOLS=ON >/dev/null
cmake --build "$here/build-factory" --target make_factory_sets -j2
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
time "$here/build-factory/tools/factory/make_factory_sets" "$here/data/factory" --work "$work"
