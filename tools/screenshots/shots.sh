#!/bin/sh
# Renews the pictures of docs/{en,de,pl}/ (pages 1 to 4, the fragment dialog, the start page with
# recent sets, the guide, the About window and its sound sources) and the guide's copies of the page
# pictures, from a build configured with -DZELMAR_SCREENSHOTS=ON:  tools/screenshots/shots.sh [BUILD]
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
cmake --build "$build" --target make_screenshots take_screenshots -j2
xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/screenshots/make_screenshots" "$root/docs"
for pair in en:English de:German pl:Polish; do
    short=${pair%%:*}
    long=${pair#*:}
    for shot in page1 page2 page3 page4 fragment; do
        cp "$root/docs/$short/$shot.png" "$root/data/help/$long/$shot.png"
    done
    # Each language in a home folder of its own, so that no recent set of another run shows.
    home=$(mktemp -d)
    env -u XDG_DATA_HOME -u XDG_CONFIG_HOME HOME="$home" LANG=C.UTF-8 xvfb-run -a -s "-screen 0 1280x1024x24" \
        "$build/tools/screenshots/take_screenshots" "$long" "$root/docs/$short"
    rm -rf "$home"
done
