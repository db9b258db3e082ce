#!/bin/sh
# Renews docs/{en,de,pl}/page1..page4.png and fragment.png, and the guide's copies of them, from a
# build configured with -DZELMAR_SCREENSHOTS=ON:  tools/screenshots/shots.sh [BUILD]
set -e
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target make_screenshots -j2
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/screenshots/make_screenshots" "$root/docs"
for pair in en:English de:German pl:Polish; do
    short=${pair%%:*}
    long=${pair#*:}
    for shot in page1 page2 page3 page4 fragment; do
        cp "$root/docs/$short/$shot.png" "$root/data/help/$long/$shot.png"
    done
done
