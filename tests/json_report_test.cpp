// NAME.json and --json: the report says where a failed block is weak, so that
// a person can re-record that stretch or look at it with --frames.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

#include "support/test_files.h"
#include "support/test_tapes.h"

namespace {
using JsonReportTest = FolderTest;

TEST_F(JsonReportTest, AFailedBlockNamesDoubtfulBitsInsideItsDamagedStretch) {
    const std::vector<TapBlock> tape{make_header(3, "weak", 600, 32768, 0), make_data_block(0xFF, pattern(600, 5))};
    EncoderOptions options;
    options.waveform = Waveform::rounded;
    options.noise = 800;
    options.seed = 21;
    std::vector<std::int16_t> samples = encode_blocks(tape, options);
    // 8 ms of silence in the data block's bytes: its pulses are lost for good.
    const std::size_t from = samples.size() - static_cast<std::size_t>(48000 * (options.pause_s + 2.0)), to = from + 384;
    for (std::size_t k = from; k < to; ++k) samples[k] = 0;
    write_bytes(at("weak.raw"), samples_as_bytes(samples));

    const CliResult r = run_cli({"--json", "--no-window", "weak.raw"}, dir.path);
    EXPECT_EQ(r.status, 2) << r.err;
    ASSERT_EQ(r.out.find('\n'), r.out.size() - 1) << "one object on one line, and nothing else: " << r.out;
    const nlohmann::json printed = nlohmann::json::parse(r.out);
    EXPECT_EQ(printed, nlohmann::json::parse(text_of("weak/weak.json"))) << "the file and standard output differ";
    ASSERT_EQ(printed["blocks"].size(), 2u);
    const nlohmann::json& failed = printed["blocks"][1];
    EXPECT_EQ(failed["checksum"], "Error");
    EXPECT_EQ(failed["tap_file"], "000_Noname.tap");
    EXPECT_EQ(failed["tap_record"], 1);
    bool inside = false;
    for (const nlohmann::json& bit : failed["doubtful_bits"]) {
        const std::int64_t at = bit["sample"];
        inside |= at >= static_cast<std::int64_t>(from) && at <= static_cast<std::int64_t>(to);
    }
    EXPECT_TRUE(inside) << failed.dump(1);
    EXPECT_EQ(printed["summary"]["checksum_errors"], 1);
    EXPECT_EQ(printed["status"], 2);
}

// Several recordings, or a merge: one object a line on standard output and
// nothing else, in the order of the command line.
TEST_F(JsonReportTest, SeveralRunsAndAMergePrintOneObjectALine) {
    for (const std::uint32_t seed : {1u, 2u}) {
        EncoderOptions options;
        options.noise = 500;
        options.seed = seed;
        write_bytes(at("take" + std::to_string(seed) + ".raw"),
                    samples_as_bytes(encode_blocks({make_data_block(0xFF, pattern(300, 9))}, options)));
    }
    const struct {
        std::vector<std::string> options;
        std::vector<std::string> recordings;
    } cases[] = {{{"-j", "2"}, {dir.path + "/take1.raw", dir.path + "/take2.raw"}},
                 {{"--merge"}, {"take1.raw + take2.raw"}}};
    for (const auto& c : cases) {
        std::vector<std::string> args = c.options;
        args.insert(args.end(), {"--json", "--no-window", "--out", c.options[0].substr(2), "take1.raw", "take2.raw"});
        const CliResult r = run_cli(args, dir.path);
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::string> seen;
        for (std::size_t from = 0, end; (end = r.out.find('\n', from)) != std::string::npos; from = end + 1) {
            seen.push_back(nlohmann::json::parse(r.out.substr(from, end - from))["recording"]);
        }
        EXPECT_EQ(seen, c.recordings) << r.out;
    }
}
}  // namespace
