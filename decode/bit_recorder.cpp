// Recording bits. '0' bits arrive as runs of evenly spaced short pulses; when
// a pulse of a run is lost, the spacing to the next one tells how many '0'
// cycles passed, and the missing ones are filled in. The period estimate
// follows the tape speed as the mean of the last history_length '0' cycles.
#include <algorithm>

#include "analysis/pulse_ring.h"
#include "analysis/signal_analyser.h"
#include "common/build_profile.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "decode/numeric.h"
#include "view/marks.h"
#include "view/screen_cycle.h"

BlockBuffer block_buffer;
DecodeStats decode_stats;
BitRecorder bit_recorder;

namespace {
constexpr Colour inserted_pulse_colour = 0x4080FF;

void note_short_size() {
    const double w = static_cast<double>(rec(pulse_ring.ring_index).length) / analysis.window_length;
    if (w > decode_stats.sizes.max0_size) decode_stats.sizes.max0_size = static_cast<float>(w);
}
}  // namespace

void history_restart(PositionHistory& h, double p, double P) {
    h.positions[h.write_index] = p;
    double v = p;
    for (int j = 1; j <= build_profile.history_length; ++j) {
        v -= P;
        h.positions[static_cast<std::uint8_t>(h.write_index - j)] = v;
    }
    h.write_index = static_cast<std::uint8_t>(h.write_index + 1);
}

void push_bit(int bit, std::uint8_t weight) {
    const std::int32_t a = block_buffer.bit_count / 8;
    const std::int32_t v = block_buffer.bit_count - (bit_recorder.flag_hidden ? 8 : 0);  // a header's next flag byte is not drawn
    if (a >= block_buffer_size) return;
    block_buffer.bytes[a] = static_cast<std::uint8_t>(block_buffer.bytes[a] * 2 + bit);
    if (block_buffer.weights != nullptr) block_buffer.weights[block_buffer.bit_count] = weight;
    draw_screen_bit(v, bit);
    ++block_buffer.bit_count;
}

void take_back_bits(std::int32_t count) {
    const std::int32_t held = count % 8;  // bits of the block in the partial byte
    if (held != 0) {
        const std::int32_t pushed = block_buffer.bit_count - count;
        block_buffer.bytes[count / 8] = static_cast<std::uint8_t>(block_buffer.bytes[count / 8] >> std::min(pushed, 8 - held));
    }
    block_buffer.bit_count = count;
}

void start_zero_run(double p) {
    note_short_size();
    history_restart(bit_recorder.zero_history, p, decoder.tracked_period);
    push_bit(0);
    bit_recorder.zero_run_count = 1;
}

void continue_zero_run() {
    note_short_size();
    const double e = history_back(bit_recorder.zero_history, 1);
    const double d = rec(pulse_ring.ring_index).position - e;
    const std::int32_t m = truncate(d / decoder.tracked_period + 0.5);  // '0' cycles from e to this pulse
    const double step = d / m;
    bit_recorder.zero_run_count += m;
    if (m > 1) decode_stats.counts.rest_zeros += m - 1;
    double x = e;
    for (std::int32_t j = 1; j <= m; ++j) {
        x += step;
        history_append(bit_recorder.zero_history, x);
        push_bit(0, j < m ? weight_filled : weight_clean);
        if (j < m) draw_marker_line(column_of(truncate(x)), inserted_pulse_colour);
    }
    const int h = build_profile.history_length;
    decoder.tracked_period = static_cast<float>((history_back(bit_recorder.zero_history, 1) - history_back(bit_recorder.zero_history, h + 1)) / h);
}
