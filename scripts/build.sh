#!/usr/bin/env bash
# Configures and builds one flavour of the project into build/<flavour>.
#   release: optimised runner, packer and benchmarks
#   asan:    clang with AddressSanitizer, UndefinedBehaviorSanitizer and fuzzer coverage: one
#            compile serves the tests and the libFuzzer targets (build/asan/fuzz/fuzz_*)
# A build folder configured with other settings (another compiler, older flags) is made afresh.
set -euo pipefail
cd "$(dirname "$0")/.."
# Let ccache share results between clones in different folders.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
# Precompiled headers are cacheable when the cache may ignore their time stamps.
export CCACHE_SLOPPINESS=${CCACHE_SLOPPINESS:-pch_defines,time_macros,include_file_mtime,include_file_ctime}
flavour=${1:-release}
shift || true
case "$flavour" in
  release) args=(-DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF -DQV_BENCH=ON) ;;
  asan|fuzz)
    flavour=asan
    args=(-DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON -DQV_FUZZ=ON -DCMAKE_C_COMPILER=clang
          -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS_DEBUG="-g -O1") ;;
  *) echo "build.sh: unknown flavour '$flavour' (release, asan)" >&2; exit 2 ;;
esac
dir=build/$flavour
if [ -f "$dir/build.ninja" ] && [ "$(cat "$dir/.configured-with" 2>/dev/null)" != "${args[*]}" ]; then
  echo "build.sh: $dir was configured with other settings; configuring it afresh"
  rm -rf "$dir"
fi
if [ ! -f "$dir/build.ninja" ]; then
  cmake -S . -B "$dir" -G Ninja "${args[@]}" >/dev/null
  echo "${args[*]}" > "$dir/.configured-with"
fi
cmake --build "$dir" -- "$@"
