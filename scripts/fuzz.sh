#!/usr/bin/env bash
# Builds the fuzz target with clang and runs it for a bounded time
# (FUZZ_SECONDS, default 60) from seeds the project makes. A crash leaves its
# input in build-fuzz/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh fuzz
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLIQOR_FUZZ=ON \
      -DVELLIQOR_SANITIZE=ON -DVELLIQOR_TESTS=OFF -DVELLIQOR_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target pipeline_fuzz make_fuzz_seeds
mkdir -p build-fuzz/seeds build-fuzz/corpus
build-fuzz/make_fuzz_seeds build-fuzz/seeds
cd build-fuzz
./pipeline_fuzz -max_total_time="${FUZZ_SECONDS:-60}" -max_len=200000 -timeout=30 -artifact_prefix="$PWD/" \
  -print_final_stats=1 corpus seeds 2>&1 | tail -n 20
