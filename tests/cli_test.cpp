// The command line as a user meets it: start-up errors, paths and exit statuses.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "support/test_files.h"
#include "tools/tape_encoder.h"

namespace {
class Cli : public ::testing::Test {
protected:
    void SetUp() override { dir = make_temp_dir(); }
    void TearDown() override { remove_temp_dir(dir); }
    TempDir dir;
};

std::vector<std::int16_t> short_tape() {
    EncoderOptions options;
    options.pilot_pulses = 800;
    options.pause_s = 0.3;
    return encode_blocks({make_header(0, "cli", 3, 10, 3), make_data_block(0xFF, {1, 2, 3})}, options);
}

TEST_F(Cli, MissingRecordingIsReportedWithTheNotFoundText) {
    const CliResult r = run_cli({"nothing.wav"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Файл не найден!"), std::string::npos) << r.err;
    EXPECT_TRUE(list_folder(dir.path).empty());
}

TEST_F(Cli, RecordingWithoutExtensionIsRefused) {
    write_bytes(dir.path + "/tape", {0, 0});
    const CliResult r = run_cli({"tape"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Filename must have extension!"), std::string::npos);
    EXPECT_EQ(list_folder(dir.path), std::vector<std::string>{"tape"});
}

TEST_F(Cli, RelativePathPutsTheOutputNextToTheRecording) {
    mkdir((dir.path + "/tapes").c_str(), 0777);
    write_bytes(dir.path + "/tapes/game.v2.wav", samples_as_bytes(short_tape()));
    const CliResult r = run_cli({"tapes/game.v2.wav"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(list_folder(dir.path + "/tapes/game.v2"), (std::vector<std::string>{"000_cli.tap", "Log.txt"}));
    EXPECT_NE(r.out.find("Filename: 000_cli.tap"), std::string::npos);  // the log is echoed
    EXPECT_NE(r.out.find("Program: cli"), std::string::npos);
}

TEST_F(Cli, SecondRunAppendsToTheLogAndReplacesTheTapFiles) {
    write_bytes(dir.path + "/g.wav", samples_as_bytes(short_tape()));
    ASSERT_EQ(run_cli({"g.wav"}, dir.path).status, 0);
    const std::vector<std::uint8_t> log1 = read_bytes(dir.path + "/g/Log.txt");
    const std::vector<std::uint8_t> tap1 = read_bytes(dir.path + "/g/000_cli.tap");
    ASSERT_EQ(run_cli({"g.wav"}, dir.path).status, 0);
    const std::vector<std::uint8_t> log2 = read_bytes(dir.path + "/g/Log.txt");
    EXPECT_EQ(log2.size(), 2 * log1.size());
    EXPECT_EQ(read_bytes(dir.path + "/g/000_cli.tap"), tap1);
}

TEST_F(Cli, EmptyRecordingCreatesAnEmptyLogAndReportsNoBlock) {
    write_bytes(dir.path + "/empty.raw", {});
    const CliResult r = run_cli({"empty.raw"}, dir.path);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(list_folder(dir.path + "/empty"), std::vector<std::string>{"Log.txt"});
    EXPECT_TRUE(read_bytes(dir.path + "/empty/Log.txt").empty());
}

TEST_F(Cli, UnreadableRecordingEndsWithAReadErrorNotANormalEnd) {
    mkdir((dir.path + "/folder.wav").c_str(), 0777);  // opens, but cannot be read
    const CliResult r = run_cli({"folder.wav"}, dir.path);
    EXPECT_EQ(r.status, 3);
    EXPECT_NE(r.err.find("reading the recording failed"), std::string::npos) << r.err;
}

TEST_F(Cli, OverlongPathIsRefusedCleanly) {
    const std::string name(1100, 'x');
    const CliResult r = run_cli({name + ".wav"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Path is too long!"), std::string::npos);
}

TEST_F(Cli, UsageErrorsAndHelp) {
    EXPECT_EQ(run_cli({}, dir.path).status, 1);
    EXPECT_EQ(run_cli({"--bogus", "a.wav"}, dir.path).status, 1);
    EXPECT_EQ(run_cli({"a.wav", "b.wav"}, dir.path).status, 1);
    const CliResult help = run_cli({"--help"}, dir.path);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: velliqor"), std::string::npos);
    EXPECT_NE(run_cli({"--version"}, dir.path).out.find("2.01"), std::string::npos);
}

TEST_F(Cli, SnapshotIsAPngOfTheCanvas) {
    write_bytes(dir.path + "/g.wav", samples_as_bytes(short_tape()));
    const CliResult r = run_cli({"--snapshot", "view.png", "g.wav"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::uint8_t> png = read_bytes(dir.path + "/view.png");
    ASSERT_GT(png.size(), 8u);
    EXPECT_EQ(png[1], 'P');
    EXPECT_EQ(png[2], 'N');
    EXPECT_EQ(png[3], 'G');
}
}  // namespace
