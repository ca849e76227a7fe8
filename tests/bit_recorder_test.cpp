// Bits into the block buffer and the screen panel; zero runs with lost pulses filled in.
#include <gtest/gtest.h>

#include "analysis/pulse_ring.h"
#include "analysis/signal_analyser.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "output/block_report.h"
#include "support/core_fixture.h"
#include "view/canvas.h"

namespace {
using BitRecorder = CoreTest;

Colour pixel(int x, int y) { return canvas.pixels[y * canvas.W + x]; }

void push_bits(Run& run, std::initializer_list<int> bits) {
    for (int b : bits) push_bit(run, b);
}

TEST_F(BitRecorder, BitsShiftInMostSignificantFirstWhateverTheByteHeld) {
    run.buffer->bytes[0] = 0xFF;
    push_bits(run, {1, 0, 1, 1, 0, 0, 1, 0});
    EXPECT_EQ(run.buffer->bytes[0], 0xB2);
    EXPECT_EQ(run.buffer->bit_count, 8);
    push_bit(run, 1);
    EXPECT_EQ(run.buffer->bytes[1] & 1, 1);
}

TEST_F(BitRecorder, BitsBeyondTheBufferAreDropped) {
    run.buffer->bit_count = block_buffer_size * 8 - 1;
    push_bit(run, 1);
    push_bit(run, 1);
    EXPECT_EQ(run.buffer->bit_count, block_buffer_size * 8);
}

TEST_F(BitRecorder, ScreenPanelFollowsSpectrumScreenOrder) {
    push_bit(run, 1);  // bit 0: top-left of the panel
    EXPECT_EQ(pixel(130, 192), 0xFF6400u);
    // Screen byte 32 is line 8, byte 256 line 1, byte 2048 line 64.
    run.buffer->bit_count = 32 * 8;
    push_bit(run, 0);
    EXPECT_EQ(pixel(130, 184), 0xFFFF80u);
    run.buffer->bit_count = 256 * 8 + 7;
    push_bit(run, 1);
    EXPECT_EQ(pixel(137, 191), 0xFF6400u);
    run.buffer->bit_count = 2048 * 8;
    push_bit(run, 1);
    EXPECT_EQ(pixel(130, 128), 0xFF6400u);
}

TEST_F(BitRecorder, AfterAHeaderTheFlagByteIsLeftOutOfThePicture) {
    run.recorder->flag_hidden = true;
    for (int k = 0; k < 8; ++k) push_bit(run, 1);
    EXPECT_EQ(pixel(130, 192), 0u);
    push_bit(run, 1);
    EXPECT_EQ(pixel(130, 192), 0xFF6400u);
}

class ZeroRun : public BitRecorder {
protected:
    // Starts a run at p with period P, then continues it with a pulse d after the latest one.
    void start(double p, float P) {
        run.decoder->tracked_period = P;
        run.analysis->window_length = 23;
        rec(run, run.ring->ring_index).length = 10;
        start_zero_run(run, p);
    }
    void next_pulse_at(std::int32_t q) {
        rec(run, run.ring->ring_index).position = q;
        continue_zero_run(run);
    }
};

TEST_F(ZeroRun, StartBackFillsTheHistoryAndPushesOneZero) {
    start(1000.0, 20.0f);
    EXPECT_EQ(run.buffer->bit_count, 1);
    EXPECT_EQ(run.recorder->zero_run_count, 1);
    EXPECT_EQ(history_back(run.recorder->zero_history, 1), 1000.0);
    EXPECT_EQ(history_back(run.recorder->zero_history, 16), 1000.0 - 15 * 20.0);
    EXPECT_FLOAT_EQ(run.stats->sizes.max0_size, 10.0f / 23);
}

TEST_F(ZeroRun, PulseOnePeriodLaterKeepsThePeriod) {
    start(1000.0, 20.0f);
    next_pulse_at(1020);
    EXPECT_EQ(run.decoder->tracked_period, 20.0f);
    EXPECT_EQ(run.recorder->zero_run_count, 2);
    EXPECT_EQ(run.stats->counts.rest_zeros, 0);
}

TEST_F(ZeroRun, TwoLostPulsesAreFilledIn) {
    start(1000.0, 20.0f);
    next_pulse_at(1052);  // 2.6 periods: m = 3
    EXPECT_EQ(run.buffer->bit_count, 4);
    EXPECT_EQ(run.recorder->zero_run_count, 4);
    EXPECT_EQ(run.stats->counts.rest_zeros, 2);
    EXPECT_NEAR(history_back(run.recorder->zero_history, 3), 1000.0 + 52.0 / 3, 1e-9);
    EXPECT_NEAR(history_back(run.recorder->zero_history, 1), 1052.0, 1e-9);
}

TEST_F(ZeroRun, RoundingOfTheLostPulseCount) {
    start(1000.0, 20.0f);
    next_pulse_at(1048);  // 2.4 periods: m = 2, one inserted pulse
    EXPECT_EQ(run.buffer->bit_count, 3);
    EXPECT_EQ(run.stats->counts.rest_zeros, 1);
}

TEST_F(ZeroRun, PulseTooCloseAddsNothingButStillReestimates) {
    start(1000.0, 20.0f);
    next_pulse_at(1008);  // 0.4 periods: m = 0
    EXPECT_EQ(run.buffer->bit_count, 1);
    EXPECT_EQ(run.recorder->zero_run_count, 1);
    EXPECT_EQ(run.decoder->tracked_period, static_cast<float>((1000.0 - (1000.0 - 15 * 20.0)) / 15));
}

TEST_F(ZeroRun, PeriodFollowsTheMeanOfTheLastFifteenCycles) {
    start(1000.0, 20.0f);
    double q = 1000.0;
    for (int k = 0; k < 15; ++k) next_pulse_at(static_cast<std::int32_t>(q += 22.0));
    EXPECT_FLOAT_EQ(run.decoder->tracked_period, 22.0f);
}
}  // namespace
