#!/usr/bin/env bash
# Installs what the build, the tests and the demo need (Debian 12), then
# configures and builds the given build folder.
#   scripts/setup.sh [BUILD_DIR] [extra cmake arguments...]
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config git
  libgtest-dev libgmock-dev
  libcjson-dev libssl-dev zlib1g-dev libminizip-dev libhidapi-dev
  libgtk-3-dev libwebkit2gtk-4.1-dev
  xvfb xauth dbus-x11 socat ser2net iproute2 python3
  clang libclang-rt-14-dev
  dpkg-dev file
  lintian desktop-file-utils appstream man-db
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build="${1:-build}"
shift || true
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
cmake --build "$build" -j"$(nproc)"
