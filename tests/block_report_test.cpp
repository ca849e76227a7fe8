// The log line of every block, pause notes, overrun trimming and the TAP records.
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
class BlockReportTest : public CoreTest {
protected:
    void SetUp() override {
        CoreTest::SetUp();
        set_tap_name(run, reinterpret_cast<const std::uint8_t*>("Noname"), 6);
        run.stats->attempt.period_max = 23.4528f;
        run.stats->attempt.period_min = 23.4528f;
    }
    // Reports a decoded block that began at `start` and ended at `end` (absolute sample indices).
    void report(const TapBlock& block, std::int32_t start, std::int32_t end, int extra_bits = 0) {
        if (!block.empty()) std::memcpy(run.buffer->bytes, block.data(), block.size());
        run.buffer->bit_count = static_cast<std::int32_t>(block.size()) * 8 + extra_bits;
        run.decoder->decoder_state = block.empty() ? Search : Data;
        run.decoder->block_start = start;
        run.ring->newest_pulse_position = end;
        run.decoder->last_result = long_pulse;
        finish_block(run);
    }
    static std::string last_line(const std::string& text) {
        const std::size_t end = text.find_last_not_of('\n');
        const std::size_t begin = text.rfind('\n', end);
        return text.substr(begin == std::string::npos ? 0 : begin + 1, end - (begin == std::string::npos ? 0 : begin + 1) + 1);
    }
};

TapBlock with_length(TapBlock b, std::size_t n) {
    b.resize(n, 0x55);
    return b;
}

TEST_F(BlockReportTest, ProgramHeaderLineAsInTheExample) {
    report(make_header(0, "ROM", 300, 10, 300), 480000, 530000);
    EXPECT_EQ(log_text(),
              "\n00:00-00:10 *** Pause - 00:10 ***\n\n"
              "\nFilename: 000_ROM.tap\n"
              "00:10-00:11 Program: ROM        Start: 00010, Len: 00300, Speed: 100-100%, Checksum: OK\n");
    report(make_data_block(0xFF, std::vector<std::uint8_t>(300, 1)), 540000, 680000);
    EXPECT_EQ(last_line(log_text()),
              "00:11-00:14 <data>                            Len: 00302, Speed: 100-100%, Checksum: OK");
}

TEST_F(BlockReportTest, EveryHeaderTypeHasItsLabelAndLayout) {
    report(make_header(1, "numbers", 10, 0, 0), 0, 48000);
    EXPECT_EQ(last_line(log_text()),
              "00:00-00:01 Data Array: numbers   Start: 00000, Len: 00010, Speed: 100-100%, Checksum: OK");
    report(make_header(2, "ABCDEFGHIJ", 10, 49408, 0), 48000, 96000);
    EXPECT_EQ(last_line(log_text()),
              "00:01-00:02 Char Array: ABCDEFGHIJStart: 49408, Len: 00010, Speed: 100-100%, Checksum: OK");
    report(make_header(3, "pic", 6912, 16384, 0), 96000, 144000);
    EXPECT_EQ(last_line(log_text()),
              "00:02-00:03 Screen$: pic        Start: 16384, Len: 06912, Speed: 100-100%, Checksum: OK");
    report(make_header(3, "pic", 6913, 32768, 0), 144000, 192000);
    EXPECT_EQ(last_line(log_text()),
              "00:03-00:04 Code: pic           Start: 32768, Len: 06913, Speed: 100-100%, Checksum: OK");
    report(make_header(0, "auto", 5, 32768, 0), 192000, 240000);
    EXPECT_EQ(last_line(log_text()),
              "00:04-00:05 Program: auto       Start: -----, Len: 00005, Speed: 100-100%, Checksum: OK");
}

TEST_F(BlockReportTest, UnprintableNameBytesShowAsQuestionMarks) {
    TapBlock h = make_header(3, "abcdefghij", 1, 0, 0);
    h[2] = 0x7F;
    h[3] = 0x80;
    h[4] = 0x0D;
    h[18] = xor_checksum(h.data(), 18);
    report(h, 0, 48000);
    EXPECT_NE(last_line(log_text()).find(" Code: ???defghij    Start:"), std::string::npos);
}

TEST_F(BlockReportTest, HeaderOverrunIsTrimmedUpToTwentyBytes) {
    report(with_length(make_header(0, "long", 5, 0, 0), 25), 0, 48000);
    std::string line = last_line(log_text());
    EXPECT_NE(line.find("Program: long"), std::string::npos);
    EXPECT_NE(line.find("Checksum: OK, OverLen: 006"), std::string::npos);
    close_tap_file(run);
    EXPECT_EQ(read_bytes("000_long.tap").size(), 21u);

    report(with_length(make_header(0, "long", 5, 0, 0), 40), 48000, 96000);
    line = last_line(log_text());
    EXPECT_NE(line.find("<data>                            Len: 00040"), std::string::npos);
    EXPECT_EQ(line.find("OverLen"), std::string::npos);
}

TEST_F(BlockReportTest, DataOverrunAfterAHeaderIsTrimmedToTheAnnouncedLength) {
    const TapBlock header = make_header(3, "code", 300, 0, 0);
    const TapBlock data = make_data_block(0xFF, std::vector<std::uint8_t>(300, 7));
    struct Case {
        std::size_t length;
        const char* expect;
    };
    for (const Case& c : {Case{310, "Len: 00302, Speed: 100-100%, Checksum: OK, OverLen: 008"},
                          Case{322, "Len: 00302, Speed: 100-100%, Checksum: OK, OverLen: 020"},
                          Case{323, "Len: 00323, Speed: 100-100%, Checksum: Error"}}) {
        report(header, 0, 1000);
        report(with_length(data, c.length), 1000, 2000);
        const std::string line = last_line(log_text());
        EXPECT_NE(line.find(c.expect), std::string::npos) << line;
        EXPECT_EQ(line.find(std::string(c.expect) + ","), std::string::npos) << line;
    }
    // A data block after a data block is never trimmed.
    report(with_length(data, 310), 2000, 3000);
    EXPECT_NE(last_line(log_text()).find("Len: 00310"), std::string::npos);
}

TEST_F(BlockReportTest, PauseLineOnlyForGapsLongerThanFourSeconds) {
    report(make_data_block(0xFF, {1}), 192000, 200000);
    EXPECT_EQ(log_text().find("Pause"), std::string::npos);
    report(make_data_block(0xFF, {1}), 200000 + 192001, 400000);
    EXPECT_NE(log_text().find("\n00:04-00:08 *** Pause - 00:04 ***\n\n"), std::string::npos);
}

TEST_F(BlockReportTest, AttemptWithoutBytesWritesNothingButMovesTheReference) {
    report({}, 10, 500000);
    EXPECT_EQ(log_text(), "");
    EXPECT_EQ(run.report->last_block_end, 500000);
    // At the end of the input the pause is noted even without a block.
    run.decoder->decoder_state = Search;
    run.decoder->block_start = 800000;
    run.ring->newest_pulse_position = 800000;
    run.decoder->last_result = end_of_data;
    finish_block(run);
    EXPECT_EQ(log_text(), "\n00:10-00:16 *** Pause - 00:06 ***\n\n");
}

TEST_F(BlockReportTest, CountersAppearOnlyWhenNotZero) {
    run.stats->counts.rest_zeros = 3;
    run.stats->attempt.float_zeros = 1;
    run.stats->counts.mid0_count = 12;
    run.stats->counts.mid1_count = 2;
    TapBlock bad = make_data_block(0x42, {1, 2, 3});
    bad.back() ^= 1;
    report(bad, 0, 100);
    EXPECT_EQ(last_line(log_text()),
              "00:00-00:00 <data>                            Len: 00005, Speed: 100-100%, Checksum: Error, "
              "Rest0: 3, Float0: 1, Mid0: 12, Mid1: 2");
}

TEST_F(BlockReportTest, SpeedWithoutAGraphedPeriodKeepsTheLayout) {
    run.stats->attempt.period_max = 0.0f;
    run.stats->attempt.period_min = 100.0f;
    report(make_data_block(0xFF, {1}), 0, 100);
    EXPECT_NE(last_line(log_text()).find(", Speed: ----023%, Checksum: OK"), std::string::npos);
}

TEST_F(BlockReportTest, TimesOfHundredMinutesAndMoreWidenTheirField) {
    const std::int32_t hundred_minutes = 100 * 60 * 48000;
    report(make_header(0, "late", 5, 0, 0), hundred_minutes, hundred_minutes + 48000);
    const std::string line = last_line(log_text());
    EXPECT_EQ(line.rfind("100:00-100:01 Program: late       Start: 00000", 0), 0u) << line;
}

TEST_F(BlockReportTest, LogLinesEndWithCarriageReturnAndLineFeed) {
    report(make_data_block(0xFF, {1}), 0, 100);
    const std::vector<std::uint8_t> bytes = log_bytes();
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ(bytes[bytes.size() - 2], '\r');
    EXPECT_EQ(bytes.back(), '\n');
    for (std::size_t k = 0; k < bytes.size(); ++k) {
        if (bytes[k] == '\n') {
            EXPECT_EQ(bytes[k - 1], '\r') << k;
        }
    }
}

TEST_F(BlockReportTest, ProgramHeadersSplitTheTapFiles) {
    const TapBlock data = make_data_block(0xFF, std::vector<std::uint8_t>(300, 9));
    report(make_data_block(0x42, {1, 2}), 0, 10);             // before any header: Noname
    report(make_header(0, "same", 300, 0, 0), 10, 20);
    report(data, 20, 30);
    report(make_header(3, "code", 1, 0, 0), 30, 40);           // a code header stays in the file
    report(make_header(0, "same", 300, 0, 0), 40, 50);         // the same name again: a new file
    EXPECT_EQ(list_folder(dir.path), (std::vector<std::string>{"000_Noname.tap", "001_same.tap", "002_same.tap"}));
    close_tap_file(run);
    const std::vector<std::uint8_t> first = read_bytes("001_same.tap");
    ASSERT_EQ(first.size(), 21u + 304u + 21u);
    EXPECT_EQ(first[0], 0x13);
    EXPECT_EQ(first[1], 0x00);
    EXPECT_EQ(first[21], 0x2E);
    EXPECT_EQ(first[22], 0x01);
    EXPECT_EQ(parse_tap(first)[1], data);
}

TEST_F(BlockReportTest, TapNamesAreSanitised) {
    const std::uint8_t odd[10] = {0x00, 0x1F, 0x7F, 0x80, 0xFF, '"', '*', '%', ' ', ' '};
    set_tap_name(run, odd, 10);
    EXPECT_STREQ(run.tap->tap_name, "_______%.tap");
    const std::uint8_t reserved[10] = {'/', ':', '<', '>', '?', '\\', '|', 'a', ' ', 'b'};
    set_tap_name(run, reserved, 10);
    EXPECT_STREQ(run.tap->tap_name, "_______a b.tap");
    set_tap_name(run, reinterpret_cast<const std::uint8_t*>("  A B     "), 10);
    EXPECT_STREQ(run.tap->tap_name, "  A B.tap");
    set_tap_name(run, reinterpret_cast<const std::uint8_t*>("          "), 10);
    EXPECT_STREQ(run.tap->tap_name, ".tap");
}

TEST_F(BlockReportTest, HeaderWithBadChecksumStillNamesAFile) {
    TapBlock h = make_header(0, "broken", 5, 0, 0);
    h[18] ^= 0xFF;
    report(h, 0, 100);
    EXPECT_NE(last_line(log_text()).find("Program: broken     Start: 00000, Len: 00005, Speed: 100-100%, Checksum: Error"),
              std::string::npos);
    EXPECT_TRUE(exists("000_broken.tap"));
    EXPECT_EQ(run.report->checksum_errors, 1);
}

TEST_F(BlockReportTest, BlockTooLongForATapRecordIsLoggedButNotStored) {
    report(std::vector<std::uint8_t>(70000, 0xFF), 0, 100);
    const std::string text = log_text();
    EXPECT_NE(text.find("<data>                            Len: 70000"), std::string::npos);
    EXPECT_NE(text.find("*** Block not stored: 70000 bytes do not fit a TAP record (at most 65535) ***"),
              std::string::npos);
    EXPECT_TRUE(list_folder(dir.path).empty());
    // The next block opens the file as usual.
    report(make_data_block(0xFF, {1}), 200, 300);
    EXPECT_EQ(list_folder(dir.path), std::vector<std::string>{"000_Noname.tap"});
}
}  // namespace
