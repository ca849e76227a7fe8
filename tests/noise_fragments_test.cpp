// A block of fewer than 4 bytes that fails its checksum, or passes it only on
// bits the decoder filled in, is noise to the main command: logged as a
// fragment, kept out of the files and the status, unless a second reading
// finds the block whole. --one-pass and the profile commands give the
// reference reading, which stores it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_files.h"
#include "tools/tape_encoder.h"

namespace {
using NoiseFragments = FolderTest;

TEST_F(NoiseFragments, TheMainCommandLeavesThemOutAndTheReferenceReadingKeepsThem) {
    const TapBlock noise{0x55, 0x01, 0x02};  // three bytes whose XOR is not 0
    write_bytes(at("tape.raw"), samples_as_bytes(encode_blocks(
                                    {make_header(0, "frag", 4, 10, 4), make_data_block(0xFF, {1, 2, 3, 4}), noise}, {})));
    const struct {
        std::string program;
        std::vector<std::string> options;
        int status;
        std::size_t records;
        bool fragment;
    } cases[] = {
        {VELLIQOR_CLI, {}, 0, 2, true},
        {VELLIQOR_CLI, {"--one-pass"}, 2, 3, false},
        {VELLIQOR_CLI_2_01_COMPACT, {}, 2, 3, false},
    };
    int k = 0;
    for (const auto& c : cases) {
        const std::string out = "out" + std::to_string(k++);
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"--quiet", "--no-window", "--out", out, "tape.raw"});
        const CliResult r = run_program(c.program, args, dir.path);
        const std::string what = c.program + (c.options.empty() ? "" : " " + c.options[0]);
        EXPECT_EQ(r.status, c.status) << what << r.err;
        EXPECT_EQ(parse_tap(bytes_of(out + "/tape/000_frag.tap")).size(), c.records) << what;
        const std::string log = text_of(out + "/tape/Log.txt");
        EXPECT_NE(log.find("Len: 00003"), std::string::npos) << what << log;
        EXPECT_EQ(log.find("Checksum: Error, Fragment: not stored") != std::string::npos, c.fragment) << what << log;
    }
}

// A last block of three zero bytes whose end fades 40 dB for 200 samples, a
// little before the pause: one pass fills in what it lost and the XOR of
// zeros holds.
TEST_F(NoiseFragments, AFewBytesThatPassOnlyOnFilledBitsAreReadAgainOrLeftOut) {
    EncoderOptions options;
    const std::vector<std::int16_t> clean = encode_blocks(
        {make_header(0, "fill", 4, 10, 4), make_data_block(0xFF, {1, 2, 3, 4}), TapBlock{0, 0, 0}}, options);
    const struct {
        int fade_before_end;  // samples from the fade to the pause
        TapBlock main_last;   // the main command's last record
        const char* main_log;
    } cases[] = {
        {300, {0xFF, 1, 2, 3, 4, 0xFB}, "Fragment: not stored"},
        {500, {0, 0, 0}, "Second pass: zero crossings"},
    };
    for (const auto& c : cases) {
        std::vector<std::int16_t> samples = clean;
        const std::size_t fade = samples.size() - static_cast<std::size_t>(options.pause_s * 48000) - c.fade_before_end;
        for (std::size_t k = fade; k < fade + 200; ++k) samples[k] = static_cast<std::int16_t>(samples[k] / 100);
        write_bytes(at("tape.raw"), samples_as_bytes(samples));
        const std::string what = "faded " + std::to_string(c.fade_before_end) + " samples before the pause";
        for (const bool one_pass : {false, true}) {
            const std::string out = std::string(one_pass ? "one" : "main") + std::to_string(c.fade_before_end);
            std::vector<std::string> args{"--quiet", "--no-window", "--out", out, "tape.raw"};
            if (one_pass) args.insert(args.begin(), "--one-pass");
            const CliResult r = run_program(VELLIQOR_CLI, args, dir.path);
            EXPECT_EQ(r.status, 0) << what << r.err;
            const std::vector<TapBlock> records = parse_tap(bytes_of(out + "/tape/000_fill.tap"));
            ASSERT_EQ(records.size(), 3u - (!one_pass && c.fade_before_end == 300)) << what;
            if (one_pass) {
                EXPECT_NE(text_of(out + "/tape/Log.txt").find("Len: 00002, Speed: 099-100%, Checksum: OK, Rest0"),
                          std::string::npos) << what;
            } else {
                EXPECT_EQ(records.back(), c.main_last) << what;
                EXPECT_NE(text_of(out + "/tape/Log.txt").find(c.main_log), std::string::npos) << what;
            }
        }
    }
}
}  // namespace
