// The command line as a user meets it: start-up errors, paths and exit statuses.
#include <gtest/gtest.h>
#include <sys/stat.h>
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

TEST_F(Cli, MissingRecordingIsNamedInEnglish) {
    for (const std::vector<std::string>& args : {std::vector<std::string>{"nothing.wav"}, {"--convert", "nothing.wav"}}) {
        const CliResult r = run_cli(args, dir.path);
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "velliqor: nothing.wav: No such file or directory\n");
    }
    EXPECT_TRUE(list_folder(dir.path).empty());
    // The Windows program keeps its own texts; the command line spells its own right.
    const std::vector<std::uint8_t> program = read_bytes(VELLIQOR_CLI);
    const std::string text(program.begin(), program.end());
    EXPECT_NE(text.find("Not enough memory!"), std::string::npos);
    EXPECT_EQ(text.find("enought"), std::string::npos);
    EXPECT_EQ(text.find("\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB"), std::string::npos);  // "Файл"
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
    EXPECT_EQ(list_folder(dir.path + "/tapes/game.v2"), (std::vector<std::string>{"000_cli.tap", "Log.txt", "game.v2.json"}));
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
    EXPECT_EQ(list_folder(dir.path + "/empty"), (std::vector<std::string>{"Log.txt", "empty.json"}));
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

TEST_F(Cli, UsageErrorsExitWith64AndRunNothing) {
    // Real recordings, so that a run that started anyway would leave its folder.
    write_bytes(dir.path + "/a.wav", samples_as_bytes(short_tape()));
    write_bytes(dir.path + "/b.wav", samples_as_bytes(short_tape()));
    for (const std::vector<std::string>& wrong :
         {std::vector<std::string>{}, {"--bogus", "a.wav"}, {"-j"}, {"-j", "0", "a.wav", "b.wav"},
          {"--snapshot", "p.png", "a.wav", "b.wav"}, {"--pace", "1", "a.wav", "b.wav"}, {"-", "-"},
          {"--channel", "mix", "--raw", "a.wav"}}) {
        std::string command;
        for (const std::string& a : wrong) command += " " + a;
        const CliResult r = run_cli(wrong, dir.path);
        EXPECT_EQ(r.status, 64) << command;
        EXPECT_NE(r.err.find("Try 'velliqor --help'."), std::string::npos) << command << ": " << r.err;
        EXPECT_EQ(r.out, "") << command;  // no batch table: nothing ran
        EXPECT_EQ(list_folder(dir.path), (std::vector<std::string>{"a.wav", "b.wav"})) << command;
    }
}

TEST_F(Cli, UsageMistakesAreNamedAsTheyWereTyped) {
    std::vector<std::pair<std::vector<std::string>, std::string>> cases{
        {{"--quiet", "-dash.wav"}, "unknown option -dash.wav; a recording whose name begins with '-' goes after '--'"},
        {{"-x", "a.wav"}, "unknown option -x\n"},
        {{"--bogus=1", "a.wav"}, "unknown option --bogus\n"},
        {{"--no", "a.wav"}, "option --no is ambiguous (--no-window, --no-hold)"},
        {{"--qui=1", "a.wav"}, "--quiet takes no value"},
        {{"--quiet", "--out"}, "--out needs a value"}};
    for (const char* name : {"convert", "raw", "tzx", "quiet", "no-window", "no-hold", "merge", "help", "version"}) {
        cases.push_back({{"--" + std::string(name) + "=1", "a.wav", "b.wav"}, "--" + std::string(name) + " takes no value"});
    }
    for (const auto& [args, message] : cases) {
        const CliResult r = run_cli(args, dir.path);
        EXPECT_EQ(r.status, 64) << args[0];
        EXPECT_EQ(r.err.rfind("velliqor: " + message, 0), 0u) << r.err;
    }
}

TEST_F(Cli, TwoMissingRecordingsAreABatchThatSaysWhyNeitherRan) {
    const CliResult r = run_cli({"a.wav", "b.wav"}, dir.path);
    EXPECT_EQ(r.status, 1);  // could not run: not a usage error
    EXPECT_EQ(r.err.find("Try 'velliqor --help'"), std::string::npos) << r.err;
    EXPECT_EQ(r.out.rfind("recording", 0), 0u) << r.out;  // the table's heading comes first
    for (const char* name : {"a.wav ", "b.wav "}) {
        const std::size_t at = r.out.find(name);
        ASSERT_NE(at, std::string::npos) << r.out;
        const std::string row = r.out.substr(at, r.out.find('\n', at) - at);
        EXPECT_NE(row.find(std::string("not run: ") + std::string(name, 5) + ": No such file or directory"), std::string::npos) << row;
    }
    EXPECT_TRUE(list_folder(dir.path).empty());
}

TEST_F(Cli, HelpAndVersionAnswerWithStatusZero) {
    const CliResult help = run_cli({"--help"}, dir.path);
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: velliqor"), std::string::npos);
    const CliResult version = run_cli({"--version"}, dir.path);
    EXPECT_EQ(version.status, 0);
    EXPECT_NE(version.out.find("2.01"), std::string::npos);
    EXPECT_TRUE(list_folder(dir.path).empty());
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
    std::vector<TapBlock> blocks;
    for (int k = 0; k < 40; ++k) {
        blocks.push_back(make_header(0, "part", 2000, 10, 2000));
        blocks.push_back(make_data_block(0xFF, std::vector<std::uint8_t>(2000, static_cast<std::uint8_t>(k))));
    }
    EncoderOptions options;
    options.pilot_pulses = 1000;
    options.pause_s = 0.2;
    write_bytes(dir.path + "/long.raw", samples_as_bytes(encode_blocks(blocks, options)));
    int out_fd = -1;
    const pid_t pid = start_program_piped(VELLIQOR_CLI, {"long.raw"}, dir.path, out_fd, "err.txt");
    ASSERT_GT(pid, 0);
    // Stop it once the log it echoes names its third file. The deadline only
    // guards against a hang: a slow machine gets there, later.
    std::string echoed;
    const bool third_file = read_until(out_fd, "002_part.tap", 300, echoed);
    kill(pid, SIGTERM);
    // Keep reading until it closes its end, so that it never waits on a full pipe.
    std::string rest;
    EXPECT_TRUE(read_to_end(out_fd, 60, rest)) << "it kept its standard output open";
    close(out_fd);
    const int status = wait_at_most(pid, 60);
    ASSERT_TRUE(third_file) << "the echoed log never named 002_part.tap:\n" << echoed;
    EXPECT_EQ(status, 1);
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
        const std::vector<TapBlock> parsed = parse_tap(tap);
        std::size_t bytes = 0;
        for (const TapBlock& b : parsed) bytes += b.size() + 2;
        EXPECT_EQ(bytes, tap.size()) << name;  // no record cut short
        records += parsed.size();
    }
    EXPECT_GE(lines, 4u);
    EXPECT_EQ(records, lines);
}
}  // namespace
