#!/usr/bin/env bash
# Installs every system package the build, the tests and the benchmarks need.
# Idempotent: asks apt only for what is missing, and updates the package lists at most once.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config ccache clang clang-format libclang-rt-14-dev
  zlib1g-dev libsdl2-dev libepoxy-dev libstb-dev libopenal-dev libsndfile1-dev
  libfluidsynth-dev timgm6mb-soundfont libfreetype-dev libfontconfig-dev libimgui-dev libffi-dev libsqlite3-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libgl1-mesa-dri libegl-mesa0 libegl1 libgles2 mesa-utils
  nlohmann-json3-dev fonts-liberation2 fonts-dejavu-core lua5.4 python3 love
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
