// Whole runs of the command line on recordings made by the project's encoder:
// the TAP files must hold the tape's blocks byte for byte, split and named by
// its program headers, whatever the polarity, speed or noise.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "support/test_files.h"
#include "support/test_tapes.h"
#include "tools/tape_encoder.h"

namespace {
class RoundTrip : public ::testing::Test {
protected:
    void SetUp() override { dir = make_temp_dir(); }
    void TearDown() override { remove_temp_dir(dir); }

    CliResult run(const std::vector<std::int16_t>& samples, const std::string& name = "tape.raw",
                  std::vector<std::string> options = {}) {
        write_bytes(dir.path + "/" + name, samples_as_bytes(samples));
        options.push_back(name);
        return run_cli(options, dir.path);
    }
    TempDir dir;
};

void expect_tape_recovered(const std::string& out) {
    const std::vector<TapBlock> tape = test_tape();
    EXPECT_EQ(list_outputs(out), (std::vector<std::string>{"000_Noname.tap", "001_prog one.tap", "Log.txt"}));
    EXPECT_EQ(parse_tap(read_bytes(out + "/000_Noname.tap")), std::vector<TapBlock>(tape.begin(), tape.begin() + 1));
    EXPECT_EQ(parse_tap(read_bytes(out + "/001_prog one.tap")), std::vector<TapBlock>(tape.begin() + 1, tape.end()));
}

TEST_F(RoundTrip, CleanTapeIsRecoveredExactly) {
    EncoderOptions options;
    options.waveform = Waveform::rounded;
    const CliResult r = run(encode_blocks(test_tape(), options));
    EXPECT_EQ(r.status, 2) << r.err;  // the last block's checksum is wrong on purpose
    expect_tape_recovered(dir.path + "/tape");
    const std::string log = r.out;
    EXPECT_NE(log.find("Program: prog one   Start: 00010, Len: 00120"), std::string::npos) << log;
    EXPECT_NE(log.find("Screen$: pic        Start: 16384, Len: 06912"), std::string::npos);
    EXPECT_NE(log.find("Len: 00032, Speed: 099-100%, Checksum: Error"), std::string::npos);
}

TEST_F(RoundTrip, InvertedPolarityFastSlowAndNoisyTapesAreRecoveredExactly) {
    struct Variant {
        const char* name;
        bool invert;
        double speed, noise;
        Waveform waveform;
    };
    for (const Variant& v : {Variant{"inverted", true, 1.0, 0, Waveform::square},
                             Variant{"fast", false, 1.05, 0, Waveform::rounded},
                             Variant{"slow", false, 0.95, 0, Waveform::rounded},
                             Variant{"noisy", true, 1.0, 1600, Waveform::rounded}}) {
        EncoderOptions options;
        options.invert = v.invert;
        options.speed = v.speed;
        options.noise = v.noise;
        options.waveform = v.waveform;
        const CliResult r = run(encode_blocks(test_tape(), options), std::string(v.name) + ".raw");
        EXPECT_EQ(r.status, 2) << v.name << r.err;
        SCOPED_TRACE(v.name);
        expect_tape_recovered(dir.path + "/" + v.name);
    }
}

TEST_F(RoundTrip, DrawingTheLiveViewChangesNoOutput) {
    EncoderOptions options;
    options.noise = 2500;  // enough to make the decoder repair and count things
    options.speed = 0.97;
    const std::vector<std::int16_t> samples = encode_blocks(test_tape(), options);
    ASSERT_EQ(run(samples, "plain.raw").status, 2);
    ASSERT_EQ(run(samples, "drawn.raw", {"--snapshot", "view.png"}).status, 2);
    const std::vector<std::string> files = list_outputs(dir.path + "/plain");
    EXPECT_EQ(files, list_outputs(dir.path + "/drawn"));
    for (const std::string& f : files) {
        EXPECT_EQ(read_bytes(dir.path + "/plain/" + f), read_bytes(dir.path + "/drawn/" + f)) << f;
    }
    EXPECT_TRUE(exists(dir.path + "/view.png"));
}

TEST_F(RoundTrip, TapFileThatCannotBeCreatedIsReportedAndTheRunGoesOn) {
    mkdir((dir.path + "/tape").c_str(), 0777);
    mkdir((dir.path + "/tape/000_Noname.tap").c_str(), 0777);  // in the way of the first TAP file
    const CliResult r = run(encode_blocks(test_tape(), {}));
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("cannot create the TAP file \"000_Noname.tap\""), std::string::npos) << r.err;
    const std::vector<TapBlock> tape = test_tape();
    EXPECT_EQ(parse_tap(read_bytes(dir.path + "/tape/001_prog one.tap")), std::vector<TapBlock>(tape.begin() + 1, tape.end()));
    const std::vector<std::uint8_t> log = read_bytes(dir.path + "/tape/Log.txt");
    EXPECT_NE(std::string(log.begin(), log.end()).find("Filename: 000_Noname.tap\r\n00:00-00:"), std::string::npos);
}

TEST_F(RoundTrip, LogThatCannotBeWrittenIsReported) {
    mkdir((dir.path + "/tape").c_str(), 0777);
    ASSERT_EQ(symlink("/dev/full", (dir.path + "/tape/Log.txt").c_str()), 0);  // every write fails: disk full
    const CliResult r = run(encode_blocks(test_tape(), {}));
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("writing \"Log.txt\" failed"), std::string::npos) << r.err;
}
}  // namespace
