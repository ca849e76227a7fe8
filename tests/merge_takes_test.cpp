// Whole runs of `velliqor --merge` on takes of one tape made here, each with
// its own noise and dropouts.
#include <gtest/gtest.h>

#include <string>

#include "support/test_files.h"
#include "support/test_tapes.h"

namespace {
using MergeTakes = FolderTest;

const std::vector<Block>& tape() {
    static const std::vector<Block> blocks{make_header(3, "merged", 1500, 32768, 32768), make_data_block(0xFF, pattern(1500, 7))};
    return blocks;
}

// A take: the tape with its own noise, and the signal fading away for a few
// milliseconds at each of `dropouts` (in seconds from the start).
std::vector<std::int16_t> take(std::uint32_t seed, const std::vector<double>& dropouts) {
    EncoderOptions options;
    options.waveform = Waveform::rounded;
    options.noise = 2500;
    options.seed = seed;
    options.pilot_pulses = 2000;
    std::vector<std::int16_t> samples = encode_blocks(tape(), options);
    for (double t : dropouts) {
        const std::size_t from = static_cast<std::size_t>(t * 48000);
        for (std::size_t k = from; k < from + 150 && k < samples.size(); ++k) samples[k] = static_cast<std::int16_t>(samples[k] / 20);
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
        const std::vector<Block> single = parse_tap(read_bytes(at(std::string(name) + "/000_Noname.tap")));
        EXPECT_TRUE(single != tape()) << name << " alone is exact: the test shows nothing";
    }
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(parse_tap(read_bytes(at("one-merged/000_Noname.tap"))), tape());
    const std::string log = text_of("one-merged/Log.txt");
    EXPECT_NE(log.find("Checksum: OK, Takes: 1+2+3, Agreed\r\n"), std::string::npos) << log;
    EXPECT_NE(log.find("*** Merged 2 blocks of 3 takes: 1 agreed, 0 from one take, 1 voted, 0 still failing ***"),
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
