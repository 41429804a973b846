#!/usr/bin/env bash
# Installs what is missing, builds the optimised runner and packer, packs the example game into
# a standalone executable and runs it. Usage: scripts/run-example.sh [EXAMPLE_NAME]
# With no display (no $DISPLAY / $WAYLAND_DISPLAY) the game runs headless.
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:-hello}
scripts/install-deps.sh
scripts/build.sh release quarvel-runner quarvel-pack
mkdir -p out
build/release/quarvel-pack build "examples/$name" -o "out/$name"
echo "packed: out/$name"
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  export QUARVEL_HEADLESS=1
  # Nobody can close a window nobody sees: a headless run ends after ten seconds of steps.
  export QUARVEL_MAX_STEPS=${QUARVEL_MAX_STEPS:-300}
fi
set +e
"out/$name"
status=$?
echo "out/$name exited with status $status"
exit $status
