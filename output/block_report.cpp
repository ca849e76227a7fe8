#include "output/block_report.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "analysis/pulse_ring.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "decode/numeric.h"
#include "output/log_file.h"
#include "output/output_problems.h"
#include "output/tap_writer.h"
#include "common/basics.h"
#include "view/marks.h"

int speed_percent(float period) {
    const double speed = nominal_period / static_cast<double>(period) * 100;
    return std::isfinite(speed) && speed >= 0 && speed < 1e9 ? truncate(speed) : -1;
}

namespace {
constexpr int report_line_size = 256;  // no line comes near it: times are at most 16 characters

// Bounded appends to a fixed text buffer.
struct Line {
    char text[report_line_size];
    int length;
};

void append(Line& line, const char* format, ...) __attribute__((format(printf, 2, 3)));
void append(Line& line, const char* format, ...) {
    va_list args;
    va_start(args, format);
    const int room = report_line_size - line.length;
    const int n = std::vsnprintf(line.text + line.length, room, format, args);
    va_end(args);
    if (n > 0) line.length += n < room ? n : room - 1;
}

void append_time(Line& line, std::int32_t p) {
    char t[time_text_size];
    time_text(p, t);
    append(line, "%s", t);
}

// Speed in per cent from a period extreme; "---" when no period was graphed.
void append_speed(Line& line, float period) {
    const int speed = speed_percent(period);
    if (speed >= 0) {
        append(line, "%03d", speed);
    } else {
        append(line, "---");
    }
}

const char* header_label(const std::uint8_t* h) {
    static const char* const labels[4] = {" Program: ", " Data Array: ", " Char Array: ", " Code: "};
    if (h[1] == 3 && h[12] == 0x00 && h[13] == 0x1B) return " Screen$: ";  // 6912 bytes: a screen
    return labels[h[1]];
}

void describe_header(Line& line, const std::vector<std::uint8_t>& header, int times_length) {
    const std::uint8_t* h = header.data();
    append(line, "%s%s", header_label(h), header_name(header).c_str());
    // Names line up at "Start:"; with five-character times that is character 32.
    while (line.length < times_length + 21) append(line, " ");
    const int param1 = h[14] | h[15] << 8;
    if (h[1] == 0 && param1 >= 32768) {
        append(line, "Start: -----");
    } else {
        append(line, "Start: %05d", param1);
    }
    append(line, ", Len: %05d", h[12] | h[13] << 8);
}

}  // namespace

namespace {
// The block the attempt left: trimmed, checked and with the figures of how it was read.
Block assess_block(Run& run, std::int32_t end) {
    BlockBuffer& buffer = *run.buffer;
    DecodeStats& stats = *run.stats;
    BlockReport& report = *run.report;
    Block b;
    b.start = run.decoder->block_start;
    b.end = end;
    const std::uint8_t* bytes = buffer.bytes;
    const std::int32_t decoded = buffer.bit_count / 8;
    const std::int32_t announced = report.saved_header[12] | report.saved_header[13] << 8;
    const std::int32_t n = reported_length(decoded, bytes[0], report.header_seen, announced);
    b.bytes.assign(bytes, bytes + n);
    b.overlen = decoded - n;
    std::uint8_t c = 0;
    for (std::uint8_t x : b.bytes) c ^= x;
    b.checksum_ok = c == 0;
    // Every bit: a partial last byte holds its bits in its low bits, as push_bit leaves them.
    b.bits.resize(static_cast<std::size_t>(buffer.bit_count));
    for (std::int32_t k = 0; k < buffer.bit_count; ++k) {
        const int held = k / 8 < decoded ? 8 : buffer.bit_count % 8;
        b.bits[static_cast<std::size_t>(k)] = static_cast<std::uint8_t>(bytes[k / 8] >> (held - 1 - k % 8) & 1);
    }
    if (buffer.weights != nullptr) b.weights.assign(buffer.weights, buffer.weights + buffer.bit_count);
    if (buffer.positions != nullptr) b.positions.assign(buffer.positions, buffer.positions + buffer.bit_count);
    b.period_max = stats.attempt.period_max;
    b.period_min = stats.attempt.period_min;
    b.rest_zeros = stats.counts.rest_zeros;
    b.float_zeros = stats.attempt.float_zeros;
    b.mid0_count = stats.counts.mid0_count;
    b.mid1_count = stats.counts.mid1_count;
    return b;
}
}  // namespace

std::string block_line(const Block& b) {
    Line line{{}, 0};
    append_time(line, b.start);
    append(line, "-");
    append_time(line, b.end);
    const int times_length = line.length;
    if (is_standard_header(b.bytes)) {
        describe_header(line, b.bytes, times_length);
    } else {
        append(line, " <data>                    ");
        append(line, "        Len: %05d", static_cast<int>(b.bytes.size()));
    }
    append(line, ", Speed: ");
    append_speed(line, b.period_max);
    append(line, "-");
    append_speed(line, b.period_min);
    append(line, "%%, Checksum: %s", b.checksum_ok ? "OK" : "Error");
    if (b.overlen != 0) append(line, ", OverLen: %03d", b.overlen);
    if (b.rest_zeros != 0) append(line, ", Rest0: %d", b.rest_zeros);
    if (b.float_zeros != 0) append(line, ", Float0: %d", b.float_zeros);
    if (b.mid0_count != 0) append(line, ", Mid0: %d", b.mid0_count);
    if (b.mid1_count != 0) append(line, ", Mid1: %d", b.mid1_count);
    if (!b.second_pass.empty()) append(line, ", Second pass: %s", b.second_pass.c_str());
    return std::string(line.text, static_cast<std::size_t>(line.length)) + b.origin;
}

namespace {
// A block of a few bytes that passes only with bits the decoder filled in
// proves nothing: a byte of filled zeros is its own checksum.
bool passes_on_fill_alone(const Block& b) {
    return b.checksum_ok && static_cast<std::int32_t>(b.bytes.size()) < fragment_bytes && b.rest_zeros + b.float_zeros > 0;
}
}  // namespace

bool report_block(Run& run, Block& b) {
    const std::string line = block_line(b);
    const std::int32_t n = static_cast<std::int32_t>(b.bytes.size());
    const TapWrite stored = store_block(run, b.bytes);
    b.tap_file = stored == TapWrite::stored ? run.tap->file_name : "";
    b.tap_record = stored == TapWrite::stored ? run.tap->records - 1 : -1;
    draw_verdict(run, b.checksum_ok, line.c_str());
    log_write(run, line.c_str());
    log_write(run, "\n");
    log_flush(run);  // each block's line reaches the disk (and a watching user) when the block is done
    if (stored == TapWrite::too_long) {
        // With a TZX file beside the TAP files, the block is kept whole there.
        const std::string& tzx = run.report->tzx_name;
        const char* where = tzx.empty() ? "" : " in a TAP file";
        const std::string kept = tzx.empty() ? "" : "; kept in " + tzx;
        log_printf(run, "*** Block not stored%s: %d bytes do not fit a TAP record (at most 65535)%s ***\n", where, n,
                   kept.c_str());
        report_output_problem(run, "the block %s is %d bytes long, more than a TAP record can hold; it is not stored%s%s",
                              line.substr(0, line.find(' ')).c_str(), n, where, kept.c_str());
    }
    return stored == TapWrite::stored;
}

void finish_block(Run& run) {
    Decoder& decoder = *run.decoder;
    BlockReport& report = *run.report;
    const std::int32_t end = run.ring->newest_pulse_position;
    const bool input_ended = decoder.last_result == end_of_data;
    const std::int64_t pause = static_cast<std::int64_t>(decoder.block_start) - report.last_block_end;
    if (pause > pause_threshold && (input_ended || decoder.decoder_state == Data)) {
        Line line{{}, 0};
        append(line, "\n");
        append_time(line, report.last_block_end);
        append(line, "-");
        append_time(line, decoder.block_start);
        append(line, " *** Pause - ");
        append_time(line, static_cast<std::int32_t>(pause));
        append(line, " ***\n\n");
        log_write(run, line.text);
    }
    report.last_block_end = end;
    if (decoder.decoder_state != Data) return;

    Block block = assess_block(run, end);
    const bool doubtful = !block.checksum_ok || passes_on_fill_alone(block);
    if (doubtful && report.second_chance && report.second_chance(run, block)) ++report.second_chances;
    report.header_seen = is_standard_header(block.bytes);
    if (report.header_seen) std::memcpy(report.saved_header, block.bytes.data(), header_length);
    block.fragment = report.leave_out_fragments && static_cast<std::int32_t>(block.bytes.size()) < fragment_bytes &&
                     (!block.checksum_ok || passes_on_fill_alone(block));
    if (block.fragment) {
        // Told where it lay, not stored: an emulator would take each for a block.
        ++report.fragments;
        const std::string line = block_line(block) + ", Fragment: not stored";
        draw_verdict(run, false, line.c_str());
        log_write(run, (line + "\n").c_str());
        log_flush(run);
        if (report.sink) report.sink(block);
        return;
    }
    ++report.blocks_reported;
    if (!block.checksum_ok) ++report.checksum_errors;
    report.repaired_bits += block.rest_zeros + block.float_zeros;
    report_block(run, block);
    if (report.sink != nullptr) report.sink(block);
}
