// Finding pulses. The detector walks the samples until the sine correlation
// rises to the run threshold, follows the run to its end and judges it by its
// length relative to the analysis window, its peak and its level against the
// levels of earlier pulses: weak runs, runs of the wrong length and runs far
// quieter than the pulses before them are rejected and the search goes on.
// A search gives up after 30 window lengths, so the decoder hears about
// silence. The window length creeps one step per call towards the period
// estimate so that the correlation always spans about one cycle.
#include <cstdint>

#include "analysis/pulse_ring.h"
#include "analysis/signal_analyser.h"
#include "input/sample_stream.h"
#include "view/marks.h"
#include "view/screen_cycle.h"

namespace {
constexpr float run_threshold = 5.0f;     // strength at or above this belongs to a run
constexpr float short_min_peak = 46.0f;   // least peak strength of a short pulse
constexpr float long_min_peak = 40.0f;    // least peak strength of a long pulse
constexpr double level_divisor = 5.0;     // a pulse needs at least 1/5 of the reference level
constexpr int search_span = 30;           // window lengths searched before giving up
constexpr int longest_run = 5;            // window lengths a run may last
constexpr int shortest_window = 7, longest_window = 100;
constexpr double pair_low = 0.92, pair_high = 1.08;  // both excluded

constexpr Colour short_colour = 0x64C800, mid0_colour = 0x00F0F0;
constexpr Colour long_colour = 0xFAC800, mid1_colour = 0xF096F0;

// Moves N one step towards the period estimate; a dead band of half a sample keeps it still.
void adapt_window(Run& run, double P) {
    SignalAnalysis& analysis = *run.analysis;
    if (analysis.window_length > P + 0.5) {
        if (analysis.window_length > shortest_window) --analysis.window_length;
    } else if (analysis.window_length <= P - 0.5) {
        if (analysis.window_length < longest_window) ++analysis.window_length;
    }
}

// The call's result: the kind of the record the caller handles now.
PulseResult hand_back(Run& run) {
    PulseRing& ring = *run.ring;
    const PulseRecord& handed = ring.records[ring.ring_index];
    if (handed.kind == kind_short || handed.kind == kind_long) ring.newest_pulse_position = handed.position;
    return static_cast<PulseResult>(static_cast<std::int8_t>(handed.kind));
}

}  // namespace

PulseResult detect_pulse(Run& run, const PulseClasses& c, PulseNotes& notes) {
    SignalAnalysis& analysis = *run.analysis;
    PulseRing& ring = *run.ring;
    PulseDetector& detector = *run.detector;
    SampleWindow& w = *run.window;
    ring.ring_index = static_cast<std::uint8_t>(ring.ring_index + 1);
    ring.next_index = static_cast<std::uint8_t>(ring.ring_index + 1);
    PulseRecord& r = ring.records[ring.next_index];
    PulseRecord& q = ring.records[static_cast<std::uint8_t>(ring.next_index - 1)];
    r.paired = 0;
    notes = PulseNotes{};

    const int s0 = w.cursor;
    const int N0 = analysis.window_length;
    const int G = s0 + N0;                 // the gap minimum is taken before this slot
    const int L = s0 + search_span * N0;   // the search gives up here
    bool adapted = false;
    float g = 0.0f;

    for (;;) {
        // Search for the start of a run.
        for (;;) {
            if (w.cursor >= w.data_end) {
                r.kind = kind_end;
                return hand_back(run);
            }
            if (w.cursor >= L) {
                q.gap_minimum = g;
                r.kind = kind_no_pulse;
                slide_window(run);
                return hand_back(run);
            }
            analyse_step(run);
            view_step(run, absolute_index(run, w.cursor));
            if (!adapted && analysis.strength > 0.0f) {
                adapted = true;
                adapt_window(run, c.tracked_period);
            }
            if (w.cursor < G && analysis.strength < g) g = analysis.strength;
            if (analysis.strength >= run_threshold) break;
        }

        // Follow the run.
        const int a0 = w.cursor - 1;
        int i = 1;
        float peak = analysis.strength;
        int peak_slot = a0;
        float level_sum = analysis.mean_deviation;
        const int further = longest_run * analysis.window_length - 1;
        for (int step = 0; step < further; ++step) {
            if (w.cursor >= w.data_end) {
                r.kind = kind_end;
                return hand_back(run);
            }
            analyse_step(run);
            view_step(run, absolute_index(run, w.cursor));
            if (analysis.strength < run_threshold) break;
            ++i;
            level_sum = static_cast<float>(static_cast<double>(level_sum) + analysis.mean_deviation);
            if (analysis.strength > peak) {
                peak = analysis.strength;
                peak_slot = w.cursor - 1;
            }
        }
        const double N = analysis.window_length;
        const float level = static_cast<float>(static_cast<double>(level_sum) / i);
        detector.mark_level = i > analysis.window_length ? static_cast<float>(level * (i / N)) : level;
        r.length = i;

        // Classify.
        const bool is_short = level >= detector.short_ref_level / level_divisor && i >= N * c.short_min_ratio &&
                              i <= N * c.split_ratio && peak >= short_min_peak;
        const bool is_long = !is_short && level >= detector.last_level / level_divisor && i > N * c.split_ratio &&
                             i <= N * c.long_max_ratio && peak >= long_min_peak;
        if (!is_short && !is_long) continue;  // rejected: search on within the same span

        // Accept.
        q.gap_minimum = g;
        detector.last_level = level;
        r.level = level;
        r.position = absolute_index(run, is_short ? peak_slot : a0 + i / 2);
        r.kind = is_short ? kind_short : kind_long;
        r.period = c.tracked_period;
        const int column = column_of(run, r.position);
        if (is_short) {
            notes.graph = mark_pulse(run, column, short_colour, c);
            if (i > N * c.mid0_ratio) {
                notes.graph = mark_pulse(run, column, mid0_colour, c);
                notes.mid0_count = 1;
            }
            if (q.kind == kind_short) {
                const double ratio = c.tracked_period / static_cast<double>(r.position - q.position);
                if (ratio > pair_low && ratio < pair_high) {
                    draw_pair_ticks(run, column, column_of(run, q.position));
                    r.paired = 1;
                    q.paired = 1;
                    detector.short_ref_level = level;
                }
            }
        } else {
            notes.graph = mark_pulse(run, column, long_colour, c);
            notes.one_size = i / N;
            if (i < N * c.mid1_ratio) {
                notes.graph = mark_pulse(run, column, mid1_colour, c);
                notes.mid1_count = 1;
            }
        }
        if (c.decoder_state != Data) {
            // Gap bar halfway between the two pulses, as tall as the gap's deepest dip.
            draw_gap_bar(run, column - (r.position - q.position) / 2, g);
        }
        slide_window(run);
        return hand_back(run);
    }
}
