#!/usr/bin/env bash
# Measures every signal of the factory sets as a small speaker plays it: each signal rendered by
# zelmarctl, high-passed at 300 Hz and measured by ffmpeg's ebur128 filter (integrated loudness).
# Prints one line per signal and the median, lowest and highest figure of each set.
#   tools/factory/loudness.sh [BUILD_DIR] [SET_DIR]
set -euo pipefail
here="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$here/build}"
sets="${2:-$here/data/factory}"
zelmarctl="$build/src/cli/zelmarctl"
command -v ffmpeg >/dev/null || { echo "needs ffmpeg" >&2; exit 2; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
for set in Premium Classic Music; do
  count="$("$zelmarctl" info "$sets/$set.zmr" --json | python3 -c 'import json,sys; print(len(json.load(sys.stdin)["signals"]))')"
  : > "$work/$set.txt"
  for n in $(seq 1 "$count"); do
    "$zelmarctl" render "$sets/$set.zmr" --signal "$n" -o "$work/s.wav" >/dev/null
    lufs="$(ffmpeg -nostats -hide_banner -i "$work/s.wav" -af highpass=f=300,ebur128 -f null - 2>&1 \
      | awk '/Integrated loudness:/ {getline; print $2}')"
    echo "$set $n $lufs"
    echo "$lufs" >> "$work/$set.txt"
  done
  sort -g "$work/$set.txt" | awk -v set="$set" '{v[NR]=$1} END {
    m = NR % 2 ? v[(NR+1)/2] : (v[NR/2] + v[NR/2+1]) / 2
    printf "%s: median %.1f LUFS, lowest %.1f (%+.1f LU), highest %.1f (%+.1f LU)\n", set, m, v[1], v[1]-m, v[NR], v[NR]-m }'
done
