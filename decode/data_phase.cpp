// After the sync, a '1' is a long pulse about two '0' cycles after the last
// bit edge; '0's come as runs of evenly spaced short pulses, which only count
// once a pulse has a regular neighbour (a lone short pulse may be noise). A
// long pulse that arrives late says that '0's were lost in between: the gap's
// length in '0' cycles, less what the run already gave, is the number of '0's
// to fill in, and a fraction near one half is counted as uncertain. Ten long
// pulses in a row at pilot spacing are the next block's pilot: the bits pushed
// for them are taken back and the phase ends.
#include <cmath>
#include <cstdio>

#include "analysis/pulse_ring.h"
#include "common/build_profile.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "decode/numeric.h"
#include "view/canvas.h"
#include "view/marks.h"
#include "view/screen_cycle.h"

namespace {
constexpr int pilot_run_limit = 10;              // long pulses at pilot spacing that end the phase
constexpr double pilot_low = 0.95, pilot_high = 1.05;  // window around the pilot spacing
constexpr double one_limit = 0.5 + 2.0;          // a '1' lies less than this many P after the edge
constexpr double uncertain_low = 0.4, uncertain_high = 0.6;  // fraction band of a doubtful gap

std::int32_t pos(Run& run, std::uint8_t i) { return rec(run, i).position; }

SpacingWindow pilot_window(Run& run) {
    const double K = pilot_ratio, P = run.decoder->tracked_period;
    return {static_cast<float>(2 * pilot_low * K * P), static_cast<float>(2 * pilot_high * K * P)};
}

bool inside(const SpacingWindow& w, std::int32_t d) { return w.low <= d && d <= w.high; }

// Counts long pulses at pilot spacing; true when a new pilot has begun.
bool new_pilot_begins(Run& run, std::int32_t d) {
    BlockBuffer& buffer = *run.buffer;
    DataPhase& phase = *run.phase;
    if (inside(phase.pilot_window_fixed, d)) {
        if (phase.pilot_run_fixed == 0) phase.pilot_run_start_bits = buffer.bit_count;
        ++phase.pilot_run_fixed;
    } else {
        phase.pilot_run_fixed = 0;
    }
    if (inside(phase.pilot_window_adaptive, d) && phase.pilot_run_adaptive != 0) {
        ++phase.pilot_run_adaptive;
    } else {
        phase.pilot_run_adaptive = 0;
    }
    const SpacingWindow now = pilot_window(run);
    if (inside(now, d) && phase.pilot_run_adaptive == 0) {
        phase.pilot_window_adaptive = now;
        phase.pilot_run_adaptive = 1;
        phase.pilot_run_start_bits = buffer.bit_count;
    }
    return phase.pilot_run_fixed >= pilot_run_limit || phase.pilot_run_adaptive >= pilot_run_limit;
}

bool is_unpaired_short(Run& run, std::uint8_t i) { return rec(run, i).kind == kind_short && rec(run, i).paired == 0; }

// The gap before the long pulse at ring_index: fill in lost '0's, label the
// estimate, extend the edge history and push the '1'.
void close_gap(Run& run) {
    Decoder& decoder = *run.decoder;
    DecodeStats& stats = *run.stats;
    BitRecorder& recorder = *run.recorder;
    DataPhase& phase = *run.phase;
    const std::uint8_t i = run.ring->ring_index;
    const double P = decoder.tracked_period;
    const double g = recorder.zero_run_count == 0
                         ? (pos(run, i) - phase.zero_run_start_edge) / P
                         : (phase.zero_run_first - phase.zero_run_start_edge) / static_cast<double>(phase.zero_run_first_period) +
                               (pos(run, i) - phase.zero_run_last) / P - 1.0;
    draw_triangle(run, column_of(run, pos(run, i)), 0xC880FF);
    draw_triangle(run, column_of(run, phase.zero_run_last), 0xFF8000);

    float z = static_cast<float>(g - 2.0);  // '0' cycles not yet accounted for; the '1' takes two
    if (build_profile.skip_gap_estimate) z = 0.0f;
    const std::int32_t n = truncate(z + 0.5);
    const double f = z - std::trunc(static_cast<double>(z));
    const bool uncertain = f >= uncertain_low && f < uncertain_high;
    if (uncertain) ++stats.attempt.float_zeros;
    draw_gap_label(run, column_of(run, pos(run, i)), recorder.zero_run_count + static_cast<double>(z), uncertain);

    if (n > 0) {
        if (n > 1) stats.counts.rest_zeros += n;
        // One '0' in a gap is the usual lone short pulse, which cannot pair; more were lost.
        const std::uint8_t weight = uncertain ? weight_guessed : (n > 1 ? weight_filled : weight_clean);
        // Placed evenly over the gap, which the '1' closes with two cycles.
        const double last = recorder.zero_run_count == 0 ? phase.zero_run_start_edge : phase.zero_run_last;
        for (std::int32_t k = 0; k < n; ++k) push_bit(run, 0, weight, truncate(last + (pos(run, i) - last) * (k + 1) / (n + 2)));
    }
    const std::int32_t c = recorder.zero_run_count + n + 2;  // '0' cycles from the latest edge entry to this pulse
    if (c > build_profile.history_length) {
        history_restart(recorder.edge_history, pos(run, i), P);
    } else {
        const double e = history_back(recorder.edge_history, 1);
        const double step = (pos(run, i) - e) / c;
        double x = e;
        for (std::int32_t k = 0; k < c; ++k) {
            x += step;
            history_append(recorder.edge_history, x);
        }
    }
    decoder.last_edge = pos(run, i);
    push_bit(run, 1);
}

// The block's last pulse, with nothing after it: no estimate, just its bits.
PulseResult finish_last_pulse(Run& run) {
    const std::uint8_t i = run.ring->ring_index;
    if (!build_profile.accept_unpaired_zeros && is_unpaired_short(run, static_cast<std::uint8_t>(i - 1))) push_bit(run, 0, weight_guessed);
    push_bit(run, 1);
    return next_pulse(run);
}

// A long pulse ends a gap: the last one of the block, or a '1' after lost '0's.
// Returns true when the phase ends, with the result in r.
bool gap_ends(Run& run, PulseResult& r) {
    const std::uint8_t ahead = rec(run, run.ring->next_index).kind;
    if (ahead == kind_no_pulse || ahead == kind_end) {
        r = finish_last_pulse(run);
        return true;
    }
    close_gap(run);
    r = next_pulse(run);
    return false;
}

bool counts_as_zero(Run& run, std::uint8_t i) { return rec(run, i).paired == 1 || build_profile.accept_unpaired_zeros; }
}  // namespace

void reset_data_phase(Run& run) { *run.phase = DataPhase{}; }

PulseResult decode_data(Run& run, std::int32_t S) {
    PulseRing& ring = *run.ring;
    Decoder& decoder = *run.decoder;
    DecodeStats& stats = *run.stats;
    BitRecorder& recorder = *run.recorder;
    DataPhase& phase = *run.phase;
    phase.pilot_window_fixed = pilot_window(run);
    phase.pilot_run_fixed = 0;
    phase.pilot_run_adaptive = 0;
    stats.sizes = sizes_at_data;
    stats.counts = DataCounts{};
    history_restart(recorder.edge_history, S, decoder.tracked_period);

    PulseResult r = next_pulse(run);
    for (;;) {
        if (!is_pulse(r)) {
            if (is_unpaired_short(run, static_cast<std::uint8_t>(ring.ring_index - 1))) push_bit(run, 0, weight_guessed);
            return r;
        }
        if (r == long_pulse) {
            const std::int32_t d = pos(run, ring.ring_index) - decoder.last_edge;
            if (new_pilot_begins(run, d)) {
                take_back_bits(run, phase.pilot_run_start_bits);
                return long_pulse;
            }
            if (d < one_limit * decoder.tracked_period) {
                history_append(recorder.edge_history, decoder.last_edge + (pos(run, ring.ring_index) - decoder.last_edge) * 0.5);
                history_append(recorder.edge_history, pos(run, ring.ring_index));
                decoder.last_edge = pos(run, ring.ring_index);
                push_bit(run, 1);
                r = next_pulse(run);
                continue;
            }
            phase.zero_run_start_edge = decoder.last_edge;
            recorder.zero_run_count = 0;
            if (gap_ends(run, r)) return r;
            continue;
        }

        // A short pulse.
        phase.pilot_run_fixed = 0;
        phase.pilot_run_adaptive = 0;
        if (!counts_as_zero(run, ring.ring_index)) {
            r = next_pulse(run);
            continue;
        }
        phase.zero_run_start_edge = decoder.last_edge;
        phase.zero_run_first = phase.zero_run_last = pos(run, ring.ring_index);
        phase.zero_run_first_period = rec(run, ring.ring_index).period;
        start_zero_run(run, pos(run, ring.ring_index));
        draw_triangle(run, column_of(run, phase.zero_run_start_edge), 0x0000FF);
        draw_triangle(run, column_of(run, phase.zero_run_first), 0x00FF00);
        for (;;) {
            r = next_pulse(run);
            if (!is_pulse(r)) return r;
            if (r == long_pulse) break;
            if (counts_as_zero(run, ring.ring_index)) {
                continue_zero_run(run);
                phase.zero_run_last = pos(run, ring.ring_index);
            }
        }
        if (gap_ends(run, r)) return r;
    }
}
