#!/usr/bin/env bash
# The pass through a real kernel: boots Debian's own kernel in QEMU with a busybox initramfs that
# holds zelmarctl, the chime gadget and guest-init.sh, and reads the guest's serial console.
#   run-e2e.sh BUILD_DIR    (zelmarctl and chime_gadget built there)
# The kernel package is downloaded once into BUILD_DIR/e2e/cache. Exits non-zero when a check fails,
# when the guest says nothing conclusive, or on a time-out.
set -euo pipefail

here="$(cd "$(dirname "$0")" && pwd)"
build="$(cd "${1:?usage: run-e2e.sh BUILD_DIR}" && pwd)"
work="$build/e2e"
cache="$work/cache"
timeout_s="${ZELMAR_E2E_TIMEOUT:-900}"
zelmarctl="$build/src/cli/zelmarctl"
gadget="$build/tests/e2e/chime_gadget"
mkdir -p "$cache"
say() { echo "e2e: $*" >&2; }

export PATH="$PATH:/sbin:/usr/sbin"
for tool in qemu-system-x86_64 busybox cpio depmod dpkg-deb apt-get; do
    command -v "$tool" >/dev/null || { say "$tool is missing (scripts/deps.sh installs it)"; exit 1; }
done
busybox_bin=/bin/busybox   # busybox-static: runs with no libraries
modinfo="$(command -v modinfo || echo /sbin/modinfo)"

# ---- the kernel: whatever linux-image-amd64 resolves to, fetched once -------------------------
cd "$cache"
quiet() { "$@" 2>&1 >/dev/null | grep -v unsandboxed >&2 || true; }
# The package linux-image-amd64 names; fetched only when it is not cached yet.
resolve() { apt-cache depends linux-image-amd64 2>/dev/null | sed -n 's/^ *Depends: \(linux-image-[^ ]*\).*/\1/p' | head -n 1; }
package="$(resolve)"
if [ -z "$package" ] && ! ls linux-image-[0-9]*_*.deb >/dev/null 2>&1; then
    # A machine whose package lists were cleaned knows no kernel package yet.
    sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    $sudo apt-get update -qq || true
    package="$(resolve)"
fi
if [ -n "$package" ] && ! ls "$package"_*.deb >/dev/null 2>&1; then
    say "downloading $package"
    quiet apt-get download -q "$package"
fi
deb="$(ls -t ${package:-linux-image-[0-9]*}_*.deb 2>/dev/null | head -n 1 || true)"
[ -n "$deb" ] || { say "cannot download the kernel package (and none is cached)"; exit 1; }
kdir="$cache/${deb%.deb}"
if [ ! -d "$kdir/boot" ]; then
    rm -rf "$kdir.tmp" && dpkg-deb -x "$deb" "$kdir.tmp" && mv "$kdir.tmp" "$kdir"
fi
version="$(ls "$kdir/lib/modules" | head -n 1)"
vmlinuz="$kdir/boot/vmlinuz-$version"
cd "$work"

# ---- the initramfs -----------------------------------------------------------------------------
root="$work/root"
rm -rf "$root"
mkdir -p "$root"/{bin,dev,proc,sys,tmp,run,etc,e2e,lib/modules/"$version"}
cp "$busybox_bin" "$root/bin/busybox"
cp "$here/guest-init.sh" "$root/init"
chmod 755 "$root/init"
printf 'root:x:0:0:root:/tmp:/bin/sh\nuser:x:1000:1000:user:/tmp:/bin/sh\n' >"$root/etc/passwd"
printf 'root:x:0:\nuser:x:1000:\n' >"$root/etc/group"

# Only the modules the chime needs, with what they need in turn.
modules="configfs usb-common usbcore udc-core dummy_hcd libcomposite usb_f_fs hid usbhid hid-generic"
declare -A taken=()
take_module() {
    local name="$1" file dep
    [ -n "${taken[$name]:-}" ] && return 0
    file="$(find "$kdir/lib/modules/$version/kernel" -name "$name.ko*" -o -name "${name//-/_}.ko*" | head -n 1)"
    [ -n "$file" ] || { say "module $name not in $deb"; exit 1; }
    taken[$name]=1
    mkdir -p "$root/${file#$kdir/}" && rmdir "$root/${file#$kdir/}"
    cp "$file" "$root/${file#$kdir/}"
    for dep in $("$modinfo" -F depends "$file" | tr ',' ' '); do take_module "$dep"; done
}
for m in $modules; do take_module "$m"; done
cp "$kdir/lib/modules/$version"/modules.{order,builtin,builtin.modinfo} "$root/lib/modules/$version/" 2>/dev/null || true
depmod -b "$root" "$version"

# zelmarctl and the gadget with the shared libraries they load.
cp "$zelmarctl" "$gadget" "$root/bin/"
for lib in $(ldd "$zelmarctl" "$gadget" | grep -oE '/[^ ]+\.so[^ ]*' | sort -u); do
    mkdir -p "$root$(dirname "$lib")"
    cp -L "$lib" "$root$lib"
done

# The signal set every check uploads: two generated sounds in two signals and the back door.
data="$work/data"
rm -rf "$data" && mkdir -p "$data"
le() { # VALUE BYTES: little-endian bytes as printf escapes
    local v=$1 i out=""
    for ((i = 0; i < $2; i++)); do printf -v out '%s\\%03o' "$out" $((v & 255)); v=$((v >> 8)); done
    printf '%s' "$out"
}
wav() { # NAME SAMPLES PERIOD: a 16-bit mono 18000 Hz saw tooth
    local bytes=$(($2 * 2)) i v one body=""
    for ((i = 0; i < $2; i++)); do
        v=$(((i % $3) * 60000 / $3 - 30000))
        printf -v one '\\%03o\\%03o' $((v & 255)) $(((v >> 8) & 255))
        body+=$one
    done
    printf "RIFF$(le $((36 + bytes)) 4)WAVEfmt $(le 16 4)$(le 1 2)$(le 1 2)$(le 18000 4)$(le 36000 4)$(le 2 2)$(le 16 2)data$(le $bytes 4)$body" >"$data/$1.wav"
}
wav low 9000 90
wav high 5000 23
wav long 30000 57
"$zelmarctl" import "$data/set.zmr" "$data/low.wav" "$data/high.wav" >/dev/null
"$zelmarctl" signal set "$data/set.zmr" 1 sound=1 pause=20 sound=2 --name "dzwonek" >/dev/null
"$zelmarctl" signal add "$data/set.zmr" sound=2,volume=3 >/dev/null
"$zelmarctl" backdoor "$data/set.zmr" sound=1 >/dev/null
# A larger set, sent over the first one after a backup of it.
"$zelmarctl" import "$data/set.zmr" "$data/long.wav" -o "$data/other.zmr" >/dev/null
"$zelmarctl" signal add "$data/other.zmr" sound=3 pause=10 sound=1 >/dev/null
cp "$data/set.zmr" "$data/other.zmr" "$root/e2e/"

(cd "$root" && find . | LC_ALL=C sort | cpio -o -H newc -R 0:0 --quiet) >"$work/initramfs.cpio"

# ---- the guest ---------------------------------------------------------------------------------
log="$work/console.log"
# ACCEL...: runs the guest, its console shown as it comes; the status of QEMU, 124 on time-out,
# 125 when the guest never came up (an accelerator that does not work here).
boot() {
    : >"$log"
    qemu-system-x86_64 "$@" -smp 1 -m 512M -nographic -no-reboot \
        -kernel "$vmlinuz" -initrd "$work/initramfs.cpio" \
        -append "console=ttyS0 panic=-1 quiet loglevel=3" </dev/null >"$log" 2>&1 &
    local pid=$! t=0 status=0 up=""
    tail -n +1 -f --pid=$pid "$log" &
    while kill -0 $pid 2>/dev/null; do
        sleep 1
        t=$((t + 1))
        if [ -z "$up" ] && grep -q "e2e: guest up" "$log"; then up=$t; say "guest up after $t s"; fi
        if [ $t -ge "$upTime" ] && ! grep -q "e2e: guest up" "$log"; then status=125; break; fi
        if [ $t -ge "$timeout_s" ]; then status=124; break; fi
    done
    if [ $status -ne 0 ]; then
        kill $pid 2>/dev/null || true
        wait $pid 2>/dev/null || true
    else
        wait $pid || status=$?
        grep -q "e2e: guest up" "$log" || status=125
    fi
    sleep 0.2
    return $status
}
started=$(date +%s)
say "booting $version ($deb)"
status=0
# KVM where it works (QEMU refuses at once, or the guest never comes up, where it does not).
if [ -w /dev/kvm ] && [ -z "${ZELMAR_E2E_TCG:-}" ]; then
    upTime=10 boot -accel kvm -cpu host || status=$?
    if [ $status -eq 125 ]; then
        say "KVM did not run the guest; using TCG"
        status=0
        started=$(date +%s)
        upTime=120 boot -accel tcg || status=$?
    fi
else
    upTime=120 boot -accel tcg || status=$?
fi
say "guest ran $(($(date +%s) - started)) s"

[ "$status" -eq 124 ] && { say "time-out after $timeout_s s"; exit 1; }
summary="$(grep -aE '^e2e: [0-9]+ passed, [0-9]+ failed' "$log" | tail -n 1 | tr -d '\r')"
[ -n "$summary" ] || { say "the guest ended without a summary"; exit 1; }
say "${summary#e2e: }"
[[ "$summary" =~ \ 0\ failed$ ]] && [[ ! "$summary" =~ ^e2e:\ 0\ passed ]]
