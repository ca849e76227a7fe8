#!/usr/bin/env bash
# Builds the Linux and the Windows programs and runs every test (the Windows
# ones under wine in a virtual display).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh windows
ctest --test-dir build --output-on-failure -j"$(nproc)"
