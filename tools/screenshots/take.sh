#!/bin/sh
# Takes the pictures of docs/LANG/ in the three languages, under Xvfb, each run in a home folder of
# its own. Usage: tools/screenshots/take.sh BUILD_DIR (configured with -DZELMAR_SCREENSHOT_TOOL=ON).
set -eu
build=${1:?usage: take.sh BUILD_DIR}
here=$(cd "$(dirname "$0")/../.." && pwd)
cmake --build "$build" --target take_screenshots -j2
for pair in English:en German:de Polish:pl; do
    lang=${pair%%:*}
    dir=$here/docs/${pair#*:}
    home=$(mktemp -d)
    env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" LANG=C.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24" \
        "$build/tools/screenshots/take_screenshots" "$lang" "$dir"
    rm -rf "$home"
done
