#!/usr/bin/env bash
# Builds the Linux and the Windows programs and runs every test: the unit and
# whole-run tests (the Windows ones under wine in a virtual display), the same
# tests built with AddressSanitizer and UndefinedBehaviorSanitizer, and a
# bounded fuzzing run (FUZZ_SECONDS, default 60).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh windows
ctest --test-dir build --output-on-failure -j"$(nproc)"

echo "== the same tests with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLIQOR_SANITIZE=ON \
      -DVELLIQOR_BENCHMARKS=OFF >/dev/null
cmake --build build-asan -j"$(nproc)"
# (The window test is left out here: the X and SDL libraries keep allocations that read as leaks.)
ctest --test-dir build-asan --output-on-failure -j"$(nproc)" -E '^windows_|^live_window'

echo "== fuzzing"
scripts/fuzz.sh
