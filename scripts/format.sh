#!/usr/bin/env bash
# Formats every C++ source of the project with the checked-in style.
#   scripts/format.sh          rewrite files in place
#   scripts/format.sh --check  list files that differ and fail
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--check" ]; then
  bad=0
  for f in "${files[@]}"; do
    if ! clang-format --style=file "$f" | cmp -s - "$f"; then echo "not formatted: $f"; bad=1; fi
  done
  exit $bad
fi
clang-format --style=file -i "${files[@]}"
