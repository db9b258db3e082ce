#!/usr/bin/env bash
# What ./run relies on: a build folder it makes configures without the test tools (GoogleTest and
# Google Benchmark made unfindable); and the README's source tree names every test folder.
# Usage: check-run-needs.sh SOURCE_DIR
set -uo pipefail
src="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

if ! cmake -S "$src" -B "$work/build" -G Ninja -DZELMAR_TESTS=OFF \
        -DCMAKE_DISABLE_FIND_PACKAGE_GTest=ON -DCMAKE_DISABLE_FIND_PACKAGE_benchmark=ON >"$work/configure.log" 2>&1; then
    cat "$work/configure.log"
    fail "a build folder without the tests does not configure without the test tools"
fi

tree="$(sed -n '/^## Source tree/,/^## /p' "$src/README.md")"
for dir in "$src"/tests/*/; do
    name="$(basename "$dir")"
    grep -qE "(^|[ (,])$name/" <<<"$tree" || fail "the README's source tree does not name tests/$name/"
done

[ $failures -eq 0 ] && echo "./run's configure and the README's test folders: all checks passed"
exit $((failures > 0))
