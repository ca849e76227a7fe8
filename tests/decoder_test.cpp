// The block attempt: pilot lock, sync placement with polarity, the data phase's
// repair of lost '0' bits, and the rewind at the edge of the kept samples.
#include <gtest/gtest.h>

#include <string>

#include "analysis/pulse_ring.h"
#include "analysis/signal_analyser.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "input/sample_stream.h"
#include "support/core_fixture.h"
#include "support/test_tapes.h"
#include "tools/tape_encoder.h"

namespace {
constexpr double pilot_t = 2168;

class Decoder : public CoreTest {
protected:
    // Decodes one attempt of the recording and returns the bytes it left.
    std::vector<std::uint8_t> decode(const std::vector<std::int16_t>& samples) {
        open_recording(samples);
        result = decode_block(run, false);
        return {run.buffer->bytes, run.buffer->bytes + run.buffer->bit_count / 8};
    }
    PulseResult result = short_pulse;
};

std::vector<std::int16_t> one_block(const TapBlock& block, EncoderOptions options = {}) {
    options.lead_silence_s = 0.1;
    return encode_blocks({block}, options);
}

TEST_F(Decoder, LocksOnThePilotAndHalvesThePeriodAtTheSync) {
    const TapBlock block = make_data_block(0xFF, {0x00, 0xFF, 0x55});
    EXPECT_EQ(decode(one_block(block)), block);
    EXPECT_EQ(run.decoder->decoder_state, Data);
    EXPECT_NEAR(run.decoder->tracked_period, 23.45, 0.1);
    EXPECT_NEAR(run.analysis->window_length, 23, 1);  // set to 23 at the sync, then following P
}

// The panel's Min '1' Size, as the reference screens show it.
TEST_F(Decoder, SmallestOneSizeIsTrackedDownFromOneInTheDataAndHeldAtZeroWhileSearching) {
    decode(one_block(make_data_block(0xFF, {0xFF, 0x0F})));
    EXPECT_GT(run.stats->sizes.min1_size, 0.2f);
    EXPECT_LT(run.stats->sizes.min1_size, 1.0f);
    EXPECT_EQ(decode_block(run, false), end_of_data);  // a search through the silence after it
    EXPECT_EQ(run.stats->sizes.min1_size, 0.0f);
}

TEST_F(Decoder, PilotNeedsFiftyTwoPulsesBeforeTheSync) {
    EncoderOptions options;
    options.pilot_pulses = 104;  // 52 cycles
    const TapBlock block = make_data_block(0xFF, {1, 2, 3});
    EXPECT_EQ(decode(one_block(block, options)), block);
    TearDown();
    SetUp();
    options.pilot_pulses = 103;
    EXPECT_TRUE(decode(one_block(block, options)).empty());
    EXPECT_EQ(run.decoder->decoder_state, Search);
    EXPECT_EQ(result, end_of_data);
    EXPECT_NEAR(run.decoder->tracked_period, 46.9, 0.1);  // the failed pilot's estimate stays
}

TEST_F(Decoder, SyncEdgeLiesOnePeriodBeforeTheDataInEitherPolarity) {
    for (bool inverted : {false, true}) {
        for (double speed : {0.9, 1.0, 1.1}) {
            TearDown();  // a fresh core for each case
            SetUp();
            EncoderOptions options;
            options.invert = inverted;
            options.speed = speed;
            options.pilot_pulses = 400;
            const TapBlock block = make_data_block(0xFF, {0x00, 0xFF, 0x55});
            EXPECT_EQ(decode(one_block(block, options)), block) << inverted << " " << speed;
            const double data_start = 4800 + (400 * pilot_t + 667 + 735) * 48000 / 3.5e6 / speed;
            const double S = run.recorder->edge_history.positions[0];  // the first entry the data phase wrote
            EXPECT_NEAR(S, data_start - 23.4528 / speed, 0.25 * 23.4528 / speed) << inverted << " " << speed;
            EXPECT_EQ(run.window->polarity, inverted ? -1 : 1);
        }
    }
}

// Square cycles of `high` + `low` samples after a little silence.
std::vector<std::int16_t> square_cycles(int high, int low, int count) {
    std::vector<std::int16_t> s(500, 0);
    for (int c = 0; c < count; ++c) {
        s.insert(s.end(), high, 10000);
        s.insert(s.end(), low, -10000);
    }
    s.resize(s.size() + 3000, 0);
    return s;
}

TEST_F(Decoder, FirstSpacingOfOneHundredSamplesIsTheLimit) {
    // Cycles of exactly 100 samples lock (then fail the speed test); 101 never lock.
    decode(square_cycles(50, 50, 80));
    EXPECT_NEAR(run.decoder->tracked_period, 100 / 1.268, 0.01);
    TearDown();
    SetUp();
    decode(square_cycles(50, 51, 80));
    EXPECT_EQ(run.decoder->tracked_period, 30.0f);
}

TEST_F(Decoder, QuietPilotDoesNotLock) {
    EncoderOptions options;
    options.amplitude = 150;  // a level below 200 restarts the search at every pulse
    EXPECT_TRUE(decode(one_block(make_data_block(0xFF, {1, 2, 3}), options)).empty());
    TearDown();
    SetUp();
    options.amplitude = 400;
    EXPECT_FALSE(decode(one_block(make_data_block(0xFF, {1, 2, 3}), options)).empty());
}

TEST_F(Decoder, LoneZerosBetweenOnesComeFromTheGapEstimate) {
    const TapBlock block = make_data_block(0xFF, {0x55, 0xAA, 0x55, 0xAA});
    EXPECT_EQ(decode(one_block(block)), block);
    EXPECT_EQ(run.stats->counts.rest_zeros, 0);
    EXPECT_EQ(run.stats->attempt.float_zeros, 0);
}

TEST_F(Decoder, TwoZerosLostBetweenOnesAreFilledIn) {
    // 0xFF, then 0x9F written with its two '0' cycles lost in a dropout.
    const std::vector<std::uint8_t> bytes = decode(bit_pattern("11111111" "1xx11111" "11111111"));
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(bytes[0], 0xFF);
    EXPECT_EQ(bytes[1], 0x9F);
    EXPECT_EQ(run.stats->counts.rest_zeros, 2);
}

TEST_F(Decoder, LostPulseInsideAZeroRunIsInterpolated) {
    // 0x81 with the fourth of its six '0' cycles lost.
    const std::vector<std::uint8_t> bytes = decode(bit_pattern("11111111" "100x0001" "11111111"));
    ASSERT_GE(bytes.size(), 3u);
    EXPECT_EQ(bytes[1], 0x81);
    EXPECT_EQ(run.stats->counts.rest_zeros, 1);
}

TEST_F(Decoder, NextPilotEndsTheBlockAndItsBitsAreDropped) {
    EncoderOptions options;
    options.pause_s = 0.0;  // the next pilot follows the closing pulse at once
    options.lead_silence_s = 0.1;
    const TapBlock first = make_data_block(0xFF, {1, 2, 3, 4});
    const TapBlock second = make_data_block(0xFF, {9, 8, 7});
    open_recording(encode_blocks({first, second}, options));
    EXPECT_EQ(decode_block(run, false), long_pulse);
    EXPECT_EQ(std::vector<std::uint8_t>(run.buffer->bytes, run.buffer->bytes + run.buffer->bit_count / 8), first);
    decode_block(run, false);
    EXPECT_EQ(std::vector<std::uint8_t>(run.buffer->bytes, run.buffer->bytes + run.buffer->bit_count / 8), second);
}

TEST_F(Decoder, SlowPilotEndingInSilenceAfterASlideRewindsOnlyToTheKeptSamples) {
    // At 70 % speed the two searches that find the silence cover more than the
    // 4000 samples kept at a slide; this lead puts that slide between them.
    EncoderOptions options;
    options.speed = 0.7;
    options.lead_silence_s = 242000 / 48000.0;
    PulseTrain t = pulse_train_begin(options);
    for (int k = 0; k < 200; ++k) pulse_train_half(t, pilot_t);
    pulse_train_silence(t, 2.0);
    open_recording(pulse_train_end(t));
    while (decode_block(run, false) != end_of_data) {
    }
    EXPECT_EQ(run.stats->clamped_rewinds, 1);
    EXPECT_EQ(run.buffer->bit_count, 0);
}
}  // namespace
