// The merge of takes: three damaged copies of a 6,914-byte block (a screen
// and its flag and checksum), each with its own wrong, lost and gained bits.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "merge/merge.h"

namespace {
std::vector<TakeCopy> damaged_copies() {
    std::mt19937 random(5);
    std::vector<std::uint8_t> block{0xFF};
    for (int k = 0; k < 6912; ++k) block.push_back(static_cast<std::uint8_t>(random()));
    std::uint8_t x = 0;
    for (std::uint8_t b : block) x ^= b;
    block.push_back(x);
    std::vector<TakeCopy> copies;
    for (int t = 0; t < 3; ++t) {
        TakeCopy c;
        c.take = t + 1;
        c.bits = bits_of(block);
        for (int e = 0; e < 6; ++e) {
            const std::size_t at = random() % (c.bits.size() - 1);
            const int kind = static_cast<int>(random() % 3);
            if (kind == 0) c.bits[at] ^= 1;
            if (kind == 1) c.bits.erase(c.bits.begin() + static_cast<std::ptrdiff_t>(at));
            if (kind == 2) c.bits.insert(c.bits.begin() + static_cast<std::ptrdiff_t>(at), 1);
        }
        copies.push_back(c);
    }
    return copies;
}

void BM_MergeLongBlock(benchmark::State& state) {
    const std::vector<TakeCopy> copies = damaged_copies();
    for (auto _ : state) benchmark::DoNotOptimize(merge_block(copies));
}
BENCHMARK(BM_MergeLongBlock)->Unit(benchmark::kMillisecond);
}  // namespace
