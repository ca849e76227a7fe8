// The per-sample analysis: mean, mean deviation and one-cycle sine correlation.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/signal_analyser.h"
#include "input/sample_stream.h"
#include "support/core_fixture.h"

namespace {
using SignalAnalyser = CoreTest;

// Puts `values` into the window so that the analysis window of length N starts at its first one.
void place_window(Run& run, int N, const std::vector<float>& values) {
    run.analysis->window_length = N;
    run.window->cursor = 10000;
    ++run.window->generation;  // the slots change behind the analysis' back
    for (std::size_t k = 0; k < values.size(); ++k) run.window->slots[10000 - N / 2 + k] = values[k];
}

std::vector<float> square_cycle(int N, float amplitude) {
    std::vector<float> v(N);
    for (int k = 0; k < N; ++k) v[k] = k < N / 2 ? amplitude : -amplitude;
    return v;
}

TEST(SineTable, HoldsTheDoublePrecisionSineOfEveryWindowLength) {
    for (int N = 1; N <= sine_table_max_length; ++N) {
        const double* sine = sine_cycle(N);
        ASSERT_NE(sine, nullptr);
        const double r = 1.0 / N;
        for (int k = 0; k < N; ++k) ASSERT_EQ(sine[k], std::sin((k * r) * 6.283185307179586)) << N << " " << k;
    }
    EXPECT_EQ(sine_cycle(0), nullptr);
    EXPECT_EQ(sine_cycle(sine_table_max_length + 1), nullptr);
}

TEST_F(SignalAnalyser, SquareCycleGivesItsKnownStrengthInBothPolarities) {
    place_window(run, 24, square_cycle(24, 1000.0f));
    analyse_step(run);
    EXPECT_NEAR(run.analysis->strength, 53.80, 0.005);
    EXPECT_FLOAT_EQ(run.analysis->window_mean, 0.0f);
    EXPECT_FLOAT_EQ(run.analysis->mean_deviation, 1000.0f);

    place_window(run, 24, square_cycle(24, -1000.0f));
    analyse_step(run);
    EXPECT_NEAR(run.analysis->strength, -53.80, 0.005);

    place_window(run, 100, square_cycle(100, 1000.0f));
    analyse_step(run);
    EXPECT_NEAR(run.analysis->strength, 54.09, 0.005);
}

TEST_F(SignalAnalyser, SineCycleGivesItsKnownStrength) {
    std::vector<float> v(24);
    for (int k = 0; k < 24; ++k) v[k] = static_cast<float>(10000.0 * std::sin(k * 6.283185307179586 / 24));
    place_window(run, 24, v);
    analyse_step(run);
    EXPECT_NEAR(run.analysis->strength, 67.14, 0.005);
}

TEST_F(SignalAnalyser, FlatWindowHasTinyDeviationAndNoStrength) {
    place_window(run, 30, std::vector<float>(30, 5.0f));
    analyse_step(run);
    EXPECT_EQ(run.analysis->window_mean, 5.0f);
    EXPECT_EQ(run.analysis->strength, 0.0f);
    EXPECT_EQ(run.analysis->mean_deviation, static_cast<float>(static_cast<float>(1.0 / 30) * static_cast<double>(1e-30f)));
    EXPECT_GT(run.analysis->mean_deviation, 0.0f);
}

TEST_F(SignalAnalyser, SingleSampleWindowIsItsOwnSample) {
    place_window(run, 1, {1234.0f});
    analyse_step(run);
    EXPECT_EQ(run.analysis->window_mean, 1234.0f);
    EXPECT_EQ(run.analysis->strength, 0.0f);
}

TEST_F(SignalAnalyser, EvenWindowHoldsHalfBeforeTheCursor) {
    // N = 24 at cursor p covers p-12 .. p+11: a spike at p+12 is outside it.
    place_window(run, 24, std::vector<float>(24, 0.0f));
    run.window->slots[10000 + 12] = 500.0f;
    analyse_step(run);
    EXPECT_EQ(run.analysis->window_mean, 0.0f);
    run.window->slots[10000 - 12] = 480.0f;
    run.window->cursor = 10000;
    ++run.window->generation;
    analyse_step(run);
    EXPECT_EQ(run.analysis->window_mean, 20.0f);
}

TEST_F(SignalAnalyser, EveryStepMovesTheCursorByOne) {
    place_window(run, 30, square_cycle(30, 100.0f));
    for (int k = 1; k <= 5; ++k) {
        analyse_step(run);
        EXPECT_EQ(run.window->cursor, 10000 + k);
    }
}
}  // namespace
