// Every flag byte a block can begin with, custom loaders' included, from
// clean recordings made by the project's encoder and by tape2wav.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "support/test_files.h"
#include "tools/tape_encoder.h"

namespace {
using FlagSweep = FolderTest;

// 256 blocks, one a flag. A flag 0x00 block is read as a header, 19 bytes
// long, so that one is: its type byte (4) makes it no standard header.
std::vector<TapBlock> every_flag() {
    std::vector<TapBlock> blocks;
    for (int flag = 0; flag < 256; ++flag) {
        std::vector<std::uint8_t> payload(flag == 0 ? 17 : 20);
        for (std::size_t k = 0; k < payload.size(); ++k) payload[k] = static_cast<std::uint8_t>(flag * 7 + k * 13);
        if (flag == 0) payload[0] = 4;
        blocks.push_back(make_data_block(static_cast<std::uint8_t>(flag), payload));
    }
    return blocks;
}

TEST_F(FlagSweep, EveryFlagByteDecodesExactly) {
    const std::vector<TapBlock> tape = every_flag();
    EncoderOptions square, rounded_inverted;
    square.pause_s = rounded_inverted.pause_s = 0.3;
    rounded_inverted.waveform = Waveform::rounded;
    rounded_inverted.invert = true;
    write_bytes(at("square.raw"), samples_as_bytes(encode_blocks(tape, square)));
    write_bytes(at("rounded.raw"), samples_as_bytes(encode_blocks(tape, rounded_inverted)));
    std::vector<std::string> recordings{"square.raw", "rounded.raw"};
    if (access("/usr/bin/tape2wav", X_OK) == 0) {
        std::vector<std::uint8_t> tap;
        for (const TapBlock& b : tape) {
            tap.push_back(static_cast<std::uint8_t>(b.size() & 0xFF));
            tap.push_back(static_cast<std::uint8_t>(b.size() >> 8));
            tap.insert(tap.end(), b.begin(), b.end());
        }
        write_bytes(at("all.tap"), tap);
        ASSERT_EQ(run_program("/usr/bin/tape2wav", {"-r", "48000", "all.tap", "tape2wav.wav"}, dir.path).status, 0);
        recordings.push_back("tape2wav.wav");
    }
    for (const std::string& r : recordings) {
        const CliResult run = run_cli({"--quiet", "--no-window", r}, dir.path);
        EXPECT_EQ(run.status, 0) << r << run.err;
        const std::string folder = r.substr(0, r.find('.'));
        const std::vector<TapBlock> got = parse_tap(bytes_of(folder + "/000_Noname.tap"));
        ASSERT_EQ(got.size(), tape.size()) << r;
        for (std::size_t k = 0; k < tape.size(); ++k) EXPECT_EQ(got[k], tape[k]) << r << ": flag " << k;
    }
}
}  // namespace
