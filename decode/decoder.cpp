// The pilot tone is a long run of evenly spaced long pulses. The search takes
// the first two pulses close enough together, then wants ten more, each spaced
// within 10 % of the one before, before it trusts the period. While the pilot
// lasts, every pulse must keep the level and a plausible tape speed. The pilot
// ends at a pulse that is too long or out of step, or in silence; how it ends
// tells where the sync edge lies and whether the signal arrives upside down,
// in which case the samples are inverted and the analysis goes back to the
// first data cycle to read it again with the right polarity.
#include "decode/decoder.h"

#include "analysis/pulse_ring.h"
#include "analysis/signal_analyser.h"
#include "decode/block_buffer.h"
#include "decode/numeric.h"
#include "input/sample_stream.h"
#include "view/marks.h"
#include "view/screen_cycle.h"

PulseResult next_pulse(Run& run) {
    // The panel is written only while the detector searches, and the figures
    // change only between searches: handed over now, it shows them as they stand.
    DecodeStats& s = *run.stats;
    run.screen->panel = {run.buffer->bit_count >> 3, s.attempt.float_zeros, s.sizes.max0_size, s.sizes.min1_size,
                    s.counts.mid0_count, s.counts.mid1_count, s.counts.rest_zeros};
    const Decoder& d = *run.decoder;
    PulseNotes notes;
    const PulseResult r = detect_pulse(run,
        {d.decoder_state, d.tracked_period, d.short_min_ratio, d.split_ratio, d.long_max_ratio, d.mid0_ratio, d.mid1_ratio},
        notes);
    s.counts.mid0_count += notes.mid0_count;
    s.counts.mid1_count += notes.mid1_count;
    if (notes.one_size < s.sizes.min1_size) s.sizes.min1_size = static_cast<float>(notes.one_size);
    if (notes.graph.plotted) {
        if (notes.graph.period > s.attempt.period_max) s.attempt.period_max = notes.graph.period;
        if (notes.graph.period < s.attempt.period_min) s.attempt.period_min = notes.graph.period;
    }
    return r;
}

namespace {
constexpr int lock_pulses = 10;            // spacings measured to lock the pilot
constexpr int min_pilot_pulses = 50;       // least pilot_count for a sync
constexpr float min_pilot_level = 200.0f;  // least level of a pilot pulse
constexpr double first_gap_limit = 100.0;  // largest first spacing of a search, samples
constexpr float step_low = 0.9f, step_high = 1.1f;    // spacing over previous spacing, inclusive
constexpr float speed_low = 0.6f, speed_high = 1.8f;  // pilot speed bounds, inclusive
constexpr double pilot_length_limit = 1.2;            // x 0.5 K P: a longer pulse ends the pilot
constexpr float sync_gap_threshold = -40.0f;          // a deeper gap puts the sync one pulse later

enum class PilotEnd { ended, restart, recording_ended };

std::int32_t pos(Run& run, std::uint8_t i) { return rec(run, i).position; }

// Not the whole decoder: the period estimate of a pilot that failed stays, and
// the next search adapts the window from it.
void reset_search(Run& run) {
    DecodeStats& stats = *run.stats;
    run.decoder->decoder_state = Search;
    *run.detector = PulseDetector{};
    stats.attempt = AttemptFigures{};
    stats.sizes = PulseSizes{};
    // A block's samples are kept from its pilot search on, with a little before:
    // searching on without a block must not keep the whole recording.
    if (run.source->keep_samples) forget_samples_before(run, absolute_index(run, run.window->cursor) - kept_margin);
}

float locked_period(Run& run) {
    const std::uint8_t i = run.ring->ring_index;
    return static_cast<float>(
        static_cast<double>(pos(run, i) - pos(run, static_cast<std::uint8_t>(i - lock_pulses))) / lock_pulses / pilot_ratio);
}

// Search for a pilot and lock onto it. Returns true when locked.
bool lock_pilot(Run& run, float& prev_gap, int& pilot_count) {
    PulseRing& ring = *run.ring;
    Decoder& decoder = *run.decoder;
    decoder.last_result = next_pulse(run);
    if (!is_pulse(decoder.last_result)) return false;
    decoder.block_start = pos(run, ring.ring_index);
    decoder.last_result = next_pulse(run);
    if (!is_pulse(decoder.last_result)) return false;
    std::int32_t gap = pos(run, ring.ring_index) - pos(run, static_cast<std::uint8_t>(ring.ring_index - 1));
    prev_gap = static_cast<float>(gap);
    if (gap > first_gap_limit) return false;
    pilot_count = 0;
    for (int k = 0; k < lock_pulses; ++k) {
        decoder.last_result = next_pulse(run);
        if (!is_pulse(decoder.last_result)) return false;
        gap = pos(run, ring.ring_index) - pos(run, static_cast<std::uint8_t>(ring.ring_index - 1));
        const double ratio = gap / static_cast<double>(prev_gap);
        if (ratio < step_low || ratio > step_high) return false;
        prev_gap = static_cast<float>(gap);
        draw_marker_line(run, column_of(run, pos(run, ring.ring_index)), 0x4696FF);
        ++pilot_count;
    }
    decoder.decoder_state = Pilot;
    decoder.tracked_period = locked_period(run);
    return true;
}

// Follow a locked pilot until it ends.
PilotEnd follow_pilot(Run& run, float& prev_gap, int& pilot_count) {
    PulseRing& ring = *run.ring;
    Decoder& decoder = *run.decoder;
    for (;;) {
        decoder.last_result = next_pulse(run);
        if (decoder.last_result == end_of_data) return PilotEnd::recording_ended;
        if (decoder.last_result == no_pulse) return PilotEnd::ended;
        const PulseRecord& r = rec(run, ring.ring_index);
        if (r.level < min_pilot_level) return PilotEnd::restart;
        const std::int32_t gap = r.position - pos(run, static_cast<std::uint8_t>(ring.ring_index - 1));
        const double ratio = gap / static_cast<double>(prev_gap);
        if (r.length > 0.5 * pilot_length_limit * pilot_ratio * decoder.tracked_period) return PilotEnd::ended;
        if (ratio < step_low || ratio > step_high) return PilotEnd::ended;
        const double speed = 2 * static_cast<double>(pilot_ratio) * nominal_period / gap;
        if (speed < speed_low || speed > speed_high) return PilotEnd::restart;
        ++pilot_count;
        prev_gap = static_cast<float>(gap);
        decoder.tracked_period = locked_period(run);
        draw_marker_line(run, column_of(run, r.position), 0xF0F0FF);
    }
}

// The pilot has ended at record i: place the sync edge, fix the polarity,
// rewind to the first data cycle and read the data.
void enter_data_phase(Run& run) {
    SampleWindow& window = *run.window;
    Decoder& decoder = *run.decoder;
    decoder.decoder_state = Data;
    decoder.tracked_period = static_cast<float>(decoder.tracked_period * 0.5);
    run.analysis->window_length = truncate(decoder.tracked_period + 0.5);
    decoder.split_ratio = data_split_ratio;
    decoder.mid0_ratio = data_mid0_ratio;
    decoder.mid1_ratio = data_mid1_ratio;

    const double P = decoder.tracked_period;
    const double K = pilot_ratio;
    const std::uint8_t i = run.ring->ring_index;
    std::int32_t S;
    if (is_pulse(decoder.last_result) && rec(run, i).length > pilot_length_limit * K * P) {
        // The sync arrived as one long pulse: the signal is upside down.
        S = truncate(pos(run, static_cast<std::uint8_t>(i - 1)) + (2 * (sync_ratio + K) - 1) * P);
        invert_polarity(run);
    } else if (rec(run, static_cast<std::uint8_t>(i - 1)).gap_minimum <= sync_gap_threshold) {
        S = truncate(pos(run, static_cast<std::uint8_t>(i - 1)) + (2 * sync_ratio + K - 1) * P);
    } else {
        S = truncate(pos(run, static_cast<std::uint8_t>(i - 2)) + (2 * (sync_ratio + K) - 1) * P);
        invert_polarity(run);
    }
    decoder.last_edge = S;

    // Back to the first data cycle. A slow tape whose pilot ended in silence
    // can put it before the oldest sample still held; start from there then.
    const std::int32_t q = truncate(S + P);
    std::int64_t slot = slot_of(run, q);
    if (slot < rewind_floor_slot) {
        slot = rewind_floor_slot;
        ++run.stats->clamped_rewinds;
    }
    if (slot > window.cursor) slot = window.cursor;
    window.cursor = static_cast<int>(slot);
    view_rewind(run, absolute_index(run, window.cursor));

    decoder.last_result = next_pulse(run);  // gives up the look-ahead made before the rewind
    if (decoder.last_result == end_of_data) return;
    draw_marker_line(run, column_of(run, q), 0x4696FF);
    draw_triangle(run, column_of(run, S), 0x0000FF);
    draw_triangle(run, column_of(run, q), 0x4080FF);
    decoder.last_result = decode_data(run, S);
}
}  // namespace

PulseResult decode_block(Run& run, bool after_header) {
    Decoder& decoder = *run.decoder;
    BlockBuffer& buffer = *run.buffer;
    *run.decoder = Decoder{};
    run.recorder->flag_hidden = after_header;
    run.stats->attempt = AttemptFigures{};
    buffer.bit_count = 0;
    run.analysis->window_length = start_window_length;
    decoder.last_result = next_pulse(run);  // priming: the look-ahead made under the previous settings

    for (;;) {
        reset_search(run);
        float prev_gap = 0.0f;
        int pilot_count = 0;
        if (!lock_pilot(run, prev_gap, pilot_count)) {
            if (decoder.last_result == end_of_data) break;
            continue;
        }
        const PilotEnd end = follow_pilot(run, prev_gap, pilot_count);
        if (end == PilotEnd::recording_ended) break;
        if (end == PilotEnd::restart || pilot_count < min_pilot_pulses) continue;
        enter_data_phase(run);
        break;
    }

    if (decoder.last_result == end_of_data) decoder.block_start = run.ring->newest_pulse_position;
    if (buffer.bit_count / 8 == 0) decoder.decoder_state = Search;
    return decoder.last_result;
}
