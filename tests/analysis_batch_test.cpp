// The analyser computes neighbouring windows together; every figure of every
// window must be, bit for bit, what that window gives when analysed alone.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "analysis/signal_analyser.h"
#include "input/sample_stream.h"
#include "support/core_fixture.h"

namespace {
using BatchedAnalysis = CoreTest;

struct Figures {
    float mean, deviation, strength;
};

std::uint32_t bits_of(float x) {
    std::uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

// Sample-like values: whole numbers over the 16-bit range, with flat stretches
// so that some windows meet the deviation floor.
std::vector<float> random_samples(std::size_t n, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> level(-32768, 32767), run(1, 120), coin(0, 3);
    std::vector<float> v;
    while (v.size() < n) {
        const float x = static_cast<float>(level(random));
        const int repeat = coin(random) == 0 ? run(random) : 1;
        for (int k = 0; k < repeat && v.size() < n; ++k) v.push_back(x);
    }
    return v;
}

// Runs the analysis from slot `first` for `steps` steps over whatever the slots hold.
std::vector<Figures> analyse_run(Run& run, int first, int steps, int N) {
    run.analysis->window_length = N;
    run.window->cursor = first;
    ++run.window->generation;
    std::vector<Figures> got;
    for (int k = 0; k < steps; ++k) {
        analyse_step(run);
        got.push_back({run.analysis->window_mean, run.analysis->mean_deviation, run.analysis->strength});
    }
    return got;
}

// One window alone: placed so that it ends at the last slot, where no
// neighbour fits after it and the analyser takes it by itself.
Figures analyse_alone(Run& run, const float* values, int N) {
    std::copy(values, values + N, run.window->slots + window_slots - N);
    run.analysis->window_length = N;
    run.window->cursor = window_slots - N + N / 2;
    ++run.window->generation;
    analyse_step(run);
    return {run.analysis->window_mean, run.analysis->mean_deviation, run.analysis->strength};
}

// The run's figures against each of its windows analysed alone; `first` is
// the run's first slot and `samples` what the slots held from slot `base` on.
void expect_each_as_alone(::Run& core, const std::vector<Figures>& run, int first, int N, const std::vector<float>& samples,
                          int base, const char* where) {
    for (std::size_t k = 0; k < run.size(); ++k) {
        const int start = first + static_cast<int>(k) - N / 2 - base;  // the window's first sample
        const Figures alone = analyse_alone(core, samples.data() + start, N);
        SCOPED_TRACE(::testing::Message() << where << ", N " << N << ", step " << k << " from slot " << first);
        EXPECT_EQ(bits_of(run[k].mean), bits_of(alone.mean)) << run[k].mean << " " << alone.mean;
        EXPECT_EQ(bits_of(run[k].deviation), bits_of(alone.deviation)) << run[k].deviation << " " << alone.deviation;
        EXPECT_EQ(bits_of(run[k].strength), bits_of(alone.strength)) << run[k].strength << " " << alone.strength;
    }
}

TEST_F(BatchedAnalysis, EveryWindowOfABatchGivesWhatItGivesAlone) {
    const std::vector<int> lengths{7, 8, 9, 10, 15, 16, 23, 24, 29, 30, 31, 47, 64, 77, 98, 99, 100};
    constexpr int steps = 40;  // five batches and more
    for (unsigned seed : {1u, 2u, 3u}) {
        for (int N : lengths) {
            // Inside the slots, starting at every offset within a batch.
            const int base = 20000;
            const std::vector<float> samples = random_samples(steps + 8 + 2 * N, seed * 1000 + N);
            std::copy(samples.begin(), samples.end(), run.window->slots + base);
            for (int offset = 0; offset < 8; ++offset) {
                const int first = base + N / 2 + offset;
                expect_each_as_alone(run, analyse_run(run, first, steps, N), first, N, samples, base, "inside");
                if (HasFailure()) return;
            }
            // Near the end of the slots, up to the last window that fits: the
            // last full batches, then the windows the analyser takes alone.
            const int tail_base = window_slots - (steps + 8 + N);
            const std::vector<float> tail = random_samples(window_slots - tail_base, seed * 1000 + N + 500);
            for (int offset = 0; offset < 8; ++offset) {
                std::copy(tail.begin(), tail.end(), run.window->slots + tail_base);
                const int last = window_slots - N + N / 2;  // its window ends at the last slot
                const int first = last - (steps - 1) + offset;
                const std::vector<Figures> figures = analyse_run(run, first, last - first + 1, N);
                expect_each_as_alone(run, figures, first, N, tail, tail_base, "near the end");
                if (HasFailure()) return;
            }
        }
    }
}
}  // namespace
