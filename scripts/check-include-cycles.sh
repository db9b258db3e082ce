#!/bin/sh
# Fails when the files of a source folder include each other in a circle.
# Usage: scripts/check-include-cycles.sh DIR   (e.g. src/app)
# Every '#include "X"' naming a file of DIR becomes an edge "file -> X" (a .cpp and its .h count
# as one module); tsort reports any loop among them.
set -eu
dir=${1:?folder}
edges=$(for f in "$dir"/*.h "$dir"/*.cpp; do
    [ -e "$f" ] || continue
    from=$(basename "$f"); from=${from%.*}
    sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"\([^"/]*\)".*/\1/p' "$f" | while read -r inc; do
        [ -e "$dir/$inc" ] || continue
        to=${inc%.*}
        [ "$from" = "$to" ] || echo "$from $to"
    done
done)
if ! printf '%s\n' "$edges" | tsort >/dev/null 2>"${TMPDIR:-/tmp}/include-cycles.$$"; then
    echo "include circle in $dir:" >&2
    cat "${TMPDIR:-/tmp}/include-cycles.$$" >&2
    rm -f "${TMPDIR:-/tmp}/include-cycles.$$"
    exit 1
fi
rm -f "${TMPDIR:-/tmp}/include-cycles.$$"
echo "no include circle in $dir ($(printf '%s\n' "$edges" | grep -c . ) includes)"
