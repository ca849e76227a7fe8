// A failing block of fewer than 4 bytes is noise to the main command: logged
// as a fragment, kept out of the files and the status. --one-pass and the
// profile commands give the reference reading, which stores it.
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
}  // namespace
