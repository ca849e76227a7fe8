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

BlockReport block_report;

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
    const double speed = nominal_period / static_cast<double>(period) * 100;
    if (std::isfinite(speed) && speed >= 0 && speed < 1e9) {
        append(line, "%03d", truncate(speed));
    } else {
        append(line, "---");
    }
}

const char* header_label(const std::uint8_t* h) {
    static const char* const labels[4] = {" Program: ", " Data Array: ", " Char Array: ", " Code: "};
    if (h[1] == 3 && h[12] == 0x00 && h[13] == 0x1B) return " Screen$: ";  // 6912 bytes: a screen
    return labels[h[1]];
}

void describe_header(Line& line, const std::uint8_t* h, int times_length) {
    append(line, "%s", header_label(h));
    for (int k = 2; k < 12; ++k) append(line, "%c", h[k] < 0x20 || h[k] > 0x7E ? '?' : static_cast<char>(h[k]));
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

void finish_block() {
    const std::int32_t end = pulse_ring.newest_pulse_position;
    const bool input_ended = decoder.last_result == end_of_data;
    const std::int64_t pause = static_cast<std::int64_t>(decoder.block_start) - block_report.last_block_end;
    if (pause > pause_threshold && (input_ended || decoder.decoder_state == Data)) {
        Line line{{}, 0};
        append(line, "\n");
        append_time(line, block_report.last_block_end);
        append(line, "-");
        append_time(line, decoder.block_start);
        append(line, " *** Pause - ");
        append_time(line, static_cast<std::int32_t>(pause));
        append(line, " ***\n\n");
        log_write(line.text);
    }
    block_report.last_block_end = end;
    if (decoder.decoder_state != Data) return;

    const std::uint8_t* bytes = block_buffer.bytes;
    const std::int32_t decoded = block_buffer.bit_count / 8;
    const std::uint8_t flag = bytes[0];
    const std::int32_t announced = block_report.saved_header[12] | block_report.saved_header[13] << 8;
    const std::int32_t n = reported_length(decoded, flag, bit_recorder.header_seen == 1, announced);
    const std::int32_t overlen = decoded - n;
    std::uint8_t c = 0;
    for (std::int32_t k = 0; k < n; ++k) c ^= bytes[k];

    Line line{{}, 0};
    append_time(line, decoder.block_start);
    append(line, "-");
    append_time(line, end);
    const int times_length = line.length;
    if (flag == 0x00 && n == header_length && bytes[1] <= 3) {
        if (bytes[1] == 0) set_tap_name(bytes + 2, 10);
        describe_header(line, bytes, times_length);
        std::memcpy(block_report.saved_header, bytes, header_length);
        bit_recorder.header_seen = 1;
    } else {
        append(line, " <data>                    ");
        append(line, "        Len: %05d", n);
        bit_recorder.header_seen = 0;
    }
    append(line, ", Speed: ");
    append_speed(line, decode_stats.attempt.period_max);
    append(line, "-");
    append_speed(line, decode_stats.attempt.period_min);
    append(line, "%%, Checksum: %s", c == 0 ? "OK" : "Error");
    if (overlen != 0) append(line, ", OverLen: %03d", overlen);
    if (decode_stats.counts.rest_zeros != 0) append(line, ", Rest0: %d", decode_stats.counts.rest_zeros);
    if (decode_stats.attempt.float_zeros != 0) append(line, ", Float0: %d", decode_stats.attempt.float_zeros);
    if (decode_stats.counts.mid0_count != 0) append(line, ", Mid0: %d", decode_stats.counts.mid0_count);
    if (decode_stats.counts.mid1_count != 0) append(line, ", Mid1: %d", decode_stats.counts.mid1_count);

    ++block_report.blocks_reported;
    if (c != 0) ++block_report.checksum_errors;
    block_report.repaired_bits += decode_stats.counts.rest_zeros + decode_stats.attempt.float_zeros;

    const TapWrite stored = write_tap_record(bytes, n);
    draw_verdict(c == 0, line.text);
    log_write(line.text);
    log_write("\n");
    log_flush();  // each block's line reaches the disk (and a watching user) when the block is done
    if (stored == TapWrite::too_long) {
        log_printf("*** Block not stored: %d bytes do not fit a TAP record (at most 65535) ***\n", n);
        report_output_problem("the block %.*s is %d bytes long, more than a TAP record can hold; it is not stored",
                              times_length, line.text, n);
    }
    if (block_report.sink != nullptr) {
        ReportedBlock b;
        b.bytes = bytes;
        b.weights = block_buffer.weights;
        b.bit_count = block_buffer.bit_count;
        b.length = n;
        b.start = decoder.block_start;
        b.end = end;
        b.checksum_ok = c == 0;
        b.line = line.text;
        block_report.sink(b);
    }
}
