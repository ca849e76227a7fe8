// The command line as a user meets it: start-up errors, paths and exit statuses.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

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

TEST_F(Cli, FolderOrDeviceIsRefusedAsARecording) {
    mkdir((dir.path + "/folder.wav").c_str(), 0777);
    CliResult r = run_cli({"folder.wav"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("folder.wav is a folder, not a recording"), std::string::npos) << r.err;
    r = run_cli({"/dev/zero"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("/dev/zero is a device, not a recording"), std::string::npos) << r.err;
}

TEST_F(Cli, OutputFolderThatCannotBeMadeStopsTheRunBeforeAnythingIsWritten) {
    write_bytes(dir.path + "/g.wav", samples_as_bytes(short_tape()));
    write_bytes(dir.path + "/g", {1, 2, 3});  // a file where the folder should be
    const CliResult r = run_cli({"g.wav"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Can't create output folder!"), std::string::npos) << r.err;
    EXPECT_EQ(list_folder(dir.path), (std::vector<std::string>{"g", "g.wav"}));
    EXPECT_EQ(read_bytes(dir.path + "/g"), (std::vector<std::uint8_t>{1, 2, 3}));
}

TEST_F(Cli, OverlongPathIsRefusedCleanly) {
    const std::string name(1100, 'x');
    const CliResult r = run_cli({name + ".wav"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Path is too long!"), std::string::npos);
}

TEST_F(Cli, UsageErrorsAndHelp) {
    EXPECT_EQ(run_cli({}, dir.path).status, 64);
    EXPECT_EQ(run_cli({"--bogus", "a.wav"}, dir.path).status, 64);
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

TEST_F(Cli, TerminationKeepsTheLogAndTapFileWhole) {
    // A long tape: forty copies of a program and its data.
    std::vector<Block> blocks;
    for (int k = 0; k < 40; ++k) {
        blocks.push_back(make_header(0, "part", 2000, 10, 2000));
        blocks.push_back(make_data_block(0xFF, std::vector<std::uint8_t>(2000, static_cast<std::uint8_t>(k))));
    }
    EncoderOptions options;
    options.pilot_pulses = 1000;
    options.pause_s = 0.2;
    write_bytes(dir.path + "/long.raw", samples_as_bytes(encode_blocks(blocks, options)));
    const pid_t pid = start_program(VELLIQOR_CLI, {"long.raw"}, dir.path, "out.txt", "err.txt");
    // Stop it once the log shows its third file.
    for (int k = 0; k < 2000; ++k) {
        const std::vector<std::uint8_t> log = read_bytes(dir.path + "/long/Log.txt");
        if (std::string(log.begin(), log.end()).find("002_part.tap") != std::string::npos) break;
        usleep(2000);
    }
    kill(pid, SIGTERM);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::vector<std::uint8_t> err = read_bytes(dir.path + "/err.txt");
    EXPECT_NE(std::string(err.begin(), err.end()).find("stopped"), std::string::npos);

    // Every block the log reports is whole in its TAP file.
    const std::vector<std::uint8_t> log_bytes = read_bytes(dir.path + "/long/Log.txt");
    const std::string log(log_bytes.begin(), log_bytes.end());
    std::size_t lines = 0;
    for (std::size_t at = log.find("Checksum: OK"); at != std::string::npos; at = log.find("Checksum: OK", at + 1)) ++lines;
    std::size_t records = 0;
    for (const std::string& name : list_folder(dir.path + "/long")) {
        if (name == "Log.txt") continue;
        const std::vector<std::uint8_t> tap = read_bytes(dir.path + "/long/" + name);
        const std::vector<Block> parsed = parse_tap(tap);
        std::size_t bytes = 0;
        for (const Block& b : parsed) bytes += b.size() + 2;
        EXPECT_EQ(bytes, tap.size()) << name;  // no record cut short
        records += parsed.size();
    }
    EXPECT_GE(lines, 4u);
    EXPECT_EQ(records, lines);
}
}  // namespace
