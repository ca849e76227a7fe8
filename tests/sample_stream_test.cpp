// The recording as a sliding window of samples.
#include <gtest/gtest.h>

#include "input/sample_stream.h"
#include "support/core_fixture.h"

namespace {
using SampleStream = CoreTest;

TEST_F(SampleStream, EmptyFileEndsAtTheFirstStep) {
    open_recording_bytes({});
    EXPECT_EQ(run.window->data_end, 4000);
    EXPECT_EQ(run.window->cursor, 4000);
    EXPECT_EQ(absolute_index(run, run.window->cursor), 0);
    for (int s = 0; s < window_slots; ++s) ASSERT_EQ(run.window->slots[s], 0.0f) << s;
}

TEST_F(SampleStream, OddLastByteIsIgnored) {
    open_recording_bytes({0x01, 0x00, 0x02, 0x00, 0x7F});
    EXPECT_EQ(run.window->data_end, 4002);
    EXPECT_EQ(run.window->slots[4000], 1.0f);
    EXPECT_EQ(run.window->slots[4001], 2.0f);
    EXPECT_EQ(run.window->slots[4002], 0.0f);
}

TEST_F(SampleStream, WavHeaderIsReadAsSamples) {
    open_recording_bytes({'R', 'I', 'F', 'F', 0x24, 0x08});
    EXPECT_EQ(run.window->slots[4000], 18770.0f);  // 0x4952
    EXPECT_EQ(run.window->slots[4001], 17990.0f);  // "FF"
    EXPECT_EQ(run.window->slots[4002], 2084.0f);
}

TEST_F(SampleStream, SamplesAreSignedLittleEndian) {
    open_recording({-32768, 32767, -1, 0});
    EXPECT_EQ(run.window->slots[4000], -32768.0f);
    EXPECT_EQ(run.window->slots[4001], 32767.0f);
    EXPECT_EQ(run.window->slots[4002], -1.0f);
}

TEST_F(SampleStream, LongFileFillsTheWindowWithoutZeroTail) {
    std::vector<std::int16_t> samples(258144 + 10, 7);
    open_recording(samples);
    EXPECT_EQ(run.window->data_end, window_slots);
    EXPECT_EQ(run.window->slots[window_slots - 1], 7.0f);
}

TEST_F(SampleStream, SlideKeepsHistoryAndAbsoluteIndices) {
    std::vector<std::int16_t> samples(600000);
    for (std::size_t k = 0; k < samples.size(); ++k) samples[k] = static_cast<std::int16_t>(k % 30000);
    open_recording(samples);
    run.window->cursor = 258143;
    slide_window(run);  // below the threshold: nothing happens
    EXPECT_EQ(run.window->cursor, 258143);

    run.window->cursor = 258144;
    const std::int32_t before = absolute_index(run, run.window->cursor);
    slide_window(run);
    EXPECT_EQ(run.window->cursor, 4000);
    EXPECT_EQ(run.window->origin_offset, -8000 + 508288);
    EXPECT_EQ(absolute_index(run, run.window->cursor), before);
    EXPECT_EQ(slot_of(run, before), 4000);
    // Every slot holds the sample of its absolute index, history and refill alike.
    for (int s = 0; s < window_slots; ++s) {
        ASSERT_EQ(run.window->slots[s], static_cast<float>(absolute_index(run, s) % 30000)) << s;
    }
}

TEST_F(SampleStream, SlideAfterTheEndReadsNothingAndLeavesZeros) {
    // Exactly two windows' worth: the second slide finds the file used up.
    std::vector<std::int16_t> samples(258144 + 254144, 3);
    open_recording(samples);
    run.window->cursor = 258144;
    slide_window(run);
    EXPECT_EQ(run.window->data_end, window_slots);
    run.window->cursor = 258144;
    slide_window(run);
    EXPECT_EQ(run.window->data_end, 8000);
    EXPECT_EQ(absolute_index(run, run.window->data_end), 512288);
    EXPECT_EQ(run.window->slots[7999], 3.0f);
    for (int s = 8000; s < window_slots; ++s) ASSERT_EQ(run.window->slots[s], 0.0f) << s;
}

TEST_F(SampleStream, PolarityInversionAppliesToWindowAndLaterReads) {
    std::vector<std::int16_t> samples(300000, 5);
    samples[0] = -32768;
    open_recording(samples);
    invert_polarity(run);
    EXPECT_EQ(run.window->slots[4000], 32768.0f);
    EXPECT_EQ(run.window->slots[4001], -5.0f);
    EXPECT_EQ(run.window->polarity, -1);
    run.window->cursor = 258144;
    slide_window(run);
    EXPECT_EQ(run.window->slots[run.window->data_end - 1], -5.0f);  // read after the inversion
    invert_polarity(run);
    EXPECT_EQ(run.window->polarity, 1);
    EXPECT_EQ(run.window->slots[run.window->data_end - 1], 5.0f);
}
TEST_F(SampleStream, ReadErrorIsToldApartFromTheEnd) {
    run.source->recording = std::fopen((dir.path + "/out.raw").c_str(), "wb");  // reads fail on a stream opened for writing
    read_samples(run, history_slots);
    EXPECT_TRUE(run.source->recording_read_error);
    EXPECT_EQ(run.window->data_end, history_slots);
}
}  // namespace
