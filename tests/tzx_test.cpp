// The TZX file: its blocks byte by byte, and round trips through the
// emulator's own tools where they are installed.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <string>

#include "output/tzx_writer.h"
#include "support/test_files.h"
#include "support/test_tapes.h"

namespace {
std::uint32_t le(const std::vector<std::uint8_t>& b, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int k = bytes - 1; k >= 0; --k) v = v << 8 | b[at + static_cast<std::size_t>(k)];
    return v;
}

TEST(TzxImage, StandardTurboTextAndInfoBlocksAsTheFormatLaysThemOut) {
    TzxBlock header{make_header(0, "tzx", 3, 10, 3), 1234, true};
    TzxBlock bad{{0xFF, 1, 2, 3, 0x00}, 500, false};
    TzxBlock huge{std::vector<std::uint8_t>(70000, 0x55), 1000, true};
    huge.bytes[0] = 0xFF;
    const std::vector<std::uint8_t> f = tzx_image({header, bad, huge}, {"Velliqor 2.01 (build 2.01)", "tape.wav", "2026-12-08"});
    ASSERT_GE(f.size(), 10u);
    EXPECT_EQ(std::string(f.begin(), f.begin() + 8), std::string("ZXTape!\x1A"));
    EXPECT_EQ(f[8], 1);
    EXPECT_EQ(f[9], 20);
    std::size_t at = 10;
    ASSERT_EQ(f[at], 0x32);  // archive info: the title, then a comment
    const std::uint32_t info = le(f, at + 1, 2);
    EXPECT_EQ(f[at + 3], 2);
    const auto text = [&f](std::size_t from) {
        return std::string(f.begin() + static_cast<std::ptrdiff_t>(from + 2),
                           f.begin() + static_cast<std::ptrdiff_t>(from + 2 + f[from + 1]));
    };
    EXPECT_EQ(f[at + 4], 0x00);
    EXPECT_EQ(text(at + 4), "tzx");
    const std::size_t comment = at + 4 + 2 + f[at + 5];
    EXPECT_EQ(f[comment], 0xFF);
    EXPECT_EQ(text(comment), "Recovered by Velliqor 2.01 (build 2.01) from tape.wav on 2026-12-08: 3 blocks, 1 failing its checksum");
    EXPECT_EQ(comment + 2 + f[comment + 1], at + 3 + info);
    at += 3 + info;
    ASSERT_EQ(f[at], 0x10);  // standard speed: pause, length, bytes
    EXPECT_EQ(le(f, at + 1, 2), 1234u);
    EXPECT_EQ(le(f, at + 3, 2), 19u);
    at += 5 + 19;
    ASSERT_EQ(f[at], 0x30);  // the failing block is announced
    EXPECT_NE(std::string(f.begin() + static_cast<std::ptrdiff_t>(at + 2), f.begin() + static_cast<std::ptrdiff_t>(at + 2 + f[at + 1])).find("checksum error"),
              std::string::npos);
    at += 2 + f[at + 1];
    ASSERT_EQ(f[at], 0x10);
    at += 5 + 5;
    ASSERT_EQ(f[at], 0x11);  // turbo speed with the ROM's timings and a 24-bit length
    EXPECT_EQ(le(f, at + 1, 2), 2168u);
    EXPECT_EQ(le(f, at + 3, 2), 667u);
    EXPECT_EQ(le(f, at + 5, 2), 735u);
    EXPECT_EQ(le(f, at + 7, 2), 855u);
    EXPECT_EQ(le(f, at + 9, 2), 1710u);
    EXPECT_EQ(le(f, at + 11, 2), 3223u);
    EXPECT_EQ(f[at + 13], 8);
    EXPECT_EQ(le(f, at + 14, 2), 1000u);
    EXPECT_EQ(le(f, at + 16, 3), 70000u);
    EXPECT_EQ(f.size(), at + 19 + 70000);
}

TEST(TzxImage, PausesAreTheMeasuredSilenceInMillisecondsCapped) {
    EXPECT_EQ(pause_between(1000, 1000 + 48000), 1000);
    EXPECT_EQ(pause_between(0, 47), 0);
    EXPECT_EQ(pause_between(0, 48000LL * 3600), 65535);
    EXPECT_EQ(pause_between(500, 100), 0);
}

bool installed(const char* tool) { return access(tool, X_OK) == 0; }

// The name in the first program header, as the title of the tape.
std::string program_name(const std::vector<TapBlock>& tape) {
    for (const TapBlock& b : tape) {
        if (b.size() == 19 && b[0] == 0 && b[1] == 0) {
            const std::string name(b.begin() + 2, b.begin() + 12);
            return name.substr(0, name.find_last_not_of(' ') + 1);
        }
    }
    return "";
}

TEST(TzxFile, IsWrittenBesideTheTapFilesAndReadBackByTheEmulatorsTools) {
    const TempDir dir = make_temp_dir();
    const std::vector<TapBlock> whole = test_tape();
    const std::vector<TapBlock> tape(whole.begin() + 1, whole.end());  // a program, code, a screen, a bad block
    write_bytes(dir.path + "/side.raw", samples_as_bytes(encode_blocks(tape, {})));
    CliResult r = run_cli({"--quiet", "--tzx", "side.raw"}, dir.path);
    EXPECT_EQ(r.status, 2) << r.err;  // the tape has a bad block on purpose
    const std::vector<std::uint8_t> tzx = read_bytes(dir.path + "/side/side.tzx");
    ASSERT_GT(tzx.size(), 10u);
    EXPECT_EQ(tzx[0], 'Z');
    if (!installed("/usr/bin/tzxlist") || !installed("/usr/bin/tape2wav")) {
        remove_temp_dir(dir);
        GTEST_SKIP() << "fuse-emulator-utils is not installed";
    }
    r = run_program("/usr/bin/tzxlist", {"side/side.tzx"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_NE(r.out.find("checksum error"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Full Title: " + program_name(tape)), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(" from side.raw on "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find(": 7 blocks, 1 failing its checksum"), std::string::npos) << r.out;
    // Played back by the emulator's tool and read again: the same TAP files.
    ASSERT_EQ(run_program("/usr/bin/tape2wav", {"-r", "48000", "side/side.tzx", "again.wav"}, dir.path).status, 0);
    r = run_cli({"--quiet", "--convert", "again.wav"}, dir.path);
    for (const std::string& name : list_folder(dir.path + "/side")) {
        if (name.size() < 4 || name.compare(name.size() - 4, 4, ".tap") != 0) continue;
        EXPECT_EQ(read_bytes(dir.path + "/again/" + name), read_bytes(dir.path + "/side/" + name)) << name;
    }
    remove_temp_dir(dir);
}
// Written under a fresh temporary name: never through a link planted in the
// folder, and with a name that fits wherever NAME.tzx fits.
TEST(TzxFile, IsNeverWrittenThroughALinkAndFitsAnyNameThatFits) {
    const TempDir dir = make_temp_dir();
    write_bytes(dir.path + "/victim", {1, 2, 3});
    const std::vector<std::uint8_t> tape = samples_as_bytes(encode_blocks({make_header(0, "tzx", 3, 10, 3), make_data_block(0xFF, {1, 2})}, {}));
    for (const std::string& name : {std::string("g"), std::string(247, 'n')}) {
        write_bytes(dir.path + "/" + name + ".raw", tape);
        mkdir((dir.path + "/" + name).c_str(), 0777);
        // Too long a name for the long name: planted for the short one only.
        EXPECT_EQ(symlink("../victim", (dir.path + "/" + name + "/" + name + ".tzx.part").c_str()) == 0, name.size() == 1);
        const CliResult r = run_cli({"--quiet", "--tzx", name + ".raw"}, dir.path);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(read_bytes(dir.path + "/" + name + "/" + name + ".tzx")[0], 'Z') << name;
        std::vector<std::string> files = list_folder(dir.path + "/" + name);
        files.erase(std::remove(files.begin(), files.end(), name + ".tzx.part"), files.end());
        EXPECT_EQ(files, (std::vector<std::string>{"000_tzx.tap", "Log.txt", name + ".json", name + ".tzx"})) << name;
    }
    EXPECT_EQ(read_bytes(dir.path + "/victim"), (std::vector<std::uint8_t>{1, 2, 3}));
    remove_temp_dir(dir);
}
// A block longer than a TAP record can hold is lost from the TAP file (and
// said so), but comes out whole in the TZX.
TEST(TzxFile, HoldsABlockTooLongForATapRecordWhole) {
    const TempDir dir = make_temp_dir();
    const TapBlock huge = make_data_block(0xFF, pattern(66000, 3));
    EncoderOptions options;
    options.pilot_pulses = 1000;
    options.lead_silence_s = 0.1;
    options.pause_s = 0.2;
    write_bytes(dir.path + "/long.raw", samples_as_bytes(encode_blocks({huge}, options)));
    const CliResult r = run_cli({"--quiet", "--tzx", "long.raw"}, dir.path);
    EXPECT_EQ(r.status, 3) << r.err;  // output was lost: the TAP record
    EXPECT_NE(r.err.find("it is not stored in a TAP file; kept in long.tzx"), std::string::npos) << r.err;
    const std::vector<std::uint8_t> log = read_bytes(dir.path + "/long/Log.txt");
    EXPECT_NE(std::string(log.begin(), log.end()).find("*** Block not stored in a TAP file: 66002 bytes do not fit a TAP "
                                                       "record (at most 65535); kept in long.tzx ***"),
              std::string::npos);
    const std::vector<std::uint8_t> tzx = read_bytes(dir.path + "/long/long.tzx");
    const std::size_t at = tzx.size() - huge.size();
    ASSERT_GT(tzx.size(), huge.size() + 19);
    EXPECT_EQ(tzx[at - 19], 0x11);
    EXPECT_EQ(le(tzx, at - 3, 3), huge.size());
    EXPECT_TRUE(std::equal(huge.begin(), huge.end(), tzx.begin() + static_cast<std::ptrdiff_t>(at)));
    remove_temp_dir(dir);
}
}  // namespace
