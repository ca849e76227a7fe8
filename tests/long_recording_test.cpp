// Positions far into a recording: beyond where 32-bit screen origins and byte
// offsets would wrap, and up to the last position a sample index can name.
// The recordings start there through a test seam instead of being gigabytes long.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "support/in_process_run.h"
#include "input/sample_stream.h"
#include "support/test_files.h"
#include "support/test_tapes.h"
#include "view/canvas.h"

namespace {
class LongRecording : public ::testing::Test {
protected:
    void SetUp() override {
        dir = make_temp_dir();
        char current[4096];
        previous = getcwd(current, sizeof current) != nullptr ? current : "/tmp";
    }
    void TearDown() override {
        canvas_destroy();
        if (chdir(previous.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << previous;
        remove_temp_dir(dir);
    }
    // Runs the whole job, drawn, on samples whose first one has the absolute index `first`.
    int run_from(std::int64_t first, const std::vector<std::int16_t>& samples) {
        write_bytes(dir.path + "/late.raw", samples_as_bytes(samples));
        EXPECT_EQ(chdir(dir.path.c_str()), 0);  // as the front ends leave it: the recording's folder
        EXPECT_TRUE(canvas_create(800, 680));
        RunSettings settings;
        settings.first_sample_index = first;
        ::Run run;
        return run_in_process(run, dir.path + "/late.raw", settings).status;
    }
    std::string log() {
        const std::vector<std::uint8_t> bytes = read_bytes(dir.path + "/late/Log.txt");
        return std::string(bytes.begin(), bytes.end());
    }
    TempDir dir;
    std::string previous;
};

std::vector<TapBlock> three_blocks() {
    const std::vector<TapBlock> tape = test_tape();
    return {tape[1], tape[2], tape[3]};
}

std::vector<std::int16_t> recording_of(const std::vector<TapBlock>& blocks) {
    EncoderOptions options;
    options.waveform = Waveform::rounded;
    return encode_blocks(blocks, options);
}

TEST_F(LongRecording, BlocksPastTheThirtyTwoBitScreenOriginAreRecoveredWithTheirTimes) {
    // 1.1e9 samples: four times that overflows 32 bits, twice it the signed range.
    EXPECT_EQ(run_from(1100000000, recording_of(three_blocks())), exit_ok);
    EXPECT_EQ(parse_tap(read_bytes(dir.path + "/late/000_prog one.tap")), three_blocks());
    EXPECT_NE(log().find("\r\n381:57-382:02 Program: prog one   Start: 00010"), std::string::npos) << log();
}

TEST_F(LongRecording, RecordingGoingPastTheLastPositionStopsThereAndKeepsWhatCameBefore) {
    const std::vector<std::int16_t> samples = recording_of(three_blocks());
    // The end of the nameable range falls inside the last block.
    const std::int64_t first = last_sample_index + 1 - static_cast<std::int64_t>(samples.size()) + 100000;
    testing::internal::CaptureStderr();
    const int status = run_from(first, samples);
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, exit_output_lost);
    EXPECT_NE(err.find("the recording is longer than"), std::string::npos) << err;
    const std::vector<TapBlock> kept = parse_tap(read_bytes(dir.path + "/late/000_prog one.tap"));
    ASSERT_GE(kept.size(), 2u);
    EXPECT_EQ(kept[0], three_blocks()[0]);
    EXPECT_EQ(kept[1], three_blocks()[1]);
}
}  // namespace
