// Whole runs of `velliqor --merge` on takes of one tape made here, each with
// its own noise and dropouts.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "support/test_files.h"
#include "support/test_tapes.h"

namespace {
using MergeTakes = FolderTest;

const std::vector<TapBlock>& tape() {
    static const std::vector<TapBlock> blocks{make_header(3, "merged", 1500, 32768, 32768), make_data_block(0xFF, pattern(1500, 7))};
    return blocks;
}

// A take: the tape with its own noise, and the signal fading away for a few
// milliseconds at each of `dropouts` (in seconds from the start).
std::vector<std::int16_t> take(std::uint32_t seed, const std::vector<double>& dropouts,
                               const std::vector<TapBlock>& blocks = tape()) {
    EncoderOptions options;
    options.waveform = Waveform::rounded;
    options.noise = 2500;
    options.seed = seed;
    options.pilot_pulses = 2000;
    std::vector<std::int16_t> samples = encode_blocks(blocks, options);
    for (double t : dropouts) {
        const std::size_t from = static_cast<std::size_t>(t * 48000);
        for (std::size_t k = from; k < from + 150 && k < samples.size(); ++k) samples[k] = static_cast<std::int16_t>(samples[k] / 200);
    }
    return samples;
}

TEST_F(MergeTakes, ThreeDamagedTakesMakeOneExactCopy) {
    // Dropouts in the data block, at other places in every take.
    write_bytes(at("one.raw"), samples_as_bytes(take(1, {4.1, 6.3})));
    write_bytes(at("two.raw"), samples_as_bytes(take(2, {4.6, 7.0})));
    write_bytes(at("three.raw"), samples_as_bytes(take(3, {5.2, 5.8})));
    const CliResult r = run_cli({"--quiet", "--merge", "one.raw", "two.raw", "three.raw"}, dir.path);
    for (const char* name : {"one", "two", "three"}) {
        const std::vector<TapBlock> single = parse_tap(read_bytes(at(std::string(name) + "/000_Noname.tap")));
        EXPECT_TRUE(single != tape()) << name << " alone is exact: the test shows nothing";
    }
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(parse_tap(read_bytes(at("one-merged/000_Noname.tap"))), tape());
    const std::string log = text_of("one-merged/Log.txt");
    EXPECT_NE(log.find("Checksum: OK, Takes: 1+2+3, Agreed\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("*** Merged 2 blocks of 3 takes: 1 agreed, 0 from one take, 1 voted, 0 alone, 0 fragments; 0 still failing ***"),
              std::string::npos) << log;
    // Each take's own folder is what a single run gives.
    EXPECT_EQ(run_cli({"--out", "single", "two.raw"}, dir.path).status, 2);
    EXPECT_EQ(read_bytes(at("single/two/000_Noname.tap")), read_bytes(at("two/000_Noname.tap")));
}

TEST_F(MergeTakes, BadInputIsRefusedOrMergedAroundAsItDeserves) {
    write_bytes(at("one.raw"), samples_as_bytes(take(1, {})));
    EXPECT_EQ(run_cli({"--merge", "one.raw"}, dir.path).status, 64);  // one take is no merge
    // Another tape: nothing matches, nothing is written.
    EncoderOptions options;
    write_bytes(at("other.raw"), samples_as_bytes(encode_blocks({make_header(0, "other", 7, 10, 7),
                                                                  make_data_block(0xFF, pattern(7, 1))}, options)));
    CliResult r = run_cli({"--merge", "one.raw", "other.raw"}, dir.path);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the takes do not seem to be of one tape"), std::string::npos) << r.err;
    EXPECT_FALSE(exists(at("one-merged")));
    // A take that cannot be read: the others are merged, with a warning.
    write_bytes(at("two.raw"), samples_as_bytes(take(2, {})));
    r = run_cli({"--merge", "one.raw", "missing.raw", "two.raw"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("take 2 (missing.raw) could not be read"), std::string::npos) << r.err;
    EXPECT_EQ(parse_tap(read_bytes(at("one-merged/000_Noname.tap"))), tape());
    // A take much shorter than the others is merged all the same.
    std::vector<std::int16_t> half = take(3, {});
    half.resize(half.size() / 3);
    write_bytes(at("short.raw"), samples_as_bytes(half));
    r = run_cli({"--merge", "one.raw", "two.raw", "short.raw"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(parse_tap(read_bytes(at("one-merged/000_Noname.tap"))), tape());
}
}  // namespace

namespace {
TEST_F(MergeTakes, ATakeCutShortLendsNoBitsPastItsEnd) {
    write_bytes(at("one.raw"), samples_as_bytes(take(11, {4.1})));
    write_bytes(at("two.raw"), samples_as_bytes(take(12, {6.4})));
    std::vector<std::int16_t> cut = take(13, {});
    cut.resize(static_cast<std::size_t>(48000 * 7.5));  // inside the data block
    write_bytes(at("cut.raw"), samples_as_bytes(cut));
    const CliResult two = run_cli({"--quiet", "--merge", "--out", "two", "one.raw", "two.raw"}, dir.path);
    ASSERT_EQ(two.status, 0) << two.out << two.err;
    ASSERT_EQ(parse_tap(read_bytes(at("two/one-merged/000_Noname.tap"))), tape());
    const CliResult r = run_cli({"--quiet", "--merge", "one.raw", "two.raw", "cut.raw"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(parse_tap(read_bytes(at("one-merged/000_Noname.tap"))), tape()) << text_of("one-merged/Log.txt");
}
}  // namespace

namespace {
// What a merge may count as takes, where it keeps them, and what it tells.
TEST_F(MergeTakes, EachFileIsOneTakeAndAnUnreadableOneIsLeftOutWhereverItStands) {
    write_bytes(at("one.raw"), samples_as_bytes(take(11, {4.1})));
    write_bytes(at("two.raw"), samples_as_bytes(take(12, {6.4})));
    ASSERT_EQ(symlink("one.raw", at("link.raw").c_str()), 0);
    ASSERT_EQ(mkdir(at("folder.raw").c_str(), 0777), 0);
    CliResult r = run_cli({"--merge", "one.raw", "link.raw"}, dir.path);
    EXPECT_EQ(r.status, 64) << r.err;  // one file under two names is one take
    EXPECT_NE(r.err.find("take 2 (link.raw) is the same file as take 1 (one.raw); it counts once"), std::string::npos) << r.err;
    r = run_cli({"--quiet", "--merge", "folder.raw", "one.raw", "one.raw", "two.raw"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("take 1 (folder.raw) could not be read: folder.raw is a folder"), std::string::npos) << r.err;
    const std::string log = text_of("one-merged/Log.txt");  // named after the first take that could be read
    EXPECT_NE(log.find("Takes: 2+4, "), std::string::npos) << log;
    EXPECT_EQ(log.find("Takes: 2+3"), std::string::npos) << log;
}

TEST_F(MergeTakes, TheTakesAreDecodedInThisProcessWithNoTemporaryFile) {
    write_bytes(at("one.raw"), samples_as_bytes(take(11, {4.1})));
    write_bytes(at("two.raw"), samples_as_bytes(take(12, {6.4})));
    ASSERT_EQ(mkdir(at("tmp").c_str(), 0777), 0);
    const char* before = std::getenv("TMPDIR");
    const std::string saved = before != nullptr ? before : "";
    setenv("TMPDIR", at("missing").c_str(), 1);
    const CliResult missing = run_cli({"--quiet", "--merge", "--out", "missing", "one.raw", "two.raw"}, dir.path);
    setenv("TMPDIR", at("tmp").c_str(), 1);
    const CliResult one_at_a_time = run_cli({"--quiet", "-j", "1", "--merge", "--out", "kept", "one.raw", "two.raw"}, dir.path);
    before != nullptr ? setenv("TMPDIR", saved.c_str(), 1) : unsetenv("TMPDIR");
    EXPECT_EQ(missing.status, 0) << missing.err;
    EXPECT_EQ(one_at_a_time.status, 0) << one_at_a_time.err;
    EXPECT_TRUE(list_folder(at("tmp")).empty());
    // Each take's folder, and the merge's, as the takes at once gave them.
    for (const char* file : {"one/Log.txt", "two/Log.txt", "one-merged/Log.txt"}) {
        EXPECT_EQ(read_bytes(at("missing/") + file), read_bytes(at("kept/") + file)) << file;
    }
}

TEST_F(MergeTakes, ABlockOnlyOneTakeHoldsIsAloneAndStandsAsItWas) {
    write_bytes(at("one.raw"), samples_as_bytes(take(1, {})));
    write_bytes(at("two.raw"), samples_as_bytes(take(2, {})));
    // The third take goes on past the tape's end into a block of its own.
    std::vector<std::int16_t> longer = take(3, {});
    const std::vector<std::int16_t> extra = encode_blocks({make_data_block(0x55, pattern(30, 9))}, {});
    longer.insert(longer.end(), extra.begin(), extra.end());
    write_bytes(at("three.raw"), samples_as_bytes(longer));
    const CliResult r = run_cli({"--quiet", "--merge", "one.raw", "two.raw", "three.raw"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string log = text_of("one-merged/Log.txt");
    EXPECT_NE(log.find("Checksum: OK, Takes: 3, Alone\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Merged 3 blocks of 3 takes: 2 agreed, 0 from one take, 0 voted, 1 alone, 0 fragments; 0 still failing"),
              std::string::npos) << log;
}

TEST_F(MergeTakes, InternalSettingsOfTheRunsCannotBeReachedFromTheCommandLine) {
    write_bytes(at("side-a.wav"), samples_as_bytes(take(1, {})));
    write_bytes(at("side-b.wav"), samples_as_bytes(take(2, {})));
    const std::vector<std::uint8_t> original = bytes_of("side-a.wav");
    for (const char* option : {"--keep", "--keep-blocks", "--summary-fd=2", "--output-slot", "--summ"}) {
        const CliResult r = run_cli({option, "side-a.wav", "side-b.wav"}, dir.path);
        EXPECT_EQ(r.status, 64) << option;
        EXPECT_NE(r.err.find("unknown option"), std::string::npos) << option << ": " << r.err;
        EXPECT_EQ(bytes_of("side-a.wav"), original) << option;
    }
    EXPECT_EQ(run_cli({"--help"}, dir.path).out.find("--keep"), std::string::npos);
}
}  // namespace

namespace {
TEST_F(MergeTakes, AMergedBlockTooLongForATapRecordIsToldOfAndKeptInTheTzx) {
    const TapBlock huge = make_data_block(0xFF, pattern(66000, 3));
    for (const std::uint32_t seed : {1u, 2u}) {
        EncoderOptions options;
        options.pilot_pulses = 1000;
        options.lead_silence_s = 0.1;
        options.pause_s = 0.2;
        options.seed = seed;
        options.noise = 300;
        write_bytes(at("long" + std::to_string(seed) + ".raw"), samples_as_bytes(encode_blocks({huge}, options)));
    }
    const CliResult r = run_cli({"--quiet", "--tzx", "--merge", "long1.raw", "long2.raw"}, dir.path);
    EXPECT_EQ(r.status, 3) << r.err;  // output was lost: the TAP record
    EXPECT_NE(text_of("long1-merged/Log.txt")
                  .find("*** Block not stored in a TAP file: 66002 bytes do not fit a TAP record (at most 65535); "
                        "kept in long1-merged.tzx ***"),
              std::string::npos);
    const std::vector<std::uint8_t> tzx = bytes_of("long1-merged/long1-merged.tzx");
    ASSERT_GT(tzx.size(), huge.size());
    EXPECT_TRUE(std::equal(huge.begin(), huge.end(), tzx.end() - static_cast<std::ptrdiff_t>(huge.size())));
}
}  // namespace

namespace {
TEST_F(MergeTakes, TheMergedFolderIsClaimedLikeEveryOutputFolder) {
    write_bytes(at("a.raw"), samples_as_bytes(take(1, {})));
    write_bytes(at("b.raw"), samples_as_bytes(take(2, {})));
    write_bytes(at("a-merged.raw"), samples_as_bytes(encode_blocks({make_data_block(0xFF, pattern(50, 5))}, {})));
    ASSERT_EQ(run_cli({"--quiet", "a-merged.raw"}, dir.path).status, 0);
    const std::vector<std::uint8_t> own = bytes_of("a-merged/000_Noname.tap");
    CliResult r = run_cli({"--quiet", "--merge", "a.raw", "b.raw"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(bytes_of("a-merged/000_Noname.tap"), own);  // the recording's output stands
    EXPECT_EQ(parse_tap(bytes_of("a-merged-2/000_Noname.tap")), tape());
    EXPECT_NE(r.err.find("this one goes into " + at("a-merged-2")), std::string::npos) << r.err;
    // The same takes again come back to their folder; the recording's log stays its own.
    r = run_cli({"--quiet", "--merge", "a.raw", "b.raw"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(exists(at("a-merged-3")));
    EXPECT_EQ(text_of("a-merged/Log.txt").find("Takes:"), std::string::npos);
}
}  // namespace

namespace {
// The blocks of a TZX file as the merge writes it (standard speed blocks,
// text and archive info between them).
std::vector<TapBlock> tzx_blocks(const std::vector<std::uint8_t>& f) {
    std::vector<TapBlock> blocks;
    for (std::size_t at = 10; at + 5 <= f.size();) {
        const std::size_t head = f[at] == 0x32 ? 3 : f[at] == 0x30 ? 2 : 5;
        const std::size_t length = f[at] == 0x30 ? f[at + 1] : f[at + head - 2] | f[at + head - 1] << 8;
        if (f[at] == 0x10 && at + head + length <= f.size()) blocks.emplace_back(f.begin() + at + head, f.begin() + at + head + length);
        at += head + length;
    }
    return blocks;
}

TEST_F(MergeTakes, NoiseFragmentsStayOutOfTheFilesAndAHeaderDamagedInOneTakeStillMatches) {
    // Each take finds blocks of a byte or three that fail their checksum, at
    // places of its own: too many for the takes to look like one tape if they counted.
    const TapBlock one{0x3C}, two{0x11, 0x22}, three{0x81, 0x42, 0x24};
    TapBlock damaged = tape()[0];
    for (const std::size_t k : {2, 5, 9}) damaged[k] ^= 0x04;  // three bytes of the name
    write_bytes(at("one.raw"), samples_as_bytes(take(1, {}, {one, tape()[0], two, tape()[1], three})));
    write_bytes(at("two.raw"), samples_as_bytes(take(2, {}, {TapBlock{0x5A, 0x5B}, tape()[0], tape()[1], TapBlock{0x66}})));
    write_bytes(at("three.raw"), samples_as_bytes(take(3, {}, {damaged, TapBlock{0x77, 0x01}, tape()[1]})));
    const CliResult r = run_cli({"--quiet", "--tzx", "--merge", "one.raw", "two.raw", "three.raw"}, dir.path);
    EXPECT_EQ(r.status, 0) << r.out << r.err;  // noise is no failed block
    EXPECT_EQ(parse_tap(read_bytes(at("one-merged/000_Noname.tap"))), tape());
    EXPECT_EQ(tzx_blocks(read_bytes(at("one-merged/one-merged.tzx"))), tape());
    EXPECT_EQ(list_folder(at("one-merged")), (std::vector<std::string>{"000_Noname.tap", "Log.txt", "one-merged.json", "one-merged.tzx"}));
    const std::string log = text_of("one-merged/Log.txt");
    EXPECT_NE(log.find("Checksum: OK, Takes: 1+2+3, Agreed"), std::string::npos) << log;  // the header
    EXPECT_NE(log.find("Checksum: Error, Takes: 3, Fragment: not stored\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Merged 8 blocks of 3 takes: 2 agreed, 0 from one take, 0 voted, 0 alone, 6 fragments; "
                       "0 still failing"), std::string::npos) << log;
}
}  // namespace
