#!/usr/bin/env bash
# Configures and builds one flavour of the project into build/<flavour>.
#   release: optimised runner, packer and benchmarks
#   asan:    tests with AddressSanitizer and UndefinedBehaviorSanitizer
#   fuzz:    libFuzzer targets (clang)
set -euo pipefail
cd "$(dirname "$0")/.."
# Let ccache share results between clones in different folders.
export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
export CCACHE_NOHASHDIR=${CCACHE_NOHASHDIR:-true}
flavour=${1:-release}
shift || true
case "$flavour" in
  release) args=(-DCMAKE_BUILD_TYPE=Release -DQV_TESTS=OFF -DQV_BENCH=ON) ;;
  asan)    args=(-DCMAKE_BUILD_TYPE=Debug -DQV_SANITIZE=ON -DCMAKE_CXX_FLAGS_DEBUG="-g -O1") ;;
  fuzz)    args=(-DCMAKE_BUILD_TYPE=Debug -DQV_FUZZ=ON -DQV_TESTS=OFF -DCMAKE_C_COMPILER=clang
                 -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_CXX_FLAGS_DEBUG="-g -O1") ;;
  *) echo "build.sh: unknown flavour '$flavour' (release, asan, fuzz)" >&2; exit 2 ;;
esac
if [ ! -f "build/$flavour/build.ninja" ]; then
  cmake -S . -B "build/$flavour" -G Ninja "${args[@]}" >/dev/null
fi
cmake --build "build/$flavour" -- "$@"
