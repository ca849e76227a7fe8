// A block that fails its checksum is read again by zero crossings, and the
// reading stands only when two of them agree and pass unchanged. On dull,
// noisy recordings that brings back what one pass lost, and calls no more
// wrong blocks OK than one pass does.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "support/in_process_run.h"
#include "support/test_files.h"
#include "support/test_tapes.h"

namespace {
// Blocks of 20 bytes, each unlike the others.
std::vector<TapBlock> many_blocks(int count, unsigned seed) {
    std::vector<TapBlock> blocks;
    for (int k = 0; k < count; ++k) blocks.push_back(make_data_block(static_cast<std::uint8_t>(0x80 | k), pattern(20, seed * 1000 + k)));
    return blocks;
}

// A one-pole low-pass: `a` near 1 leaves the sound as it is, lower dulls it.
std::vector<std::int16_t> dulled(std::vector<std::int16_t> samples, double a) {
    double y = 0.0;
    for (std::int16_t& s : samples) {
        y += a * (s - y);
        s = static_cast<std::int16_t>(y);
    }
    return samples;
}

// Every `period` samples the level falls 40 dB for 3 ms, with half-millisecond
// ramps: oxide lost on a tape otherwise clean.
std::vector<std::int16_t> with_dropouts(std::vector<std::int16_t> samples, std::size_t period) {
    const std::size_t ramp = 24, hold = 144;
    for (std::size_t at = period; at + 2 * ramp + hold < samples.size(); at += period) {
        for (std::size_t k = 0; k < 2 * ramp + hold; ++k) {
            const double down = std::min({1.0, static_cast<double>(k) / ramp, static_cast<double>(2 * ramp + hold - k) / ramp});
            samples[at + k] = static_cast<std::int16_t>(samples[at + k] * (1.0 - 0.99 * down));
        }
    }
    return samples;
}

struct Outcome {
    int exact = 0, wrong_passing = 0, second = 0;
};

Outcome recover(const TempDir& dir, const std::string& name, const std::vector<std::int16_t>& samples,
                const std::vector<TapBlock>& truth, bool second_chances) {
    write_bytes(dir.path + "/" + name + ".raw", samples_as_bytes(samples));
    RunSettings settings;
    settings.drawing = false;
    settings.echo = false;
    settings.keep_blocks = true;
    settings.second_chances = second_chances;
    ::Run run;
    const RunResult result = run_in_process(run, dir.path + "/" + name + ".raw", settings);
    const std::set<TapBlock> known(truth.begin(), truth.end());
    Outcome o;
    for (const Block& b : result.blocks) {
        if (known.count(b.bytes) != 0) ++o.exact;
        else if (b.checksum_ok) ++o.wrong_passing;
    }
    o.second = result.second_chances;
    return o;
}

TEST(SecondChances, BringBackWhatOnePassLostAndCallNoMoreWrongBlocksOk) {
    const TempDir dir = make_temp_dir();
    int lost = 0, total = 0;
    Outcome one_all, two_all;
    // Four seeded damages of 256 blocks each, duller and noisier in turn;
    // then dropouts on a clean tape.
    const double dullness[] = {0.6, 0.5, 0.4, 0.3, 1.0};
    for (int k = 0; k < 5; ++k) {
        const std::vector<TapBlock> tape = many_blocks(k < 4 ? 256 : 64, static_cast<unsigned>(k + 1));
        EncoderOptions options;
        options.waveform = Waveform::rounded;
        options.noise = k < 4 ? 1000 + 400 * k : 0;
        options.seed = static_cast<std::uint32_t>(11 + k);
        options.pause_s = 0.3;
        std::vector<std::int16_t> samples = dulled(encode_blocks(tape, options), dullness[k]);
        if (k == 4) samples = with_dropouts(std::move(samples), 7001);
        const std::string name = "dull" + std::to_string(k);
        const Outcome one = recover(dir, name + "-one", samples, tape, false);
        const Outcome two = recover(dir, name + "-two", samples, tape, true);
        SCOPED_TRACE(name);
        EXPECT_EQ(one.second, 0);
        EXPECT_GE(two.exact, one.exact);
        EXPECT_EQ(two.exact, one.exact + two.second) << "every second reading is a block of the tape";
        lost += static_cast<int>(tape.size()) - one.exact;
        total += static_cast<int>(tape.size());
        one_all.wrong_passing += one.wrong_passing;
        two_all.wrong_passing += two.wrong_passing;
        two_all.exact += two.exact;
    }
    std::printf("%d blocks: one pass lost %d, second readings %d exact; wrong yet passing: %d one pass, %d with second readings\n",
                total, lost, two_all.exact, one_all.wrong_passing, two_all.wrong_passing);
    EXPECT_GT(lost, 20) << "the damage must cost one pass blocks, or this tests nothing";
    EXPECT_GE(two_all.exact, total - lost / 4) << "second readings bring back most of what one pass lost";
    EXPECT_LE(two_all.wrong_passing, one_all.wrong_passing);
    remove_temp_dir(dir);
}
}  // namespace
