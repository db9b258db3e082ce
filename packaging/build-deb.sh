#!/usr/bin/env bash
# Builds the Debian package the way a release is built: an optimised build with Debian's hardening
# flags in its own folder, then `cpack -G DEB`. Prints the path of the .deb as its last line.
# Usage: packaging/build-deb.sh [BUILD_DIR]   (default: build-deb beside the source tree's build/)
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-$src/build-deb}"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
export DEB_BUILD_MAINT_OPTIONS="hardening=+all"
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None -DCMAKE_INSTALL_PREFIX=/usr -DZELMAR_TESTS=OFF "${launcher[@]}" >&2
nice cmake --build "$build" -j2 --target zelmar zelmarctl zelmar_install_files >&2
(cd "$build" && cpack -G DEB >&2)
ls -t "$build"/zelmar_*.deb | head -n 1
