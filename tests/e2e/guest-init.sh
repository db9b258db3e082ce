#!/bin/busybox sh
# The guest's /init: loads the USB and HID modules, presents each kind of chime as a gadget on the
# dummy host controller, and runs zelmarctl against it through usbfs and hidraw. Ends with one
# "N passed, M failed" line and powers the machine off.
/bin/busybox --install -s /bin
export PATH=/bin HOME=/tmp TMPDIR=/tmp
mount -t proc proc /proc
mount -t sysfs sys /sys
mount -t devtmpfs dev /dev
mount -t tmpfs tmp /tmp
mkdir -p /run && mount -t tmpfs run /run
echo "e2e: guest up, kernel $(uname -r)"

passed=0
failed=0
ok() { passed=$((passed + 1)); echo "ok - $*"; }
fail() { failed=$((failed + 1)); echo "FAIL - $*"; }
finish() {
    echo "e2e: $passed passed, $failed failed"
    sync
    poweroff -f
}

for m in configfs usb-common usbcore udc-core dummy_hcd libcomposite usb_f_fs hid usbhid hid-generic; do
    modprobe "$m" || { fail "modprobe $m"; finish; }
done
mount -t configfs none /sys/kernel/config

GADGET=/sys/kernel/config/usb_gadget/chime
UDC=$(ls /sys/class/udc | head -n 1)
SET=/e2e/set.zmr
OUT=/tmp/out

# run NAME EXPECTED_EXIT TEXT CMD...: the command ends in time with that exit code and says TEXT.
run() {
    name=$1 want=$2 text=$3
    shift 3
    start=$(date +%s)
    # Longer than any transfer takes here (a whole USB download: some 16000 requests, each a few
    # of dummy_hcd's timer ticks; `limit` gives a whole write more); a hang ends in exit 143.
    timeout ${limit:-120} "$@" >"$OUT" 2>&1
    got=$?
    took=$(($(date +%s) - start))
    if [ "$got" -ne "$want" ]; then
        fail "$name: exit $got, expected $want ($took s): $(tr '\n' ' ' <"$OUT" | tail -c 400)"
        return 1
    fi
    if [ -n "$text" ] && ! grep -qF -- "$text" "$OUT"; then
        fail "$name: no \"$text\" in: $(tr '\n' ' ' <"$OUT" | tail -c 400)"
        return 1
    fi
    ok "$name ($took s)"
}

same() {
    if cmp -s "$2" "$3"; then ok "$1"; else fail "$1: $2 and $3 differ"; fi
}

# Waits until zelmarctl sees the chime (or, with "gone", until it no longer does).
wait_chime() {
    for i in $(seq 1 100); do
        if zelmarctl devices >/dev/null 2>&1; then
            [ "$1" = gone ] || return 0
        else
            [ "$1" = gone ] && return 0
        fi
        sleep 0.2
    done
    return 1
}

node_of() {
    if [ "$1" = hid ]; then
        ls /dev/hidraw* 2>/dev/null | head -n 1
        return
    fi
    for d in /sys/bus/usb/devices/*; do
        if [ "$(cat "$d/idVendor" 2>/dev/null)" = 16c0 ] && [ "$(cat "$d/idProduct")" = 0852 ]; then
            printf '/dev/bus/usb/%03d/%03d\n' "$(cat "$d/busnum")" "$(cat "$d/devnum")"
        fi
    done
}

check_kind() {
    kind=$1
    if [ "$kind" = hid ]; then
        hidflag=--hid listed="hid /dev/hidraw" lost="(HID-ERR: 12)" kindword=HID form=linear
    else
        hidflag= listed='usb 001/' lost="communication error with the chime" kindword=USB form=page
    fi
    chime_gadget "$kind" 2>/tmp/gadget-$kind.log &
    gadget=$!
    if ! wait_chime; then
        fail "$kind: the chime never appeared: $(tail -c 300 /tmp/gadget-$kind.log)"
        kill $gadget
        return
    fi
    run "$kind: devices lists the chime" 0 "$listed" zelmarctl devices

    # What the virtual chime of the same kind gives back is the reference.
    run "$kind: virtual upload" 0 "" zelmarctl --virtual-chime /tmp/v-$kind.bin $hidflag upload $SET
    run "$kind: virtual download" 0 "" zelmarctl --virtual-chime /tmp/v-$kind.bin $hidflag download \
        -o /tmp/v-$kind.zmr --image-out /tmp/v-$kind.img
    run "$kind: upload" 0 "$kindword chime and verified" zelmarctl upload $SET
    run "$kind: download" 0 "$kindword chime" zelmarctl download -o /tmp/r-$kind.zmr --image-out /tmp/r-$kind.img
    same "$kind: the downloaded set is the virtual chime's" /tmp/v-$kind.zmr /tmp/r-$kind.zmr
    same "$kind: the downloaded image is the virtual chime's" /tmp/v-$kind.img /tmp/r-$kind.img

    # A larger set sent after keeping what the chime held; that copy put back; a damaged copy refused
    # before the chime is touched. The chime then holds what it held, byte for byte.
    run "$kind: upload with a backup" 0 "kept in /tmp/b-$kind.img" zelmarctl upload /e2e/other.zmr --backup /tmp/b-$kind.img
    same "$kind: the backup is what a download keeps" /tmp/r-$kind.img /tmp/b-$kind.img
    # The USB chime keeps every page that is not written, so the whole memory goes back.
    limit=400
    run "$kind: upload-image puts the backup back" 0 "verified" zelmarctl upload-image /tmp/b-$kind.img --form $form
    limit=
    { printf '\001'; tail -c +2 /tmp/b-$kind.img; } >/tmp/bad-$kind.img
    run "$kind: a damaged image is refused" 3 "code 11" zelmarctl upload-image /tmp/bad-$kind.img --form $form
    run "$kind: download after the way back" 0 "" zelmarctl download -o /tmp/p-$kind.zmr --image-out /tmp/p-$kind.img
    same "$kind: the chime holds the backup again" /tmp/r-$kind.img /tmp/p-$kind.img

    # Faults made by the gadget: each ends the transfer with its message, and the next one works.
    for fault in stall short silent; do
        echo "$fault 10" >/run/chime-fault
        run "$kind: $fault request fails the download" 2 "$lost" zelmarctl download -o /tmp/x.zmr
        run "$kind: upload after a $fault request" 0 "verified" zelmarctl upload $SET
    done

    # Unplugged in the middle of a download, plugged in again, then a clean upload.
    echo "unplug 2000" >/run/chime-fault
    run "$kind: unplug mid-download fails it" 2 "" zelmarctl download -o /tmp/x.zmr
    wait_chime gone || fail "$kind: the unplugged chime is still listed"
    echo "$UDC" >$GADGET/UDC
    if wait_chime; then ok "$kind: the chime is back after a re-plug"; else fail "$kind: no chime after re-plug"; fi
    run "$kind: upload after the re-plug" 0 "verified" zelmarctl upload $SET

    # A user who is not root: refused with the hint while the node is root's, served once it has
    # the mode the udev rule grants.
    node=$(node_of "$kind")
    chmod 0600 "$node"
    run "$kind: no access gives the udev hint" 2 "70-zelmar.rules" chime_gadget as-user 1000 zelmarctl devices
    run "$kind: an upload without access names the fix" 2 "70-zelmar.rules" \
        chime_gadget as-user 1000 zelmarctl upload $SET
    chmod 0666 "$node"
    run "$kind: the user may upload with access" 0 "verified" chime_gadget as-user 1000 zelmarctl upload $SET

    kill $gadget
    wait $gadget
    wait_chime gone || fail "$kind: the chime stayed after its gadget ended"
    # What the gadget met: the faults it made, and the requests the host gave up on.
    sed "s/^/gadget $kind: /" /tmp/gadget-$kind.log | tail -n 20
}

check_kind usb
check_kind hid
finish
