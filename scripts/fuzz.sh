#!/usr/bin/env bash
# Builds the libFuzzer targets and runs each for a bounded time over its seed corpus.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
scripts/build.sh fuzz
export ASAN_OPTIONS=detect_leaks=1
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp:print_suppressions=0
status=0
for exe in build/fuzz/fuzz/fuzz_*; do
  [ -x "$exe" ] || continue
  name=$(basename "$exe"); name=${name#fuzz_}
  work="fuzz/corpus-work/$name"
  mkdir -p "$work"
  seeds="fuzz/corpus/$name"
  mkdir -p "$seeds"
  echo "fuzz: $name for ${seconds}s"
  if ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
       -print_final_stats=0 "$work" "$seeds" > "build/fuzz/$name.log" 2>&1; then
    echo "fuzz: $name FAILED"; tail -50 "build/fuzz/$name.log"; status=1
  else
    grep -E '^(#[0-9]+ +DONE|Done)' "build/fuzz/$name.log" | tail -1 || true
  fi
done
exit $status
