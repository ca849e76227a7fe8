// Combining takes: the alignment of bit streams with wrong, lost and gained
// bits, and the vote that makes one block of several damaged copies.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "merge/match.h"
#include "merge/merge.h"
#include "support/test_tapes.h"

namespace {
// A block that passes its XOR checksum: flag, payload, checksum.
std::vector<std::uint8_t> good_block(std::size_t payload, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<std::uint8_t> bytes{0xFF};
    for (std::size_t k = 0; k < payload; ++k) bytes.push_back(static_cast<std::uint8_t>(random()));
    std::uint8_t x = 0;
    for (std::uint8_t b : bytes) x ^= b;
    bytes.push_back(x);
    return bytes;
}

TakeCopy copy_of(int take, std::vector<std::uint8_t> bits) {
    TakeCopy c;
    c.take = take;
    c.bits = std::move(bits);
    return c;
}

std::vector<std::uint8_t> flipped(std::vector<std::uint8_t> bits, std::initializer_list<std::size_t> at) {
    for (std::size_t k : at) bits[k] ^= 1;
    return bits;
}

std::vector<std::uint8_t> without(std::vector<std::uint8_t> bits, std::size_t at) {
    bits.erase(bits.begin() + static_cast<std::ptrdiff_t>(at));
    return bits;
}

std::vector<std::uint8_t> with_extra(std::vector<std::uint8_t> bits, std::size_t at, std::uint8_t bit) {
    bits.insert(bits.begin() + static_cast<std::ptrdiff_t>(at), bit);
    return bits;
}

TEST(AlignBits, FindsWrongLostAndGainedBitsAtTheirPlaces) {
    const std::vector<std::uint8_t> truth = bits_of(good_block(40, 1));
    Alignment a = align_bits(truth, flipped(truth, {5, 200}), 16);
    EXPECT_EQ(a.cost, 2);
    for (int k = 0; k < static_cast<int>(truth.size()); ++k) EXPECT_EQ(a.matched[static_cast<std::size_t>(k)], k);

    a = align_bits(truth, without(truth, 100), 16);
    EXPECT_EQ(a.cost, 1);
    int lost = 0;
    for (int m : a.matched) lost += m < 0 ? 1 : 0;
    EXPECT_EQ(lost, 1);
    EXPECT_EQ(a.matched.back(), static_cast<int>(truth.size()) - 2);  // everything after shifts by one

    a = align_bits(truth, with_extra(truth, 100, 1), 16);
    EXPECT_EQ(a.cost, 1);
    int gained = 0;
    for (int g : a.inserted) gained += g;
    EXPECT_EQ(gained, 1);
    EXPECT_EQ(a.matched.back(), static_cast<int>(truth.size()));
}

// The edit distance by the full table, for checking.
int edit_distance(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b) {
    std::vector<int> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= a.size(); ++i) {
        int diagonal = row[0];
        row[0] = static_cast<int>(i);
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const int up = row[j];
            row[j] = std::min({up + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = up;
        }
    }
    return row[b.size()];
}

TEST(AlignBits, FindsTheLeastEditsAndAnAlignmentThatAccountsForThem) {
    std::mt19937 random(11);
    for (int trial = 0; trial < 300; ++trial) {
        std::vector<std::uint8_t> a(1 + random() % 300), b;
        for (std::uint8_t& bit : a) bit = static_cast<std::uint8_t>(random() & 1);
        b = a;
        for (int e = static_cast<int>(random() % 12); e > 0 && !b.empty(); --e) {
            const std::size_t at = random() % b.size();
            const int kind = static_cast<int>(random() % 3);
            if (kind == 0) b[at] ^= 1;
            if (kind == 1) b.erase(b.begin() + static_cast<std::ptrdiff_t>(at));
            if (kind == 2) b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(random() & 1));
        }
        const Alignment al = align_bits(a, b, 16);
        ASSERT_EQ(al.cost, edit_distance(a, b)) << trial;
        // Every bit of b is matched or inserted once, in order, and the edits add up to the cost.
        int seen = 0, last = -1, edits = 0;
        for (std::size_t k = 0; k <= a.size(); ++k) {
            seen += al.inserted[k];
            edits += al.inserted[k];
            if (k == a.size()) break;
            const int j = al.matched[k];
            if (j < 0) {
                ++edits;
                continue;
            }
            ASSERT_GT(j, last) << trial;
            last = j;
            ++seen;
            edits += a[k] != b[static_cast<std::size_t>(j)];
        }
        EXPECT_EQ(seen, static_cast<int>(b.size())) << trial;
        EXPECT_EQ(edits, al.cost) << trial;
    }
}

TEST(AlignBits, CopesWithEmptyAndVeryUnequalStreams) {
    const std::vector<std::uint8_t> truth = bits_of(good_block(20, 2));
    EXPECT_EQ(align_bits(truth, {}, 8).cost, static_cast<int>(truth.size()));
    EXPECT_EQ(align_bits({}, truth, 8).cost, static_cast<int>(truth.size()));
    const int cost = align_bits({1, 0}, truth, 8).cost;  // two bits against many: a band wide enough to reach
    EXPECT_GE(cost, static_cast<int>(truth.size()) - 2);
    EXPECT_LE(cost, static_cast<int>(truth.size()));
}

TEST(MergeBlock, AllTakesEqualAndPassingAreTakenAsTheyAre) {
    const std::vector<std::uint8_t> block = good_block(100, 3);
    const MergedBlock m = merge_block({copy_of(0, bits_of(block)), copy_of(1, bits_of(block)), copy_of(2, bits_of(block))});
    EXPECT_EQ(m.source, MergeSource::agreed);
    EXPECT_EQ(m.from_take, 0);
    EXPECT_EQ(m.bytes, block);
    EXPECT_TRUE(m.passes);
    EXPECT_EQ(m.contested_bits, 0);
}

TEST(MergeBlock, WrongBitsInEveryTakeAreOutvoted) {
    const std::vector<std::uint8_t> block = good_block(300, 4);
    const std::vector<std::uint8_t> bits = bits_of(block);
    const MergedBlock m = merge_block({copy_of(0, flipped(bits, {10, 1000})), copy_of(1, flipped(bits, {500, 2300})),
                                       copy_of(2, flipped(bits, {77}))});
    EXPECT_EQ(m.source, MergeSource::voted);
    EXPECT_EQ(m.bytes, block);
    EXPECT_EQ(m.contested_bits, 5);
}

TEST(MergeBlock, ALostAndAGainedBitShiftOnlyTheirOwnTake) {
    const std::vector<std::uint8_t> block = good_block(500, 5);
    const std::vector<std::uint8_t> bits = bits_of(block);
    const MergedBlock m = merge_block({copy_of(0, without(bits, 900)), copy_of(1, with_extra(bits, 2000, 0)),
                                       copy_of(2, flipped(bits, {3000}))});
    EXPECT_TRUE(m.passes);
    EXPECT_EQ(m.bytes, block);
}

TEST(MergeBlock, BurstsAtTheStartAndTheEndAreVotedAway) {
    const std::vector<std::uint8_t> block = good_block(200, 6);
    const std::vector<std::uint8_t> bits = bits_of(block);
    std::vector<std::uint8_t> start_burst = bits, end_burst = bits;
    for (std::size_t k = 0; k < 12; ++k) start_burst[k] ^= static_cast<std::uint8_t>(k % 3 == 0);
    for (std::size_t k = bits.size() - 12; k < bits.size(); ++k) end_burst[k] ^= static_cast<std::uint8_t>(k % 2);
    end_burst.resize(end_burst.size() - 3);  // and the take's end came early
    const MergedBlock m = merge_block({copy_of(0, start_burst), copy_of(1, end_burst), copy_of(2, flipped(bits, {100}))});
    EXPECT_TRUE(m.passes);
    EXPECT_EQ(m.bytes, block);
}

TEST(MergeBlock, TwoTakesThatDisagreeAreSettledByWeightThenByTheChecksum) {
    const std::vector<std::uint8_t> block = good_block(64, 7);
    const std::vector<std::uint8_t> bits = bits_of(block);
    // Take 1 guessed the bit that take 0 read cleanly.
    TakeCopy sure = copy_of(0, bits), unsure = copy_of(1, flipped(bits, {40}));
    unsure.weights.assign(bits.size(), weight_clean);
    unsure.weights[40] = weight_guessed;
    MergedBlock m = merge_block({unsure, sure});
    EXPECT_EQ(m.bytes, block);
    EXPECT_TRUE(m.passes);
    // Equal weights and one wrong bit each: the vote fails the checksum, the
    // weakest votes at the failing positions are turned over.
    // Equal weights and one wrong bit each: no vote can tell which is right,
    // and no bit is turned over to make the checksum pass.
    m = merge_block({copy_of(0, flipped(bits, {41})), copy_of(1, flipped(bits, {300}))});
    EXPECT_FALSE(m.passes);
    EXPECT_EQ(m.source, MergeSource::failed);
    EXPECT_EQ(m.bytes.size(), block.size());
}

TEST(MergeBlock, NeverWorseThanATakeThatPasses) {
    const std::vector<std::uint8_t> block = good_block(64, 8);
    const std::vector<std::uint8_t> bits = bits_of(block);
    // Two takes agree on the same wrong bits; the third is right.
    const std::vector<std::uint8_t> wrong = flipped(bits, {20, 21});
    const MergedBlock m = merge_block({copy_of(0, wrong), copy_of(1, wrong), copy_of(2, bits)});
    EXPECT_TRUE(m.passes);
    EXPECT_EQ(m.bytes, block);
    EXPECT_EQ(m.source, MergeSource::one_take);
    EXPECT_EQ(m.from_take, 2);
}

TEST(MergeBlock, RandomDamageOfThreeTakesIsRepairedWhereTheVoteCanTell) {
    std::mt19937 random(9);
    int exact = 0;
    for (int trial = 0; trial < 20; ++trial) {
        const std::vector<std::uint8_t> block = good_block(400, 100 + trial);
        const std::vector<std::uint8_t> bits = bits_of(block);
        std::vector<TakeCopy> takes;
        for (int t = 0; t < 3; ++t) {
            std::vector<std::uint8_t> b = bits;
            for (int e = 0; e < 4; ++e) {
                const std::size_t at = random() % (b.size() - 1);
                const int kind = static_cast<int>(random() % 3);
                if (kind == 0) b[at] ^= 1;
                if (kind == 1) b.erase(b.begin() + static_cast<std::ptrdiff_t>(at));
                if (kind == 2) b.insert(b.begin() + static_cast<std::ptrdiff_t>(at), static_cast<std::uint8_t>(random() & 1));
            }
            takes.push_back(copy_of(t, b));
        }
        const MergedBlock m = merge_block(takes);
        exact += m.bytes == block ? 1 : 0;
        EXPECT_FALSE(m.passes && m.bytes != block) << trial;
    }
    EXPECT_GE(exact, 18);
}
}  // namespace

namespace {
BlockInfo data(std::int32_t length, std::uint8_t flag = 0xFF) { return {flag, length, {}}; }
BlockInfo header(char name) {
    std::vector<std::uint8_t> h(19, 0x20);
    h[0] = 0x00;
    h[2] = static_cast<std::uint8_t>(name);
    return {0x00, 19, h};
}

TEST(MatchBlocks, TakesThatMissOrAddBlocksStillLineUpInTapeOrder) {
    const std::vector<BlockInfo> tape{header('a'), data(100), header('b'), data(6914), data(40)};
    std::vector<BlockInfo> missing = tape;
    missing.erase(missing.begin() + 1);                    // take 2 lost a block
    std::vector<BlockInfo> spurious = tape;
    spurious.insert(spurious.begin() + 3, data(1, 0x3C));  // take 3 found noise
    spurious[4].length = 6913;                             // and its long block lost a byte
    const std::vector<MatchedBlock> groups = match_blocks({tape, missing, spurious});
    ASSERT_EQ(groups.size(), 6u);
    EXPECT_EQ(groups[0], (MatchedBlock{0, 0, 0}));
    EXPECT_EQ(groups[1], (MatchedBlock{1, -1, 1}));
    EXPECT_EQ(groups[2], (MatchedBlock{2, 1, 2}));
    EXPECT_EQ(groups[3], (MatchedBlock{-1, -1, 3}));
    EXPECT_EQ(groups[4], (MatchedBlock{3, 2, 4}));
    EXPECT_EQ(groups[5], (MatchedBlock{4, 3, 5}));
    EXPECT_NEAR(matched_share(groups, {tape, missing, spurious}), 1.0, 1e-9);  // the noise is not counted
}

TEST(MatchBlocks, HeadersOfOtherTapesDoNotMatch) {
    const std::vector<std::vector<BlockInfo>> takes{{header('a'), data(300), header('b'), data(20)},
                                                    {header('x'), data(7), header('y'), data(999)}};
    EXPECT_LT(matched_share(match_blocks(takes), takes), 0.5);
    EXPECT_EQ(match_blocks({{}, {}}).size(), 0u);
}

// Copies damaged at their start, made from the encoder's blocks with seeded
// damage, still find their block in the other takes; another tape's header does not.
TEST(MatchBlocks, CopiesDamagedAtTheirStartMatchByTheirBits) {
    const std::vector<TapBlock> tape{make_header(3, "first", 1005, 32768, 0), make_data_block(0xFF, pattern(1005, 1)),
                                  make_header(0, "second", 300, 10, 300), make_data_block(0xFF, pattern(300, 2))};
    std::mt19937 random(11);
    const auto wrong_bytes = [&](TapBlock b, int count) {  // one bit each, in distinct bytes
        std::vector<std::size_t> at;
        for (std::size_t k = 1; k < b.size(); ++k) at.push_back(k);
        std::shuffle(at.begin(), at.end(), random);
        for (int k = 0; k < count; ++k) b[at[static_cast<std::size_t>(k)]] ^= static_cast<std::uint8_t>(1 << (random() % 8));
        return b;
    };
    const auto slipped = [](const TapBlock& b) {  // a '0' gained before the flag: the same length, every byte shifted
        std::vector<std::uint8_t> bits = bits_of(b);
        bits.insert(bits.begin(), 0);
        return bytes_of(std::vector<std::uint8_t>(bits.begin(), bits.end() - 1));
    };
    const struct {
        std::size_t block;
        TapBlock copy;
        bool matches;
    } cases[] = {{0, wrong_bytes(tape[0], 3), true},
                 {2, wrong_bytes(tape[2], 5), true},
                 {1, slipped(tape[1]), true},
                 {2, slipped(tape[2]), true},
                 {0, make_header(3, "other", 1005, 32768, 0), false},
                 {2, make_header(0, "third", 200, 10, 200), false}};
    for (const auto& c : cases) {
        std::vector<BlockInfo> good, damaged;
        for (const TapBlock& b : tape) good.push_back(block_info(b));
        damaged = good;
        damaged[c.block] = block_info(c.copy);
        const std::vector<MatchedBlock> groups = match_blocks({good, damaged, good});
        const int k = static_cast<int>(c.block);
        EXPECT_EQ(groups.size(), c.matches ? 4u : 5u) << c.block;
        EXPECT_EQ(std::count(groups.begin(), groups.end(), MatchedBlock{k, k, k}), c.matches ? 1 : 0) << c.block;
    }
}
}  // namespace
