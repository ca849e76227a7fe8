// The zero-crossing front end on its own: every bit of every block, at other
// speeds and polarities, through noise and a lost top end; nothing in silence.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "decode/zero_crossings.h"
#include "support/test_tapes.h"

namespace {
std::vector<std::uint8_t> bits_of(const TapBlock& block) {
    std::vector<std::uint8_t> bits;
    for (std::uint8_t b : block) {
        for (int k = 7; k >= 0; --k) bits.push_back(static_cast<std::uint8_t>(b >> k & 1));
    }
    return bits;
}

// A first-order low-pass near 3 kHz: the dull top end of a worn head or a lossy encoding.
std::vector<std::int16_t> dulled(std::vector<std::int16_t> samples) {
    double y = 0.0;
    for (std::int16_t& s : samples) {
        y += 0.33 * (s - y);
        s = static_cast<std::int16_t>(y);
    }
    return samples;
}

TEST(ZeroCrossings, ReadEveryBitOfEveryBlock) {
    const std::vector<TapBlock> tape{make_header(0, "crossings", 300, 10, 300), make_data_block(0xFF, pattern(300, 3)),
                                     make_data_block(0x47, pattern(40, 4))};
    EncoderOptions fast_noisy, slow_inverted;
    fast_noisy.speed = 1.06;
    fast_noisy.noise = 2500;
    fast_noisy.waveform = Waveform::rounded;
    slow_inverted.speed = 0.93;
    slow_inverted.invert = true;
    const struct {
        const char* name;
        std::vector<std::int16_t> samples;
    } cases[] = {
        {"square", encode_blocks(tape, {})},
        {"fast, noisy", encode_blocks(tape, fast_noisy)},
        {"slow, inverted, dull", dulled(encode_blocks(tape, slow_inverted))},
    };
    for (const auto& c : cases) {
        const std::vector<CrossingBlock> blocks = read_by_zero_crossings(c.samples, 1000);
        ASSERT_EQ(blocks.size(), tape.size()) << c.name;
        for (std::size_t k = 0; k < tape.size(); ++k) {
            EXPECT_EQ(blocks[k].bits, bits_of(tape[k])) << c.name << ", block " << k;
            EXPECT_GE(blocks[k].start, k == 0 ? 1000 : blocks[k - 1].end) << c.name << ", block " << k;
            EXPECT_GT(blocks[k].end, blocks[k].start) << c.name << ", block " << k;
            EXPECT_TRUE(blocks[k].sync_seen) << c.name << ", block " << k;
        }
    }
    EXPECT_TRUE(read_by_zero_crossings(std::vector<std::int16_t>(48000, 0)).empty());
    EXPECT_TRUE(read_by_zero_crossings({}).empty());
}
}  // namespace
