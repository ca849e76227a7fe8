#!/usr/bin/env bash
# Builds the Linux programs into build/ and, with "windows", the four Windows
# executables into build-win/ with MinGW-w64.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh "${1:-}"
if [ "${1:-}" = windows ]; then
  cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
        -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build-win -j"$(nproc)"
  (cd build-win && cpack -G ZIP >/dev/null)  # build-win/velliqor-2.01-windows-x86_64.zip
fi
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DVELLIQOR_WINDOWS_BUILD_DIR="$PWD/build-win" >/dev/null
cmake --build build -j"$(nproc)"
