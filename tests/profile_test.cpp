// The four builds share everything but a few values: each must recover a clean
// tape, and the 2.0 decoder's switches must show where they act.
#include <gtest/gtest.h>

#include <string>

#include "support/test_files.h"
#include "support/test_tapes.h"

namespace {
struct Profile {
    const char* name;
    const char* program;
};
const Profile profiles[] = {{"2.01", VELLIQOR_CLI},
                            {"2.01-compact", VELLIQOR_CLI_2_01_COMPACT},
                            {"2.0", VELLIQOR_CLI_2_0},
                            {"2.0-long", VELLIQOR_CLI_2_0_LONG}};

class Profiles : public ::testing::Test {
protected:
    void SetUp() override { dir = make_temp_dir(); }
    void TearDown() override { remove_temp_dir(dir); }
    // Runs a profile on the samples; returns the blocks of its first TAP file.
    std::vector<TapBlock> recover(const Profile& p, const std::vector<std::int16_t>& samples, const std::string& name) {
        write_bytes(dir.path + "/" + name + ".raw", samples_as_bytes(samples));
        const CliResult r = run_program(p.program, {name + ".raw"}, dir.path);
        EXPECT_NE(r.status, 1) << p.name << r.err;
        return parse_tap(read_bytes(dir.path + "/" + name + "/000_Noname.tap"));
    }
    TempDir dir;
};

TEST_F(Profiles, EveryProfileRecoversACleanTapeExactly) {
    EncoderOptions options;
    options.waveform = Waveform::rounded;
    options.speed = 1.02;
    const std::vector<TapBlock> tape = test_tape();
    const std::vector<std::int16_t> samples = encode_blocks(tape, options);
    for (const Profile& p : profiles) {
        EXPECT_EQ(recover(p, samples, p.name), std::vector<TapBlock>(tape.begin(), tape.begin() + 1)) << p.name;
        EXPECT_EQ(parse_tap(read_bytes(dir.path + "/" + p.name + "/001_prog one.tap")),
                  std::vector<TapBlock>(tape.begin() + 1, tape.end()))
            << p.name;
    }
}

TEST_F(Profiles, WithoutGapEstimatesLostZerosStayLost) {
    // 0x9F between 0xFF bytes, its two '0' cycles lost in a dropout.
    const std::vector<std::int16_t> samples = bit_pattern("11111111" "1xx11111" "11111111" "11111111");
    const std::vector<TapBlock> estimated = recover(profiles[0], samples, "estimated");
    ASSERT_EQ(estimated.size(), 1u);
    EXPECT_EQ(estimated[0][1], 0x9F);
    const std::vector<TapBlock> skipped = recover(profiles[2], samples, "skipped");
    ASSERT_EQ(skipped.size(), 1u);
    EXPECT_EQ(skipped[0][1], 0xFF);  // the next '1's slide into the place of the lost '0's
}

TEST_F(Profiles, CompactProfileDrawsASmallerPicture) {
    write_bytes(dir.path + "/t.raw", samples_as_bytes(bit_pattern("10101010")));
    ASSERT_NE(run_program(VELLIQOR_CLI_2_01_COMPACT, {"--snapshot", "small.png", "t.raw"}, dir.path).status, 1);
    const std::vector<std::uint8_t> png = read_bytes(dir.path + "/small.png");
    ASSERT_GT(png.size(), 24u);
    const auto be32 = [&](std::size_t at) { return png[at] << 24 | png[at + 1] << 16 | png[at + 2] << 8 | png[at + 3]; };
    EXPECT_EQ(be32(16), 790);  // IHDR width and height
    EXPECT_EQ(be32(20), 540);
}
}  // namespace
