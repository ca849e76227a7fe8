#!/usr/bin/env bash
# Installs the Debian packages the builds and the tests need, when any is missing.
#   scripts/install-deps.sh            the Linux build and its tests
#   scripts/install-deps.sh windows    also the Windows cross build and its tests under wine
#   scripts/install-deps.sh fuzz       also clang and its fuzzing runtime
set -euo pipefail

packages=(cmake g++ make pkg-config googletest libgtest-dev libbenchmark-dev
          libfreetype-dev libpng-dev libsdl2-dev libsndfile1-dev libsoxr-dev fonts-dejavu-core
          nlohmann-json3-dev fuse-emulator-utils parallel man-db dpkg-dev file lintian desktop-file-utils
          python3 python3-jsonschema)
case "${1:-}" in
  windows) packages+=(g++-mingw-w64-x86-64-posix wine wine64 fonts-wine xvfb xdotool imagemagick python3) ;;
  fuzz) packages+=(clang libclang-rt-dev) ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -q
$sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
