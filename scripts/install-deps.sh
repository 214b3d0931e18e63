#!/usr/bin/env bash
# Installs every Debian package the program, its tests and its tools need (clang for the
# fuzz targets among them);
# with --bench, what bench/downloads.sh needs as well.
set -euo pipefail
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-multimedia-dev
  qcoro-qt6-dev libicu-dev libgumbo-dev libbenchmark-dev
  fonts-noto-cjk xvfb xauth
  desktop-file-utils appstream
  clang libclang-rt-14-dev
)
# The download benchmark also serves files with nginx and times curl and aria2 against us.
if [ "${1:-}" = "--bench" ]; then
  packages+=(nginx aria2 curl)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
