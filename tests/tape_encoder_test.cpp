#include "tools/tape_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>

namespace fs = std::filesystem;

namespace {

constexpr double samples_per_t = 48000.0 / 3.5e6;

struct LevelRun {
    int sign;
    std::size_t length;
};

// Lengths of the stretches of equal sign, which for a square wave are the half-periods.
std::vector<LevelRun> runs_of(const std::vector<std::int16_t>& samples) {
    std::vector<LevelRun> runs;
    for (std::int16_t s : samples) {
        const int sign = (s > 0) - (s < 0);
        if (runs.empty() || runs.back().sign != sign) runs.push_back({sign, 0});
        ++runs.back().length;
    }
    return runs;
}

double mean_length(const std::vector<LevelRun>& runs, std::size_t first, std::size_t count) {
    double sum = 0;
    for (std::size_t i = first; i < first + count; ++i) sum += static_cast<double>(runs.at(i).length);
    return sum / static_cast<double>(count);
}

EncoderOptions bare_options() {
    EncoderOptions options;
    options.lead_silence_s = 0;
    options.pause_s = 0;
    return options;
}

std::vector<std::int16_t> bare_block(const TapBlock& block, EncoderOptions options = bare_options()) {
    return encode_blocks({block}, options);
}

fs::path fresh_folder() {
    const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    fs::path folder = fs::temp_directory_path() / ("velliqor_encoder_" + test + "_" + std::to_string(stamp));
    fs::create_directories(folder);
    return folder;
}

std::vector<std::uint8_t> file_bytes(const fs::path& path) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(read_file(path.string(), bytes));
    return bytes;
}

}  // namespace

TEST(EncoderTimings, PilotEdgesStayWithinHalfASampleOfExactTime) {
    PulseTrain train = pulse_train_begin(bare_options());
    for (int i = 0; i < 100000; ++i) pulse_train_half(train, 2168);
    const std::vector<LevelRun> runs = runs_of(pulse_train_end(train));
    ASSERT_EQ(runs.size(), 100000u);
    double edge = 0;
    for (std::size_t k = 0; k < runs.size(); ++k) {
        edge += static_cast<double>(runs[k].length);
        ASSERT_LE(std::fabs(edge - (k + 1) * 2168 * samples_per_t), 0.5) << "half-period " << k;
    }
    EXPECT_NEAR(mean_length(runs, 0, runs.size()), 29.73, 0.005);
}

TEST(EncoderTimings, ZeroAndOneBitsSpanTheirLengths) {
    EncoderOptions options = bare_options();
    options.pilot_pulses = 0;
    const std::vector<LevelRun> zeros = runs_of(bare_block(TapBlock(200, 0x00), options));
    const std::vector<LevelRun> ones = runs_of(bare_block(TapBlock(200, 0xFF), options));
    // Two sync halves, 16 halves a byte, the closing pulse.
    ASSERT_EQ(zeros.size(), 2 + 200 * 16 + 1u);
    ASSERT_EQ(ones.size(), zeros.size());
    EXPECT_NEAR(2 * mean_length(zeros, 2, 3200), 855 * 2 * samples_per_t, 0.001);  // 23.45
    EXPECT_NEAR(2 * mean_length(ones, 2, 3200), 1710 * 2 * samples_per_t, 0.001);  // 46.90
}

TEST(EncoderTimings, SpeedAndRateScaleEveryHalfPeriod) {
    EncoderOptions options = bare_options();
    options.pilot_pulses = 3000;
    options.speed = 1.05;
    EXPECT_NEAR(mean_length(runs_of(bare_block({0xFF}, options)), 0, 3000), 2168 * samples_per_t / 1.05, 0.005);
    options.speed = 1.0;
    options.sample_rate = 44100;
    EXPECT_NEAR(mean_length(runs_of(bare_block({0xFF}, options)), 0, 3000), 2168 * 44100 / 3.5e6, 0.005);
}

TEST(EncoderBlockLayout, PilotLengthFollowsTheFlagUnlessOverridden) {
    EXPECT_EQ(runs_of(bare_block({0x00})).size(), 8063 + 2 + 16 + 1u);
    EXPECT_EQ(runs_of(bare_block({0x7F})).size(), 8063 + 2 + 16 + 1u);
    EXPECT_EQ(runs_of(bare_block({0x80})).size(), 3223 + 2 + 16 + 1u);
    EncoderOptions options = bare_options();
    options.pilot_pulses = 10;
    EXPECT_EQ(runs_of(bare_block({0x00}, options)).size(), 10 + 2 + 16 + 1u);
}

TEST(EncoderBlockLayout, SyncBitsMostSignificantFirstAndClosingPulse) {
    EncoderOptions options = bare_options();
    options.pilot_pulses = 4;
    const std::vector<LevelRun> runs = runs_of(bare_block({0x80}, options));
    ASSERT_EQ(runs.size(), 4 + 2 + 16 + 1u);
    EXPECT_NEAR(static_cast<double>(runs[4].length), 667 * samples_per_t, 1.0);
    EXPECT_NEAR(static_cast<double>(runs[5].length), 735 * samples_per_t, 1.0);
    for (std::size_t i = 6; i < 22; ++i)
        EXPECT_NEAR(static_cast<double>(runs[i].length), (i < 8 ? 1710 : 855) * samples_per_t, 1.0) << i;
    EXPECT_EQ(runs[22].length, 48u);
    EXPECT_EQ(runs[22].sign, -runs[21].sign);
}

TEST(EncoderBlockLayout, LeadSilenceAndPauseAreExactZeros) {
    EncoderOptions options;
    options.pilot_pulses = 2;
    const std::vector<LevelRun> runs = runs_of(encode_blocks({{0x01}, {0x02}}, options));
    ASSERT_EQ(runs.size(), 2 * (2 + 2 + 16 + 1 + 1) + 1u);
    EXPECT_EQ(runs.front().sign, 0);
    EXPECT_EQ(runs.front().length, 24000u);
    EXPECT_EQ(runs[22].sign, 0);
    EXPECT_EQ(runs[22].length, 48000u);
    EXPECT_EQ(runs.back().length, 48000u);
}

TEST(EncoderLevels, StartsPositiveAtTheAmplitudeAndInvertNegatesAll) {
    EncoderOptions options;
    options.amplitude = 12345;
    const std::vector<std::int16_t> plain = encode_blocks({{0x00, 0x5A}}, options);
    EXPECT_EQ(plain[24000], 12345);
    EXPECT_EQ(*std::max_element(plain.begin(), plain.end()), 12345);
    EXPECT_EQ(*std::min_element(plain.begin(), plain.end()), -12345);
    options.invert = true;
    const std::vector<std::int16_t> inverted = encode_blocks({{0x00, 0x5A}}, options);
    ASSERT_EQ(inverted.size(), plain.size());
    for (std::size_t i = 0; i < plain.size(); ++i) ASSERT_EQ(inverted[i], -plain[i]) << i;
}

TEST(EncoderLevels, RoundedEdgesKeepTheCrossingsAndTakeAbout100Microseconds) {
    EncoderOptions options = bare_options();
    options.pilot_pulses = 100;
    const std::vector<std::int16_t> square = bare_block({0xA5}, options);
    options.waveform = Waveform::rounded;
    const std::vector<std::int16_t> rounded = bare_block({0xA5}, options);
    ASSERT_EQ(rounded.size(), square.size());
    std::size_t between = 0;
    for (std::size_t i = 0; i < square.size(); ++i) {
        ASSERT_LE(std::abs(rounded[i]), 16000);
        if (square[i] != 0) {
            ASSERT_EQ((square[i] > 0) - (square[i] < 0), (rounded[i] > 0) - (rounded[i] < 0)) << i;
        }
        if (std::abs(rounded[i]) < 15900) ++between;
    }
    // 4.8 samples wide: 4 samples inside each ramp.
    const std::size_t edges = runs_of(square).size();
    EXPECT_GE(between, 4 * (edges - 1));
    EXPECT_LE(between, 5 * edges);
}

TEST(EncoderNoise, SeedDecidesTheSamplesAndTheGeneratorIsPinned) {
    EncoderOptions options;
    options.noise = 1000;
    options.lead_silence_s = 8 / 48000.0;
    // Recordings must not change between builds or platforms.
    const std::vector<std::int16_t> seed_1{-28, -1066, -228, 83, 103, -1270, -506, -74};
    EXPECT_EQ(encode_blocks({}, options), seed_1);
    options.seed = 2;
    EXPECT_NE(encode_blocks({}, options), seed_1);
    EXPECT_EQ(encode_blocks({}, options), encode_blocks({}, options));
}

TEST(EncoderNoise, SilenceGetsNoiseOfTheGivenDeviation) {
    EncoderOptions options;
    options.noise = 300;
    options.lead_silence_s = 2;
    const std::vector<std::int16_t> samples = encode_blocks({}, options);
    ASSERT_EQ(samples.size(), 96000u);
    double sum = 0, squares = 0;
    for (std::int16_t s : samples) sum += s, squares += double(s) * s;
    const double mean = sum / 96000;
    EXPECT_NEAR(mean, 0, 5);
    EXPECT_NEAR(std::sqrt(squares / 96000 - mean * mean), 300, 6);
}

TEST(EncoderClipping, LevelsAndNoiseStopAtTheSixteenBitLimits) {
    EncoderOptions options;
    options.amplitude = 40000;
    std::vector<std::int16_t> samples = encode_blocks({{0x00}}, options);
    EXPECT_EQ(*std::max_element(samples.begin(), samples.end()), 32767);
    EXPECT_EQ(*std::min_element(samples.begin(), samples.end()), -32768);
    options.amplitude = 16000;
    options.noise = 100000;
    samples = encode_blocks({}, options);
    EXPECT_GT(std::count(samples.begin(), samples.end(), 32767), 100);
    EXPECT_GT(std::count(samples.begin(), samples.end(), -32768), 100);
}

TEST(EncoderOptionsCheck, NonsenseIsRefused) {
    const auto refused = [](int rate, double speed, double noise) {
        EncoderOptions options;
        options.sample_rate = rate, options.speed = speed, options.noise = noise;
        EXPECT_THROW(pulse_train_begin(options), std::invalid_argument);
    };
    refused(0, 1, 0), refused(48000, 0, 0), refused(48000, 1, -1), refused(48000, 1, std::nan(""));
    PulseTrain train = pulse_train_begin(EncoderOptions());
    EXPECT_THROW(pulse_train_half(train, -1), std::invalid_argument);
    EXPECT_THROW(pulse_train_silence(train, std::nan("")), std::invalid_argument);
}

TEST(BlockBuilders, HeaderFieldsAndChecksum) {
    const TapBlock header = make_header(3, "screen", 6912, 16384, 32768);
    const TapBlock fields{0x00, 0x03, 's', 'c', 'r', 'e', 'e', 'n', ' ', ' ', ' ', ' ', 0x00, 0x1B, 0x00, 0x40, 0x00, 0x80};
    ASSERT_EQ(header.size(), 19u);
    EXPECT_EQ(TapBlock(header.begin(), header.end() - 1), fields);
    EXPECT_EQ(xor_checksum(header.data(), header.size()), 0);
    const TapBlock long_name = make_header(0, "averyverylongname", 1, 10, 1);
    EXPECT_EQ(std::string(long_name.begin() + 2, long_name.begin() + 12), "averyveryl");
    EXPECT_THROW(make_header(0, "x", 65536, 0, 0), std::invalid_argument);
    EXPECT_THROW(make_header(256, "x", 0, 0, 0), std::invalid_argument);
    EXPECT_THROW(make_header(0, "x", 0, -1, 0), std::invalid_argument);
}

TEST(BlockBuilders, DataBlockAppendsXorOfFlagAndPayload) {
    EXPECT_EQ(make_data_block(0xFF, {0x01, 0x02, 0x03}), (TapBlock{0xFF, 0x01, 0x02, 0x03, 0xFF}));
    EXPECT_EQ(make_data_block(0xFF, {0x0F}), (TapBlock{0xFF, 0x0F, 0xF0}));
    EXPECT_EQ(make_data_block(0x42, {}), (TapBlock{0x42, 0x42}));
}

TEST(TapFiles, RoundTripWithLittleEndianLengths) {
    const std::vector<TapBlock> blocks{make_header(0, "prog", 300, 10, 300), TapBlock(300, 0xAB), TapBlock()};
    const std::vector<std::uint8_t> tap = make_tap(blocks);
    ASSERT_EQ(tap.size(), 2 + 19 + 2 + 300 + 2u);
    EXPECT_EQ(tap[0], 19);
    EXPECT_EQ(tap[1], 0);
    EXPECT_EQ(tap[21], 0x2C);
    EXPECT_EQ(tap[22], 0x01);
    EXPECT_EQ(parse_tap(tap), blocks);
    EXPECT_THROW(make_tap({TapBlock(65536, 0)}), std::length_error);
}

TEST(TapFiles, TruncatedInputKeepsOnlyCompleteRecords) {
    const std::vector<TapBlock> blocks{{0x00, 0x01, 0x02}, {0xFF, 0x10}};
    const std::vector<std::uint8_t> tap = make_tap(blocks);
    for (std::size_t cut = 0; cut <= tap.size(); ++cut) {
        const std::vector<TapBlock> parsed = parse_tap(std::vector<std::uint8_t>(tap.begin(), tap.begin() + cut));
        const std::size_t complete = cut < 5 ? 0 : cut < 9 ? 1 : 2;
        EXPECT_EQ(parsed, std::vector<TapBlock>(blocks.begin(), blocks.begin() + complete)) << "cut at " << cut;
    }
    EXPECT_TRUE(parse_tap({0xFF, 0xFF, 0x00}).empty());
}

TEST(SampleFiles, WavHeaderIsCanonical) {
    const fs::path folder = fresh_folder();
    const fs::path path = folder / "out.wav";
    ASSERT_TRUE(write_samples(path.string(), {1, -2, 0x1234}, true, 48000));
    const std::vector<std::uint8_t> expected{
        'R', 'I', 'F', 'F', 42, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' ', 16, 0, 0, 0, 1, 0, 1, 0,
        0x80, 0xBB, 0, 0, 0x00, 0x77, 0x01, 0, 2, 0, 16, 0, 'd', 'a', 't', 'a', 6, 0, 0, 0,
        0x01, 0x00, 0xFE, 0xFF, 0x34, 0x12};
    EXPECT_EQ(file_bytes(path), expected);
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);  // no temporary left
    fs::remove_all(folder);
}

TEST(SampleFiles, RawIsLittleEndianAndReplacesAnOldFile) {
    const fs::path folder = fresh_folder();
    const fs::path path = folder / "out.raw";
    ASSERT_TRUE(write_samples(path.string(), std::vector<std::int16_t>(100, 5), false, 48000));
    ASSERT_TRUE(write_samples(path.string(), {-32768, 32767}, false, 48000));
    EXPECT_EQ(file_bytes(path), (std::vector<std::uint8_t>{0x00, 0x80, 0xFF, 0x7F}));
    fs::remove_all(folder);
}

TEST(SampleFiles, FailuresReturnFalseAndLeaveNothing) {
    const fs::path folder = fresh_folder();
    EXPECT_FALSE(write_samples((folder / "missing" / "out.wav").string(), {1}, true, 48000));
    fs::create_directory(folder / "taken");
    EXPECT_FALSE(write_samples((folder / "taken").string(), {1}, true, 48000));
    EXPECT_TRUE(fs::is_directory(folder / "taken"));
    EXPECT_FALSE(write_samples((folder / "bad_rate.wav").string(), {1}, true, 0));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
    std::vector<std::uint8_t> bytes{9};
    EXPECT_FALSE(read_file((folder / "nothing").string(), bytes));
    EXPECT_FALSE(read_file((folder / "taken").string(), bytes));
    EXPECT_EQ(bytes, std::vector<std::uint8_t>{9});
    fs::remove_all(folder);
}

#ifdef VELLIQOR_SOURCE_DIR
TEST(DemoTape, HoldsTheDescribedBlocksAndFitsInAMinute) {
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(read_file(std::string(VELLIQOR_SOURCE_DIR) + "/resources/demo.tap", bytes));
    const std::vector<TapBlock> blocks = parse_tap(bytes);
    ASSERT_EQ(make_tap(blocks), bytes);
    ASSERT_EQ(blocks.size(), 5u);
    for (const TapBlock& block : blocks) EXPECT_EQ(xor_checksum(block.data(), block.size()), 0);
    EXPECT_EQ(std::string(blocks[0].begin() + 1, blocks[0].begin() + 12), std::string("\0velliqor  ", 11));
    EXPECT_EQ(blocks[0][14] | blocks[0][15] << 8, 10);  // autostart line
    EXPECT_EQ(blocks[0][12] | blocks[0][13] << 8, static_cast<int>(blocks[1].size() - 2));
    EXPECT_EQ(blocks[2], make_header(3, "screen", 6912, 16384, 32768));
    EXPECT_EQ(blocks[3].size(), 6914u);
    EXPECT_EQ(blocks[4][0], 0xFF);
    // The program's lines chain exactly to its end.
    const TapBlock& program = blocks[1];
    std::size_t at = 1;
    std::vector<int> numbers;
    while (at + 4 <= program.size() - 1) {
        numbers.push_back(program[at] << 8 | program[at + 1]);
        at += 4 + (program[at + 2] | program[at + 3] << 8);
        ASSERT_EQ(program.at(at - 1), 0x0D);
    }
    EXPECT_EQ(at, program.size() - 1);
    EXPECT_EQ(numbers, (std::vector<int>{10, 20, 30, 40}));
    EXPECT_LT(encode_blocks(blocks, EncoderOptions()).size(), 60u * 48000);
}
#endif

#ifdef VELLIQOR_MAKE_RECORDING
#include <sys/wait.h>

#include <fstream>

namespace {
void put_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    ASSERT_TRUE(out.good());
}

int run_tool(const std::string& arguments) {
    const std::string command = std::string(VELLIQOR_MAKE_RECORDING) + " " + arguments + " >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
}  // namespace

TEST(MakeRecordingTool, ExitStatusTellsUsageFromInputErrors) {
    const fs::path folder = fresh_folder();
    const std::string tap = (folder / "in.tap").string();
    const std::string out = (folder / "out.wav").string();
    put_file(tap, {});
    EXPECT_EQ(run_tool("--help"), 0);
    EXPECT_EQ(run_tool(""), 2);
    EXPECT_EQ(run_tool("--speed fast " + tap + " " + out), 2);
    EXPECT_EQ(run_tool("--speed 0 " + tap + " " + out), 2);
    EXPECT_EQ(run_tool("--seed -1 " + tap + " " + out), 2);
    EXPECT_EQ(run_tool("--bogus " + tap + " " + out), 2);
    EXPECT_EQ(run_tool(tap + " " + out + " extra"), 2);
    EXPECT_EQ(run_tool((folder / "nothing.tap").string() + " " + out), 1);
    EXPECT_EQ(run_tool(tap + " " + out), 1);  // no blocks
    EXPECT_FALSE(fs::exists(out));
    fs::remove_all(folder);
}

TEST(MakeRecordingTool, RefusesTruncatedTapesAndWritesWhatTheEncoderMakes) {
    const fs::path folder = fresh_folder();
    const std::string tap = (folder / "in.tap").string();
    const std::vector<TapBlock> blocks{make_header(3, "x", 2, 0, 0), make_data_block(0xFF, {1, 2})};
    std::vector<std::uint8_t> bytes = make_tap(blocks);
    put_file(tap, std::vector<std::uint8_t>(bytes.begin(), bytes.end() - 1));
    EXPECT_EQ(run_tool(tap + " " + (folder / "bad.wav").string()), 1);
    EXPECT_FALSE(fs::exists(folder / "bad.wav"));

    put_file(tap, bytes);
    EXPECT_EQ(run_tool("--speed 0.97 --noise 300 --seed 5 --invert --rounded --pause 0.5 --lead 0.25 --raw " + tap + " " +
                       (folder / "out.raw").string()), 0);
    EncoderOptions options;
    options.speed = 0.97, options.noise = 300, options.seed = 5, options.invert = true;
    options.waveform = Waveform::rounded, options.pause_s = 0.5, options.lead_silence_s = 0.25;
    const fs::path expected = folder / "expected.raw";
    ASSERT_TRUE(write_samples(expected.string(), encode_blocks(blocks, options), false, 48000));
    EXPECT_EQ(file_bytes(folder / "out.raw"), file_bytes(expected));

    EXPECT_EQ(run_tool(tap + " " + (folder / "out.wav").string()), 0);
    EXPECT_EQ(fs::file_size(folder / "out.wav"), 44 + 2 * encode_blocks(blocks, EncoderOptions()).size());
    fs::remove_all(folder);
}
#endif
