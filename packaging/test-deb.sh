#!/usr/bin/env bash
# Proves the Debian package on a fresh system: builds the .deb, makes a minimal Debian 12 root with
# debootstrap from the apt sources this machine uses, installs the package there with apt (which
# must pull every dependency by itself) and uses both programs from it. Also prints lintian's
# verdict and the package's size. Needs root (debootstrap, chroot) and a few minutes; ./test does
# not run it.
# Usage: sudo packaging/test-deb.sh [ROOT_DIR]   (default: a new folder under /var/tmp, removed after)
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
[ "$(id -u)" -eq 0 ] || { echo "test-deb.sh: run it as root (debootstrap and chroot need it)" >&2; exit 1; }
for tool in debootstrap lintian dpkg-deb; do
    command -v "$tool" >/dev/null || { echo "test-deb.sh: $tool is missing (apt-get install $tool)" >&2; exit 1; }
done

step() { printf '\n== %s\n' "$*"; }

# The mirror of the machine's own apt sources (deb822 or one-line form), for the suite bookworm.
mirror=""
for f in /etc/apt/sources.list.d/*.sources; do
    [ -e "$f" ] || continue
    mirror="$(awk '/^URIs:/ {u=$2} /^Suites:/ && / bookworm( |$)/ {print u; exit}' "$f")"
    [ -n "$mirror" ] && break
done
if [ -z "$mirror" ]; then
    mirror="$(grep -hE '^deb +(\[[^]]*\] +)?[a-z]+://[^ ]+ +bookworm +' /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null \
              | head -n 1 | sed -E 's/^deb +(\[[^]]*\] +)?([^ ]+).*/\2/')"
fi
[ -n "$mirror" ] || { echo "test-deb.sh: no bookworm source found in /etc/apt" >&2; exit 1; }

root="${1:-$(mktemp -d /var/tmp/zelmar-deb-root.XXXXXX)}"
cleanup() {
    for m in proc dev/pts dev; do
        mountpoint -q "$root/$m" && umount -l "$root/$m" || true
    done
    [ -n "${1:-}" ] || rm -rf --one-file-system "$root"
}
trap 'cleanup "${keep:-}"' EXIT
keep="${1:-}"

step "debootstrap bookworm (minbase) from $mirror into $root, beside the package build"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.debootstrap.log" 2>&1 &
bootstrap=$!

step "building the package"
deb="$("$here/build-deb.sh" | tail -n 1)"
echo "$deb"
dpkg-deb --field "$deb"
echo "size: $(stat -c %s "$deb") bytes ($(du -h "$deb" | cut -f1)), installed: $(dpkg-deb -f "$deb" Installed-Size) KiB"

step "lintian"
lintian --display-info --pedantic "$deb" || true
echo "errors: $(lintian "$deb" 2>/dev/null | grep -c '^E:' || true)"

wait "$bootstrap" || { echo "debootstrap failed:"; tail -n 30 "$root.debootstrap.log"; exit 1; }
step "debootstrap done"
tail -n 1 "$root.debootstrap.log"
rm -f "$root.debootstrap.log"
# The same suites as this machine (updates and security too), and its fetch settings.
rm -f "$root/etc/apt/sources.list"
cp /etc/apt/sources.list.d/*.sources "$root/etc/apt/sources.list.d/" 2>/dev/null || true
[ -s /etc/apt/sources.list ] && cp /etc/apt/sources.list "$root/etc/apt/"
grep -l '^Acquire::' /etc/apt/apt.conf.d/* 2>/dev/null | xargs -r cp -t "$root/etc/apt/apt.conf.d/"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
cp "$deb" "$root/tmp/"
in_root() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

step "apt install ./$(basename "$deb") (and man-db, to read its manual pages)"
in_root apt-get update -qq
# Without recommends: what Depends pulls must be enough.
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "/tmp/$(basename "$deb")" man-db >"$root/tmp/apt.log" 2>&1 || { tail -n 40 "$root/tmp/apt.log"; exit 1; }
grep -E '^[0-9]+ upgraded|^Setting up zelmar|^Need to get' "$root/tmp/apt.log"
echo "packages in the root: $(in_root dpkg-query -f '.\n' -W | wc -l)"

step "the programs in the fresh root"
in_root sh -euxc '
    zelmarctl --version
    for f in /usr/share/applications/pl.voranex.Zelmar.desktop /usr/share/mime/packages/zelmar.xml \
             /usr/share/icons/hicolor/scalable/apps/zelmar.svg /usr/share/icons/hicolor/48x48/apps/zelmar.png \
             /usr/share/metainfo/pl.voranex.Zelmar.metainfo.xml /usr/share/bash-completion/completions/zelmarctl \
             /usr/lib/udev/rules.d/70-zelmar.rules /usr/share/doc/zelmar/copyright; do test -s "$f"; done
    ls /usr/share/zelmar/lang /usr/share/zelmar/factory
    for set in /usr/share/zelmar/factory/*.zmr; do
        [ -e "$set" ] && zelmarctl info "$set" | head -n 2
    done
    # A set composed with zelmarctl alone, from a tone written here.
    cd /tmp
    { printf "RIFF\144\0\0\0WAVEfmt \20\0\0\0\1\0\1\0\120\106\0\0\240\214\0\0\2\0\20\0data\100\0\0\0"
      head -c 64 /dev/zero | tr "\000" "\020"; } > tone.wav
    zelmarctl import door.zmr tone.wav
    zelmarctl signal set door.zmr 1 sound=1 pause=20 sound=1,volume=8 --name Front
    zelmarctl backdoor door.zmr sound=1
    zelmarctl info door.zmr
    zelmarctl --virtual-chime /tmp/chime.bin upload door.zmr
    zelmarctl --virtual-chime /tmp/chime.bin download -o /tmp/back.zmr
    zelmarctl info /tmp/back.zmr | head -n 2
    man -w zelmarctl
    man -w zelmar
    zelmar --version
'

step "zelmar started offscreen and closed"
set +e
mkdir -m 700 "$root/tmp/runtime"
in_root env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/runtime timeout -s TERM 8 zelmar 2>&1
rc=$?
set -e
if [ $rc -eq 124 ]; then
    echo "zelmar ran until it was closed after 8 s"
else
    echo "zelmar ended by itself with status $rc"
    exit 1
fi

step "test-deb.sh: all passed"
