#!/usr/bin/env bash
# Runs one fuzz target for a number of seconds on its seed corpus and prints
# how many inputs it ran. Usage: run-fuzzer.sh BINARY FUZZ_DIR NAME SECONDS
#   FUZZ_DIR/corpus/NAME   the seed inputs (only read: new inputs go to a scratch folder)
#   FUZZ_DIR/NAME.dict     the target's dictionary, when there is one
# A crash, a leak or undefined behaviour fails the run; the input that caused it
# is kept in $VINDELEO_FUZZ_ARTIFACTS (default: fuzz-artifacts in the current
# directory), and the fuzzer's report is printed.
set -uo pipefail

binary=$1 fuzzdir=$2 name=$3 seconds=$4
artifacts=${VINDELEO_FUZZ_ARTIFACTS:-$PWD/fuzz-artifacts}/$name
# New inputs of the run go to a scratch folder (the targets' own files live in
# the fuzz build's in-memory file system, fuzz/FilesInMemory.cpp).
base=${TMPDIR:-/tmp}
[ -d /dev/shm ] && [ -w /dev/shm ] && base=/dev/shm
work=$(mktemp -d "$base/vindeleo-fuzz-$name.XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/new" "$artifacts"

options=(-max_total_time="$seconds" -print_final_stats=1 -timeout=30 -rss_limit_mb=2048
         -artifact_prefix="$artifacts/")
[ -f "$fuzzdir/$name.dict" ] && options+=(-dict="$fuzzdir/$name.dict")

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

"$binary" "${options[@]}" "$work/new" "$fuzzdir/corpus/$name" >"$work/log" 2>&1
status=$?
executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log" | tail -n 1)
if [ $status -ne 0 ]; then
  cat "$work/log" >&2
  echo "$name: FAILED after ${executions:-?} executions (the input is kept in $artifacts)" >&2
  exit 1
fi
rmdir "$artifacts" 2>/dev/null
echo "$name: ${executions:-?} executions in $seconds s without a failure"
