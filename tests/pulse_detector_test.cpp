// Finding, classifying and ringing pulses on synthetic square waves.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/pulse_ring.h"
#include "analysis/signal_analyser.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "input/sample_stream.h"
#include "support/core_fixture.h"

namespace {
using PulseDetector = CoreTest;

// Cycles of the given lengths (samples), each a high half then a low half, after `lead` samples of silence.
std::vector<std::int16_t> square_wave(const std::vector<double>& cycles, int lead = 200, double amplitude = 12000) {
    std::vector<std::int16_t> s(lead, 0);
    double t = lead;
    for (double c : cycles) {
        const auto mid = static_cast<std::size_t>(std::lround(t + c / 2));
        const auto end = static_cast<std::size_t>(std::lround(t + c));
        while (s.size() < mid) s.push_back(static_cast<std::int16_t>(amplitude));
        while (s.size() < end) s.push_back(static_cast<std::int16_t>(-amplitude));
        t += c;
    }
    s.resize(s.size() + 4000, 0);
    return s;
}

// The detector's settings from the sync on, at 100 % speed.
void data_settings(Run& run) {
    run.decoder->decoder_state = Data;
    run.decoder->tracked_period = nominal_period;
    run.analysis->window_length = 23;
    run.decoder->short_min_ratio = 0.2f;
    run.decoder->split_ratio = 0.7f;
    run.decoder->long_max_ratio = 2.0f;
    run.decoder->mid0_ratio = 0.65f;
    run.decoder->mid1_ratio = 0.75f;
}

TEST_F(PulseDetector, FirstCallWritesRecordTwoAndReturnsTheZeroedRecordOne) {
    open_recording(square_wave(std::vector<double>(20, 59.5)));
    EXPECT_EQ(next_pulse(run), short_pulse);
    EXPECT_EQ(run.ring->ring_index, 1);
    EXPECT_EQ(run.ring->next_index, 2);
    EXPECT_EQ(rec(run, 2).kind, kind_long);
}

TEST_F(PulseDetector, PilotCyclesAreLongAndEvenlySpaced) {
    for (double speed : {0.8, 1.0, 1.2}) {
        TearDown();  // a fresh core for each speed
        SetUp();
        const double cycle = 2 * 1.268 * 23.4528 / speed;
        open_recording(square_wave(std::vector<double>(40, cycle)));
        run.decoder->tracked_period = static_cast<float>(cycle / 1.268 / 2);
        run.analysis->window_length = static_cast<int>(std::lround(run.decoder->tracked_period));
        next_pulse(run);
        std::int32_t previous = -1;
        for (int k = 0; k < 30; ++k) {
            ASSERT_EQ(next_pulse(run), long_pulse) << speed << " pulse " << k;
            const std::int32_t p = rec(run, run.ring->ring_index).position;
            if (previous >= 0) {
                EXPECT_NEAR(p - previous, cycle, 1.01) << speed;
            }
            previous = p;
        }
    }
}

TEST_F(PulseDetector, ZeroAndOneCyclesAfterTheSyncAreToldApart) {
    std::vector<double> cycles;
    for (int k = 0; k < 8; ++k) cycles.push_back(23.45);
    for (int k = 0; k < 8; ++k) cycles.push_back(46.9);
    open_recording(square_wave(cycles));
    data_settings(run);
    next_pulse(run);
    std::vector<PulseResult> kinds;
    for (int k = 0; k < 16; ++k) kinds.push_back(next_pulse(run));
    // The run of '0' cycles comes first, every one of them paired with a neighbour.
    int shorts = 0, longs = 0;
    for (PulseResult k : kinds) (k == short_pulse ? shorts : longs) += is_pulse(k) ? 1 : 0;
    EXPECT_GE(shorts, 7);
    EXPECT_GE(longs, 7);
    EXPECT_EQ(kinds.front(), short_pulse);
    EXPECT_EQ(kinds.back(), long_pulse);
    for (int back = 10; back <= 14; ++back) {
        const PulseRecord& r = rec(run, static_cast<std::uint8_t>(run.ring->ring_index - back));
        if (r.kind == kind_short) {
            EXPECT_EQ(r.paired, 1);
        }
    }
    EXPECT_GT(run.detector->short_ref_level, 0.0f);  // set by the pairs
}

TEST_F(PulseDetector, WindowSettlesOnTheNearestWholePeriodOneStepPerCall) {
    open_recording(square_wave(std::vector<double>(60, 59.5)));
    run.decoder->tracked_period = 23.45f;
    run.analysis->window_length = 30;
    std::vector<int> lengths;
    for (int k = 0; k < 10; ++k) {
        next_pulse(run);
        lengths.push_back(run.analysis->window_length);
    }
    EXPECT_EQ(lengths, (std::vector<int>{29, 28, 27, 26, 25, 24, 23, 23, 23, 23}));

    run.analysis->window_length = 20;
    for (int k = 0; k < 5; ++k) next_pulse(run);
    EXPECT_EQ(run.analysis->window_length, 23);
}

TEST_F(PulseDetector, WindowStaysWithinItsBounds) {
    open_recording(square_wave(std::vector<double>(30, 59.5)));
    run.decoder->tracked_period = 3.0f;
    run.analysis->window_length = 7;
    next_pulse(run);
    EXPECT_EQ(run.analysis->window_length, 7);
    run.decoder->tracked_period = 150.0f;
    run.analysis->window_length = 100;
    next_pulse(run);
    EXPECT_EQ(run.analysis->window_length, 100);
}

TEST_F(PulseDetector, SilenceGivesNoPulseRecordsThenTheEnd) {
    open_recording(std::vector<std::int16_t>(5000, 0));
    run.analysis->window_length = 30;
    EXPECT_EQ(next_pulse(run), short_pulse);  // the zeroed record 1
    EXPECT_EQ(rec(run, 2).kind, kind_no_pulse);
    EXPECT_EQ(run.window->cursor, 4000 + 900);  // gave up after 30 window lengths
    EXPECT_EQ(rec(run, 1).gap_minimum, 0.0f);
    EXPECT_EQ(next_pulse(run), no_pulse);
    PulseResult result = short_pulse;
    for (int k = 0; k < 10 && result != end_of_data; ++k) result = next_pulse(run);
    EXPECT_EQ(result, end_of_data);
    EXPECT_EQ(next_pulse(run), end_of_data);  // and it stays there
}

TEST_F(PulseDetector, RingIndicesWrapFrom255ToZero) {
    open_recording(square_wave(std::vector<double>(300, 59.5)));
    run.decoder->tracked_period = 46.9f;
    run.ring->ring_index = 254;
    next_pulse(run);
    EXPECT_EQ(run.ring->ring_index, 255);
    EXPECT_EQ(run.ring->next_index, 0);
    next_pulse(run);
    EXPECT_EQ(run.ring->ring_index, 0);
    EXPECT_EQ(run.ring->next_index, 1);
}

TEST_F(PulseDetector, LongPulsesLowerTheSmallestOneSize) {
    open_recording(square_wave(std::vector<double>(20, 46.9)));
    data_settings(run);
    run.stats->sizes.min1_size = 1.0f;
    for (int k = 0; k < 10; ++k) next_pulse(run);
    EXPECT_LT(run.stats->sizes.min1_size, 1.0f);
    EXPECT_GT(run.stats->sizes.min1_size, 0.2f);
    run.stats->sizes.min1_size = 0.0f;  // held at zero while searching: nothing is smaller
    for (int k = 0; k < 5; ++k) next_pulse(run);
    EXPECT_EQ(run.stats->sizes.min1_size, 0.0f);
}
}  // namespace
