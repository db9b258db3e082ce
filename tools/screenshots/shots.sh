#!/bin/sh
# Every picture of docs/ and of the guide, renewed in one go, and the same pictures with larger
# fonts to look at:  tools/screenshots/shots.sh [BUILD]
#   docs/{en,de,pl}/     each window in each language, as at 96 dots per inch (QT_FONT_DPI 96)
#   data/help/LANGUAGE/  the guide's copies of the start page (with the sets used lately), pages 1
#                        to 4 and the fragment window
#   docs/*.png           the pictures of the README and the metainfo (Polish, the built-in language,
#                        and the two named after their language)
#   BUILD/screenshots/dpi120, dpi144   the same at QT_FONT_DPI 120 and 144, not kept in the tree
# It configures BUILD with -DZELMAR_SCREENSHOTS=ON and needs xvfb-run.
set -eu
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$root/build}
cmake -S "$root" -B "$build" -DZELMAR_SCREENSHOTS=ON >/dev/null
cmake --build "$build" --target make_screenshots -j2
shoot() {   # DPI: every language's pictures at that font DPI
    for pair in en:English de:German pl:Polish; do
        short=${pair%%:*}
        long=${pair#*:}
        if [ "$1" = 96 ]; then out=$root/docs/$short; else out=$build/screenshots/dpi$1/$short; fi
        # Each run in a home folder of its own: its own factory sets, no set of another run.
        home=$(mktemp -d)
        env -u XDG_DATA_HOME -u XDG_CONFIG_HOME -u ZELMAR_VIRTUAL_CHIME HOME="$home" LANG=C.UTF-8 \
            QT_ENABLE_HIGHDPI_SCALING=0 QT_FONT_DPI=$1 \
            xvfb-run -a -s "-screen 0 1280x1024x24" "$build/tools/screenshots/make_screenshots" "$long" "$out"
        rm -rf "$home"
    done
}
shoot 96
for pair in en:English de:German pl:Polish; do
    short=${pair%%:*}
    long=${pair#*:}
    cp "$root/docs/$short/page0-recent.png" "$root/data/help/$long/page0.png"
    for shot in page1 page2 page3 page4 fragment; do
        cp "$root/docs/$short/$shot.png" "$root/data/help/$long/$shot.png"
    done
done
# Again, so that the picture of the guide shows the guide's pictures just renewed.
shoot 96
shoot 120
shoot 144
# The factory sets' pictures live in the other folders only.
for short in en de pl; do
    for set in premium classic music; do
        mv "$root/docs/$short/factory-$set.png" "$build/screenshots/factory-$set-$short.png"
    done
done
cp "$root/docs/pl/page0.png" "$root/docs/page0.png"
cp "$root/docs/pl/page1.png" "$root/docs/page1-signals.png"
cp "$root/docs/pl/page2.png" "$root/docs/page2-editor.png"
cp "$root/docs/pl/page3.png" "$root/docs/page3-library.png"
cp "$build/screenshots/factory-premium-pl.png" "$root/docs/factory-premium.png"
cp "$build/screenshots/factory-classic-pl.png" "$root/docs/factory-classic.png"
cp "$build/screenshots/factory-music-pl.png" "$root/docs/factory-music.png"
cp "$build/screenshots/factory-classic-de.png" "$root/docs/factory-classic-de.png"
cp "$build/screenshots/factory-music-en.png" "$root/docs/factory-music-en.png"
echo "larger fonts: $build/screenshots/dpi120 and dpi144"
