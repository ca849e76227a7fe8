// The blocks a run reports to a front end that keeps them (the merge of
// takes), every bit decoded with what the decoder knew of it: keeping them
// changes nothing that a run writes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "app/linux/take_blocks.h"
#include "output/block_report.h"
#include "support/in_process_run.h"
#include "support/test_files.h"
#include "support/test_tapes.h"
#include "view/canvas.h"

namespace {
struct Kept {
    std::vector<std::uint8_t> bytes, weights, bits;  // bits: every one decoded
    bool checksum_ok = false;
    std::int32_t start = 0;
};
std::vector<Kept> kept;

void keep(const Block& b) {
    Kept k;
    k.bytes = b.bytes;
    k.weights.assign(b.weights.begin(), b.weights.begin() + static_cast<std::ptrdiff_t>(std::min(b.weights.size(), 8 * b.bytes.size())));
    k.bits = b.bits;
    k.checksum_ok = b.checksum_ok;
    k.start = b.start;
    kept.push_back(k);
}

// Bits as text, most significant first.
std::string text_of(const std::vector<std::uint8_t>& bytes, bool one_per_bit) {
    std::string t;
    for (std::uint8_t b : bytes) {
        for (int k = one_per_bit ? 0 : 7; k >= 0; --k) t += static_cast<char>('0' + (b >> k & 1));
    }
    return t;
}

// Runs the whole job in this process on `samples`, in folder `name` of `dir`.
int run_in_process(const TempDir& dir, const std::string& name, const std::vector<std::int16_t>& samples, bool keep_blocks) {
    write_bytes(dir.path + "/" + name + ".raw", samples_as_bytes(samples));
    char previous[4096];
    if (getcwd(previous, sizeof previous) == nullptr || chdir(dir.path.c_str()) != 0) return -1;
    EXPECT_TRUE(canvas_create(800, 680));
    RunSettings settings;
    settings.drawing = false;
    if (keep_blocks) settings.block_sink = keep;
    ::Run run;
    const int status = run_in_process(run, dir.path + "/" + name + ".raw", settings).status;
    canvas_destroy();
    return chdir(previous) == 0 ? status : -1;
}

TEST(ReportedBlocks, CarryTheirBytesAndWhatTheDecoderKnewOfEachBit) {
    const TempDir dir = make_temp_dir();
    kept.clear();
    const std::vector<TapBlock> tape = test_tape();
    ASSERT_EQ(run_in_process(dir, "clean", encode_blocks(tape, {}), true), 2);  // the tape has a bad block on purpose
    ASSERT_EQ(kept.size(), tape.size());
    std::size_t bits = 0, clean = 0;
    for (std::size_t k = 1; k < tape.size(); ++k) {  // the first, at the very start of the recording, is not read whole
        EXPECT_EQ(kept[k].bytes, tape[k]) << k;
        ASSERT_EQ(kept[k].weights.size(), 8 * tape[k].size()) << k;
        for (std::uint8_t w : kept[k].weights) {
            EXPECT_TRUE(w == weight_clean || w == weight_filled || w == weight_guessed);
            clean += w == weight_clean ? 1 : 0;
        }
        bits += kept[k].weights.size();
    }
    EXPECT_GT(clean, bits * 999 / 1000);  // a clean recording is read, not guessed
    EXPECT_LT(kept[0].start, kept[1].start);

    // A '0' lost in a dropout is filled in, and says so.
    kept.clear();
    ASSERT_EQ(run_in_process(dir, "dropout", bit_pattern("11111111" "0000x000" "11111111"), true), 0);
    ASSERT_EQ(kept.size(), 1u);
    ASSERT_EQ(kept[0].weights.size(), 24u);
    int filled = 0;
    for (std::uint8_t w : kept[0].weights) filled += w == weight_filled ? 1 : 0;
    EXPECT_EQ(filled, 1);
    EXPECT_EQ(kept[0].weights[12], weight_filled);
    remove_temp_dir(dir);
}

TEST(ReportedBlocks, KeepingThemChangesNothingTheRunWrites) {
    const TempDir dir = make_temp_dir();
    EncoderOptions options;
    options.noise = 5000;
    options.waveform = Waveform::rounded;
    const std::vector<std::int16_t> samples = encode_blocks(test_tape(), options);
    kept.clear();
    const int plain = run_in_process(dir, "plain", samples, false);
    const int keeping = run_in_process(dir, "keeping", samples, true);
    EXPECT_EQ(plain, keeping);
    EXPECT_EQ(list_folder(dir.path + "/plain"), list_folder(dir.path + "/keeping"));
    for (const std::string& f : list_folder(dir.path + "/plain")) {
        EXPECT_EQ(read_bytes(dir.path + "/plain/" + f), read_bytes(dir.path + "/keeping/" + f)) << f;
    }
    remove_temp_dir(dir);
}

// Every bit decoded is reported, also those the report leaves out: an overrun
// of the announced length, a partial last byte. Each block ends in one '1'
// more, its closing pulse or the first pulse of a pilot that follows at once.
TEST(ReportedBlocks, CarryEveryBitDecoded) {
    const TempDir dir = make_temp_dir();
    const TapBlock header = make_header(3, "over", 10, 32768, 0), data = make_data_block(0xFF, pattern(15, 3));
    const struct {
        const char* name;
        std::vector<std::int16_t> samples;
        std::vector<std::string> bits;
        std::vector<std::size_t> lengths;
    } cases[] = {
        {"overrun", encode_blocks({header, data}, {}), {text_of(header, false) + "1", text_of(data, false) + "1"}, {19, 12}},
        {"partial", bit_pattern("11111111" "00000000" "101"), {"11111111" "00000000" "1011"}, {2}},
        {"pilot_at_once", bit_pattern("11111111" "00000000" "101" "p" "11111111" "00000000" "0101"),
         {"11111111" "00000000" "1011", "11111111" "00000000" "01011"}, {2, 2}},
    };
    for (const auto& c : cases) {
        kept.clear();
        run_in_process(dir, c.name, c.samples, true);
        ASSERT_EQ(kept.size(), c.bits.size()) << c.name;
        for (std::size_t k = 0; k < kept.size(); ++k) {
            EXPECT_EQ(text_of(kept[k].bits, true), c.bits[k]) << c.name << k;
            EXPECT_EQ(kept[k].bytes.size(), c.lengths[k]) << c.name << k;
        }
    }
    remove_temp_dir(dir);
}

// A take's blocks for the merge: every bit with a weight (a run that kept none
// read every bit from its own pulse), and the last one cut when the recording
// ended inside it.
TEST(ReportedBlocks, TakeBlocksCarryWeightsAndTheCut) {
    Block weighed, unweighed;
    weighed.bits = {0, 1, 1};
    weighed.weights = {weight_clean, weight_filled, weight_guessed};
    unweighed.bits = {1, 0};
    unweighed.end = 1000;
    const std::vector<TakeBlock> whole = take_blocks({weighed, unweighed}, 1000000);
    ASSERT_EQ(whole.size(), 2u);
    EXPECT_EQ(whole[0].block.weights, weighed.weights);
    EXPECT_EQ(whole[1].block.weights, std::vector<std::uint8_t>(2, weight_clean));
    EXPECT_FALSE(whole[0].cut || whole[1].cut);
    EXPECT_TRUE(take_blocks({weighed, unweighed}, 1001).back().cut);
}
}  // namespace
