#!/usr/bin/env bash
# Installs what is missing, builds with the sanitizers, runs every test, then runs each
# fuzzer for a bounded time over its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/format.sh --check
scripts/build.sh asan
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
(cd build/asan && ctest --output-on-failure -j2)
if [ -x scripts/fuzz.sh ] && [ "${QV_SKIP_FUZZ:-0}" != 1 ]; then
  scripts/fuzz.sh "${QV_FUZZ_SECONDS:-60}"
fi
