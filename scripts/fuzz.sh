#!/usr/bin/env bash
# Builds the fuzz targets with clang and runs each for a bounded time from
# seeds the project makes: first the pipeline on raw samples, then --convert's
# decoding on audio files, then the merge of takes. Each runs FUZZ_SECONDS
# when that is set; otherwise the three share a minute. FUZZ_JOBS sets the
# build's parallel jobs (default: all cores). A crash leaves its input in build-fuzz/ and fails the script.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh fuzz
CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELLIQOR_FUZZ=ON \
      -DVELLIQOR_SANITIZE=ON -DVELLIQOR_TESTS=OFF -DVELLIQOR_BENCHMARKS=OFF >/dev/null
cmake --build build-fuzz -j"${FUZZ_JOBS:-$(nproc)}" --target pipeline_fuzz make_fuzz_seeds convert_fuzz make_convert_seeds merge_fuzz
seconds="${FUZZ_SECONDS:-20}"
mkdir -p build-fuzz/seeds build-fuzz/corpus build-fuzz/convert_seeds build-fuzz/convert_corpus build-fuzz/merge_corpus
build-fuzz/make_fuzz_seeds build-fuzz/seeds
build-fuzz/make_convert_seeds build-fuzz/convert_seeds
cd build-fuzz
./pipeline_fuzz -max_total_time="$seconds" -max_len=200000 -timeout=30 -artifact_prefix="$PWD/" \
  -print_final_stats=1 corpus seeds 2>&1 | tail -n 20
./convert_fuzz -max_total_time="$seconds" -max_len=100000 -timeout=30 -artifact_prefix="$PWD/convert-" \
  -print_final_stats=1 convert_corpus convert_seeds 2>&1 | tail -n 20
./merge_fuzz -max_total_time="$seconds" -max_len=20000 -timeout=30 -artifact_prefix="$PWD/merge-" \
  -print_final_stats=1 merge_corpus 2>&1 | tail -n 20
