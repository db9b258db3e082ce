#!/usr/bin/env bash
# Installs the build into a temporary DESTDIR under a prefix with a space, checks what lands where
# and that the desktop files, metainfo and manual pages pass their tools, then uses the installed
# programs: zelmarctl composes a set and sends it through a virtual chime, the wizard starts from
# the install and from a moved copy of it, and names the data folder it misses.
# Usage: check-install.sh BUILD_DIR
set -uo pipefail
build="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="/opt/zelmar test"
root="$work/root"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR="$root" cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
p="$root$prefix"

for f in bin/zelmar bin/zelmarctl lib/udev/rules.d/70-zelmar.rules \
         share/applications/pl.voranex.Zelmar.desktop share/mime/packages/zelmar.xml \
         share/metainfo/pl.voranex.Zelmar.metainfo.xml share/icons/hicolor/scalable/apps/zelmar.svg \
         share/man/man1/zelmar.1.gz share/man/man1/zelmarctl.1.gz share/bash-completion/completions/zelmarctl \
         share/doc/zelmar/copyright share/doc/zelmar/changelog.gz; do
    [ -s "$p/$f" ] || fail "missing $f"
done
for d in share/zelmar/lang share/zelmar/factory share/zelmar/help/English share/zelmar/help/German share/zelmar/help/Polish; do
    [ -d "$p/$d" ] || fail "missing folder $d"
done
for size in 16 22 24 32 48 64 128 256; do
    png="$p/share/icons/hicolor/${size}x${size}/apps/zelmar.png"
    file -b "$png" | grep -q "PNG image data, $size x $size" || fail "icon $size: $(file -b "$png")"
done
[ -x "$p/bin/zelmar" ] && [ -x "$p/bin/zelmarctl" ] || fail "programs not executable"

out="$(desktop-file-validate "$p/share/applications/pl.voranex.Zelmar.desktop" 2>&1)" || fail "desktop-file-validate: $out"
[ -z "$out" ] || fail "desktop-file-validate says: $out"
out="$(appstreamcli validate --no-net "$p/share/metainfo/pl.voranex.Zelmar.metainfo.xml" 2>&1)" || fail "appstreamcli: $out"

# The file type: by name and by the first bytes.
mkdir -p "$work/mime/packages" && cp "$p/share/mime/packages/zelmar.xml" "$work/mime/packages/"
update-mime-database "$work/mime" >/dev/null 2>&1 || fail "update-mime-database refused zelmar.xml"
grep -q 'application/x-zelmar-set:\*\.zmr' "$work/mime/globs2" || fail "no *.zmr glob"
grep -aq 'ZELMAR' "$work/mime/magic" || fail "no magic for set files"

for page in zelmar zelmarctl; do
    warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$p/share/man/man1/$page.1.gz" 2>&1 >"$work/$page.txt")"
    [ -z "$warnings" ] || fail "man $page: $warnings"
    grep -q "^NAME" "$work/$page.txt" || fail "man $page renders no NAME section"
done
# Every command and environment variable of zelmarctl is in its manual page.
for word in info build-image read-image render export-wav import "signal add" "signal set" "signal remove" \
            "signal move" backdoor devices upload download ZELMAR_VIRTUAL_CHIME ZELMAR_VIRTUAL_FAULT; do
    grep -q -- "$word" "$work/zelmarctl.txt" || fail "zelmarctl.1 lacks $word"
done
bash -n "$p/share/bash-completion/completions/zelmarctl" || fail "completion script does not parse"

# Every sound format the import takes (the endings of its open dialog) is named by both manual
# pages, the metainfo and zelmarctl --help, and offered by Tab after "zelmarctl import".
endings="$(sed -n "s/^65272='[^|]*|\(.*\)'$/\1/p" "$p/share/zelmar/lang/English.lng" | tr ';' '\n' | sed 's/^\*\.//')"
[ "$(echo "$endings" | wc -l)" -ge 6 ] || fail "no endings read from the import filter: $endings"
"$p/bin/zelmarctl" --help >"$work/ctl-help.txt"
for format in WAV MP3 FLAC Ogg Opus AIFF; do
    for text in "$work/zelmar.txt" "$work/zelmarctl.txt" "$p/share/metainfo/pl.voranex.Zelmar.metainfo.xml" "$work/ctl-help.txt"; do
        grep -q "$format" "$text" || fail "$(basename "$text") does not name $format"
    done
done
for ending in $endings; do
    grep -qi "\b$ending\b" <<<"WAV MP3 FLAC OGG OGA OPUS AIF AIFF AIFC" || fail "ending $ending is not among the named formats"
done
if [ -r /usr/share/bash-completion/bash_completion ]; then
    mkdir -p "$work/sounds" && touch "$work/sounds/set.zmr" "$work/sounds/notes.txt"
    for ending in $endings; do touch "$work/sounds/a.$ending" "$work/sounds/B.${ending^^}"; done
    offered="$(cd "$work/sounds" && bash -c '
        source /usr/share/bash-completion/bash_completion
        source "$1"
        COMP_WORDS=(zelmarctl import set.zmr ""); COMP_CWORD=3; COMP_LINE="zelmarctl import set.zmr "; COMP_POINT=${#COMP_LINE}
        _zelmarctl zelmarctl "" set.zmr
        printf "%s\n" "${COMPREPLY[@]}"' _ "$p/share/bash-completion/completions/zelmarctl" | sort | tr '\n' ' ')"
    for ending in $endings; do
        case " $offered " in *" a.$ending "*) ;; *) fail "Tab after zelmarctl import does not offer a.$ending: $offered" ;; esac
        case " $offered " in *" B.${ending^^} "*) ;; *) fail "Tab after zelmarctl import does not offer B.${ending^^}: $offered" ;; esac
    done
    case " $offered " in *" notes.txt "*) fail "Tab after zelmarctl import offers notes.txt" ;; esac
else
    fail "bash-completion is not installed (scripts/deps.sh --test installs it)"
fi

# The installed zelmarctl composes a set and sends it through a virtual chime.
ctl="$p/bin/zelmarctl"
{ printf 'RIFF\x64\x00\x00\x00WAVEfmt \x10\x00\x00\x00\x01\x00\x01\x00\x50\x46\x00\x00\xa0\x8c\x00\x00\x02\x00\x10\x00'
  printf 'data\x40\x00\x00\x00'; for i in $(seq 32); do printf '\x00\x10'; done; } >"$work/tone.wav"
set_file="$work/a set.zmr"
"$ctl" import "$set_file" "$work/tone.wav" >/dev/null || fail "import"
"$ctl" signal set "$set_file" 1 sound=1 pause=20 --name "Dzwonek" >/dev/null || fail "signal set"
"$ctl" backdoor "$set_file" sound=1,volume=8 >/dev/null || fail "backdoor"
"$ctl" info "$set_file" --json | grep -q '"sent_signals": 1' || fail "info --json"
"$ctl" --virtual-chime "$work/chime.bin" upload "$set_file" >/dev/null 2>&1 || fail "upload"
"$ctl" --virtual-chime "$work/chime.bin" download -o "$work/back.zmr" >/dev/null 2>&1 || fail "download"
"$ctl" info "$work/back.zmr" | grep -q '"Dzwonek": 2 elements' || fail "downloaded set: $("$ctl" info "$work/back.zmr")"

# Help and version need no display.
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$p/bin/zelmar" --version | grep -q '^zelmar [0-9]' || fail "zelmar --version"
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$p/bin/zelmar" --help | grep -q -- '--language' || fail "zelmar --help"

# The wizard starts from the install, and from the install moved elsewhere; without its data
# folder it says which folder it looked for.
wizard_says() {
    QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR="$work" HOME="$work" timeout -s TERM 4 "$1" >/dev/null 2>"$work/said"
    local rc=$?
    said="$(cat "$work/said")"
    [ $rc -eq 124 ] || fail "$1 ended by itself ($rc) instead of showing its window: $said"
}
wizard_says "$p/bin/zelmar"
case "$said" in *"no data folder"*) fail "installed wizard misses its data: $said" ;; esac
mv "$root/opt" "$work/moved"
wizard_says "$work/moved/zelmar test/bin/zelmar"
case "$said" in *"no data folder"*) fail "moved wizard misses its data: $said" ;; esac
rm -rf "$work/moved/zelmar test/share/zelmar"
wizard_says "$work/moved/zelmar test/bin/zelmar"
case "$said" in *"no data folder at $work/moved/zelmar test/share/zelmar"*) ;; *) fail "no word of the missing data folder: $said" ;; esac

[ $failures -eq 0 ] && echo "install layout and installed programs: all checks passed"
exit $((failures > 0))
