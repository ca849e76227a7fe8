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

namespace {
constexpr Colour inserted_pulse_colour = 0x4080FF;

void note_short_size(Run& run) {
    DecodeStats& stats = *run.stats;
    const double w = static_cast<double>(rec(run, run.ring->ring_index).length) / run.analysis->window_length;
    if (w > stats.sizes.max0_size) stats.sizes.max0_size = static_cast<float>(w);
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

void push_bit(Run& run, int bit, std::uint8_t weight, std::int32_t at) {
    BlockBuffer& buffer = *run.buffer;
    const std::int32_t a = buffer.bit_count / 8;
    const std::int32_t v = buffer.bit_count - (run.recorder->flag_hidden ? 8 : 0);  // a header's next flag byte is not drawn
    if (a >= block_buffer_size) return;
    buffer.bytes[a] = static_cast<std::uint8_t>(buffer.bytes[a] * 2 + bit);
    if (buffer.weights != nullptr) buffer.weights[buffer.bit_count] = weight;
    if (buffer.positions != nullptr) buffer.positions[buffer.bit_count] = at >= 0 ? at : run.ring->newest_pulse_position;
    draw_screen_bit(run, v, bit);
    ++buffer.bit_count;
}

void take_back_bits(Run& run, std::int32_t count) {
    BlockBuffer& buffer = *run.buffer;
    const std::int32_t held = count % 8;  // bits of the block in the partial byte
    if (held != 0) {
        const std::int32_t pushed = buffer.bit_count - count;
        buffer.bytes[count / 8] = static_cast<std::uint8_t>(buffer.bytes[count / 8] >> std::min(pushed, 8 - held));
    }
    buffer.bit_count = count;
}

void start_zero_run(Run& run, double p) {
    BitRecorder& recorder = *run.recorder;
    note_short_size(run);
    history_restart(recorder.zero_history, p, run.decoder->tracked_period);
    push_bit(run, 0);
    recorder.zero_run_count = 1;
}

void continue_zero_run(Run& run) {
    Decoder& decoder = *run.decoder;
    BitRecorder& recorder = *run.recorder;
    note_short_size(run);
    const double e = history_back(recorder.zero_history, 1);
    const double d = rec(run, run.ring->ring_index).position - e;
    const std::int32_t m = truncate(d / decoder.tracked_period + 0.5);  // '0' cycles from e to this pulse
    const double step = d / m;
    recorder.zero_run_count += m;
    if (m > 1) run.stats->counts.rest_zeros += m - 1;
    double x = e;
    for (std::int32_t j = 1; j <= m; ++j) {
        x += step;
        history_append(recorder.zero_history, x);
        push_bit(run, 0, j < m ? weight_filled : weight_clean, truncate(x));
        if (j < m) draw_marker_line(run, column_of(run, truncate(x)), inserted_pulse_colour);
    }
    const int h = build_profile.history_length;
    decoder.tracked_period = static_cast<float>((history_back(recorder.zero_history, 1) - history_back(recorder.zero_history, h + 1)) / h);
}
