#!/usr/bin/env bash
# Builds the fuzz targets with clang (ASan, UBSan, libFuzzer) into build-fuzz, runs each once over
# its seed corpus (a regression run: the seeds and every input kept from earlier findings), then
# fuzzes each for SECONDS (default 30) into a scratch folder, so the tree is left as it was.
# Usage: tests/fuzz/run.sh [SECONDS] [TARGET...]   (targets: set_file image wav_import mp3 translation)
set -euo pipefail
cd "$(dirname "$0")/../.."
seconds="${1:-30}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(set_file image wav_import mp3 translation)

scripts/deps.sh --fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELMAR_FUZZ=ON >/dev/null
cmake --build build-fuzz

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
# Runs a target; a run that ended well must not leave its scratch folder in /dev/shm.
run_target() {
  local status=0
  "$@" &
  local pid=$!
  wait "$pid" || status=$?
  if [ "$status" -eq 0 ] && compgen -G "/dev/shm/zelmar-fuzz-$pid-*" >/dev/null; then
    echo "$1 left its folder /dev/shm/zelmar-fuzz-$pid-*" >&2
    return 1
  fi
  return "$status"
}
declare -A max_len=([set_file]=65536 [image]=16384 [wav_import]=16384 [mp3]=32768 [translation]=16384)
for t in "${targets[@]}"; do
  exe="build-fuzz/tests/fuzz/fuzz_$t"
  corpus="tests/fuzz/corpus/$t"
  scratch="$(mktemp -d)"
  mkdir "$scratch/new" "$scratch/found"
  echo "== $t: regression over $corpus"
  run_target "$exe" -runs=0 -artifact_prefix="$scratch/found/" "$corpus" >"$scratch/log" 2>&1 || {
    tail -n 60 "$scratch/log"
    exit 1
  }
  echo "== $t: fuzzing for $seconds s"
  status=0
  run_target "$exe" -max_total_time="$seconds" -max_len="${max_len[$t]}" -timeout=25 -rss_limit_mb=2560 \
    -print_final_stats=1 -artifact_prefix="$scratch/found/" "$scratch/new" "$corpus" >"$scratch/log" 2>&1 || status=$?
  if [ "$status" -ne 0 ]; then
    tail -n 60 "$scratch/log"
    echo "fuzz_$t found a fault; the input is kept in $scratch/found" >&2
    exit "$status"
  fi
  grep -E '^#[0-9]+ *DONE|stat::' "$scratch/log" || tail -n 5 "$scratch/log"
  rm -rf "$scratch"
done
