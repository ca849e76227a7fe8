// A block that overran the length its header announced is trimmed when the
// overrun is at most the tolerance, and left whole when it is longer.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "analysis/pulse_ring.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "output/block_report.h"
#include "output/tap_writer.h"
#include "support/core_fixture.h"
#include "tools/tape_encoder.h"

namespace {
constexpr int tolerance = static_cast<int>(overlen_tolerance);

class OverrunTrim : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        set_tap_name(run, reinterpret_cast<const std::uint8_t*>("Noname"), 6);
        run.stats->attempt.period_max = nominal_period;
        run.stats->attempt.period_min = nominal_period;
    }
    void TearDown() override {
        close_tap_file(run);  // also when a test stopped before reading its file
        CoreTest::TearDown();
    }
    // Reports a decoded block, as decode_block leaves one, and returns its log line.
    std::string report(const TapBlock& block) {
        std::memcpy(run.buffer->bytes, block.data(), block.size());
        run.buffer->bit_count = static_cast<std::int32_t>(block.size()) * 8;
        run.decoder->decoder_state = Data;
        run.decoder->block_start = next_start;
        run.ring->newest_pulse_position = next_start + 1000;
        next_start += 2000;
        run.decoder->last_result = long_pulse;
        const std::size_t before = log_text().size();
        finish_block(run);
        // The block's own line is the last: a new file's name may come before it.
        const std::string added = log_text().substr(before);
        const std::size_t end = added.find_last_not_of('\n');
        const std::size_t begin = added.rfind('\n', end);
        return added.substr(begin == std::string::npos ? 0 : begin + 1, end - (begin == std::string::npos ? 0 : begin + 1) + 1);
    }
    // The blocks stored in a TAP file of the run.
    std::vector<TapBlock> stored(const std::string& name) {
        close_tap_file(run);
        return parse_tap(read_bytes(name));
    }
    std::int32_t next_start = 0;
};

// The block followed by `extra` bytes that do not belong to it.
TapBlock overrun(TapBlock b, std::size_t extra) {
    b.resize(b.size() + extra, 0x55);
    return b;
}

bool has(const std::string& line, const std::string& part) { return line.find(part) != std::string::npos; }

TEST_F(OverrunTrim, HeaderOverrunByExactlyTheToleranceIsStillAHeader) {
    const TapBlock header = make_header(0, "edge", 300, 10, 300);
    const std::string line = report(overrun(header, tolerance));
    EXPECT_TRUE(has(line, " Program: edge       Start: 00010, Len: 00300")) << line;
    EXPECT_TRUE(has(line, "Checksum: OK, OverLen: 020")) << line;
    // It names the file and holds only the header's own bytes.
    const TapBlock data = make_data_block(0xFF, std::vector<std::uint8_t>(300, 3));
    const std::string data_line = report(overrun(data, tolerance));  // trimmed against the header it announced
    EXPECT_TRUE(has(data_line, "Len: 00302, Speed: 100-100%, Checksum: OK, OverLen: 020")) << data_line;
    EXPECT_EQ(stored("000_edge.tap"), (std::vector<TapBlock>{header, data}));
}

TEST_F(OverrunTrim, HeaderOverrunByOneMoreIsDataOfItsFullLength) {
    const TapBlock header = make_header(0, "edge", 300, 10, 300);
    const TapBlock long_block = overrun(header, tolerance + 1);
    const std::string line = report(long_block);
    EXPECT_TRUE(has(line, " <data>                            Len: 00040, ")) << line;
    EXPECT_FALSE(has(line, "OverLen")) << line;
    EXPECT_FALSE(has(line, "Program")) << line;
    EXPECT_TRUE(has(line, "Checksum: Error")) << line;  // the checksum runs over all 40 bytes
    // No header was seen, so the data after it is not trimmed either.
    const TapBlock data = overrun(make_data_block(0xFF, std::vector<std::uint8_t>(300, 3)), tolerance);
    const std::string data_line = report(data);
    EXPECT_TRUE(has(data_line, "Len: 00322, ")) << data_line;
    EXPECT_FALSE(has(data_line, "OverLen")) << data_line;
    EXPECT_EQ(list_folder(dir.path), std::vector<std::string>{"000_Noname.tap"});
    EXPECT_EQ(stored("000_Noname.tap"), (std::vector<TapBlock>{long_block, data}));
}

TEST_F(OverrunTrim, DataOverrunByExactlyTheToleranceIsStoredTrimmedAndOneMoreIsStoredWhole) {
    const TapBlock header = make_header(3, "code", 300, 32768, 0);
    const TapBlock data = make_data_block(0xFF, std::vector<std::uint8_t>(300, 7));
    report(header);
    EXPECT_TRUE(has(report(overrun(data, tolerance)), "Len: 00302, Speed: 100-100%, Checksum: OK, OverLen: 020"));
    report(header);
    const TapBlock whole = overrun(data, tolerance + 1);
    const std::string line = report(whole);
    EXPECT_TRUE(has(line, "Len: 00323, Speed: 100-100%, Checksum: Error")) << line;
    EXPECT_FALSE(has(line, "OverLen")) << line;
    EXPECT_EQ(stored("000_Noname.tap"), (std::vector<TapBlock>{header, data, header, whole}));
}
TEST(ReportedLength, TrimsAnOverrunOfAtMostTheTolerance) {
    const struct {
        std::int32_t decoded;
        std::uint8_t flag;
        bool after_header;
        std::int32_t announced, reported;
    } cases[] = {
        {322, 0xFF, true, 300, 302}, {323, 0xFF, true, 300, 323}, {322, 0xFF, false, 300, 322},
        {301, 0xFF, true, 300, 301}, {39, 0x00, false, 0, 19}, {40, 0x00, true, 0, 40}, {30, 0x42, true, 10, 30},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(reported_length(c.decoded, c.flag, c.after_header, c.announced), c.reported) << c.decoded;
    }
}
}  // namespace
