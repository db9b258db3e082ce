#!/usr/bin/env bash
# A save that cannot be made safely is refused before the set file is touched. The user may write
# the set file but not its folder, so the only way left would be to rewrite the file in place:
# tried on a small file system that is full, and with the program killed at random moments, the
# set must stay readable and unchanged, and each refusal exit 5 saying why.
# Usage: safe-save.sh ZELMARCTL   (needs root to mount and to act as another user; 77 skips)
set -euo pipefail
ctl=$1
if [ "$(id -u)" -ne 0 ] || ! command -v unshare >/dev/null || ! command -v setpriv >/dev/null \
   || ! command -v sox >/dev/null; then
  echo "skipped: needs root, unshare, setpriv and sox"
  exit 77
fi
# In a mount namespace of its own, the small file system goes with the script however it ends.
if [ -z "${ZELMAR_SAFE_SAVE_INSIDE:-}" ]; then
  exec env ZELMAR_SAFE_SAVE_INSIDE=1 unshare --mount --propagation private "$0" "$@"
fi

work=$(mktemp -d)
trap 'umount "$work/small" 2>/dev/null || true; rm -rf "$work"' EXIT
chmod 755 "$work"
fail() { echo "FAIL: $*" >&2; exit 1; }
# The user "nobody", who owns the set file but not its folder.
as_user() { setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; }
# A set holding a long sound, so that a rewrite in place would take long enough to be killed in.
sox -n -r 18000 -c 1 -b 16 "$work/long.wav" synth 60 sine 440 vol 0.5
sox -n -r 18000 -c 1 -b 16 "$work/short.wav" synth 1 sine 880 vol 0.5
"$ctl" import "$work/set.zmr" "$work/long.wav" >/dev/null
chmod 644 "$work/set.zmr"

# Puts a copy of the set, owned by nobody, into FOLDER (owned by root, mode 0755).
place() {
  mkdir -p "$1"
  chmod 755 "$1"
  cp "$work/set.zmr" "$1/set.zmr"
  chown 65534:65534 "$1/set.zmr"
}

# expect_refused FOLDER COMMAND...: exit 5, the reason said, the set as it was.
expect_refused() {
  local folder=$1 code=0
  shift
  as_user timeout 60 "$ctl" "$@" >/dev/null 2>"$work/said" || code=$?
  [ "$code" -eq 5 ] || fail "$* exited $code: $(cat "$work/said")"
  grep -q "does not allow a safe save" "$work/said" || fail "$* said: $(cat "$work/said")"
  cmp -s "$work/set.zmr" "$folder/set.zmr" || fail "$* changed the set"
}

# On a full file system.
mkdir "$work/small"
mount -t tmpfs -o size=6m,mode=0755 tmpfs "$work/small"
place "$work/small/locked"
dd if=/dev/zero of="$work/small/filler" bs=64k 2>/dev/null || true
expect_refused "$work/small/locked" import "$work/small/locked/set.zmr" "$work/short.wav"
expect_refused "$work/small/locked" signal add "$work/small/locked/set.zmr" pause=10
"$ctl" info "$work/small/locked/set.zmr" >/dev/null || fail "the set on the full disk no longer reads"

# Killed at moments spread over the time a save of this set takes where it may be saved.
place "$work/free"
chown 65534:65534 "$work/free"
start=$(date +%s%N)
as_user "$ctl" signal add "$work/free/set.zmr" pause=10 >/dev/null
took_us=$(( ($(date +%s%N) - start) / 1000 ))
place "$work/locked"
for run in $(seq 1 20); do
  as_user "$ctl" signal add "$work/locked/set.zmr" pause=10 >/dev/null 2>&1 &
  pid=$!
  wait_us=$(( (RANDOM * 32768 + RANDOM) % (took_us + 1) ))
  sleep "$((wait_us / 1000000)).$(printf '%06d' $((wait_us % 1000000)))"
  kill -9 "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  "$ctl" info "$work/locked/set.zmr" >/dev/null 2>&1 || fail "kill $run left the set unreadable"
  cmp -s "$work/set.zmr" "$work/locked/set.zmr" || fail "kill $run changed the set"
done
[ "$(ls -A "$work/locked")" = "set.zmr" ] || fail "files left beside the set: $(ls -A "$work/locked")"
echo "refused and unchanged: full disk, 20 kills (a save takes ${took_us} us)"
