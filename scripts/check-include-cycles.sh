#!/bin/sh
# Fails when the files of a source folder include each other in a circle, or when its subfolders do.
# Usage: scripts/check-include-cycles.sh DIR   (e.g. src/app, src/core)
# Every '#include "X"' naming a file of DIR becomes an edge "file -> X" (a .cpp and its .h count
# as one module). Every '#include "sub/X"' in a file of DIR/other naming a file of DIR/sub becomes
# an edge "other/ -> sub/", so two folders that include each other are a circle too, as is any
# longer loop among them. tsort reports any loop.
set -eu
dir=${1:?folder}
includes() {
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"]*\)".*/\1/p' "$1"
}
edges=$(
    for f in "$dir"/*.h "$dir"/*.cpp; do
        [ -e "$f" ] || continue
        from=$(basename "$f"); from=${from%.*}
        includes "$f" | while read -r inc; do
            case $inc in */*) continue ;; esac
            [ -e "$dir/$inc" ] || continue
            to=${inc%.*}
            [ "$from" = "$to" ] || echo "$from $to"
        done
    done
    for f in "$dir"/*/*.h "$dir"/*/*.cpp; do
        [ -e "$f" ] || continue
        from=$(basename "$(dirname "$f")")
        includes "$f" | while read -r inc; do
            case $inc in */*) ;; *) continue ;; esac
            [ -e "$dir/$inc" ] || continue
            to=${inc%%/*}
            [ "$from" = "$to" ] || echo "$from/ $to/"
        done
    done
)
if ! printf '%s\n' "$edges" | tsort >/dev/null 2>"${TMPDIR:-/tmp}/include-cycles.$$"; then
    echo "include circle in $dir:" >&2
    cat "${TMPDIR:-/tmp}/include-cycles.$$" >&2
    rm -f "${TMPDIR:-/tmp}/include-cycles.$$"
    exit 1
fi
rm -f "${TMPDIR:-/tmp}/include-cycles.$$"
echo "no include circle in $dir ($(printf '%s\n' "$edges" | grep -c . ) includes)"
