#!/usr/bin/env bash
# Builds the sanitizer flavour and runs its libFuzzer targets (every fuzz/fuzz_*.cpp) over their
# seed corpora, one after another.
# Usage: scripts/fuzz.sh [SECONDS_PER_TARGET] [TARGET...]   (default 60 seconds, every target)
#        scripts/fuzz.sh --total SECONDS [TARGET...]        (SECONDS split evenly across targets)
# TARGET is a name without the fuzz_ prefix (load, records, ...). New inputs go to
# fuzz/corpus-work/NAME; findings (crash-*, leak-*, timeout-*, oom-*) to build/asan/fuzz-findings.
set -euo pipefail
cd "$(dirname "$0")/.."
total=""
if [ "${1:-}" = "--total" ]; then total=${2:?--total needs SECONDS}; shift 2; fi
seconds=${1:-60}
shift || true
names=("$@")
if [ ${#names[@]} -eq 0 ]; then
  for src in fuzz/fuzz_*.cpp; do n=$(basename "$src" .cpp); names+=("${n#fuzz_}"); done
fi
if [ -n "$total" ]; then
  seconds=$((total / ${#names[@]}))
  [ "$seconds" -ge 5 ] || seconds=5
fi
targets=()
for n in "${names[@]}"; do targets+=("fuzz_$n"); done
scripts/build.sh asan "${targets[@]}"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0:use_tls=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
findings=build/asan/fuzz-findings
mkdir -p "$findings"
status=0
for name in "${names[@]}"; do
  exe=build/asan/fuzz/fuzz_$name
  work=fuzz/corpus-work/$name
  seeds=fuzz/corpus/$name
  mkdir -p "$work" "$seeds"
  echo "fuzz: $name for ${seconds}s"
  # Limits: a hostile input may not make any reader allocate beyond what the loader allows.
  if ! "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=1200 \
       -max_len=65536 -artifact_prefix="$findings/${name}-" -print_final_stats=1 "$work" "$seeds" \
       > "build/asan/fuzz-$name.log" 2>&1; then
    echo "fuzz: $name FAILED"; tail -50 "build/asan/fuzz-$name.log"; status=1
  else
    grep -E '^#[0-9]+ +(DONE|pulse)' "build/asan/fuzz-$name.log" | tail -1 || true
  fi
done
exit $status
