// The ring of detected pulses and the detector that fills it.
//
// A pulse is a run of analysis steps whose sine-correlation strength stays at
// or above 5.0: a stretch where the analysis window matches one cycle of the
// tape signal. The detector measures each run, classifies it as short (a '0'
// cycle) or long (a '1' or pilot cycle) against the decoder's period estimate,
// and stores it one record ahead of the record it hands back, so that the
// decoder always sees the next pulse and the gap after the current one.
#pragma once

#include <cstdint>
#include <limits>

#include "common/run.h"

enum PulseKind : std::uint8_t {
    kind_short = 0,
    kind_long = 1,
    kind_no_pulse = 254,  // nothing found within the search span; reaches callers as no_pulse
    kind_end = 255,       // end of the sample data; reaches callers as end_of_data
};

// What detect_pulse hands back: the kind of the record the caller handles now,
// the two kinds without a pulse sign-extended.
enum PulseResult : int {
    short_pulse = kind_short,
    long_pulse = kind_long,
    end_of_data = -1,  // kind_end
    no_pulse = -2,     // kind_no_pulse
};

inline bool is_pulse(PulseResult r) { return r >= 0; }  // short or long, not the lack of one

struct PulseRecord {
    std::uint8_t kind;        // a PulseKind
    float period;             // tracked_period when the pulse was accepted, samples
    std::int32_t position;    // absolute sample index: strongest step (short) or run middle (long)
    std::int32_t length;      // analysis steps of the run, 1 .. 5N
    float level;              // average mean deviation over the run
    std::uint8_t paired;      // 1 when this short pulse formed a regular pair with a neighbour
    float gap_minimum;        // lowest strength (<= 0) early in the search that followed this pulse
};

constexpr int ring_size = 256;

// The detected pulses, 256 records in a ring with 8-bit wrapping indices.
struct PulseRing {
    PulseRecord records[ring_size] = {};    // zeroed at the start of a run (run driver), never cleared again
    std::uint8_t ring_index = 0;            // record the caller handles now; +1 per detect_pulse call, wraps
    std::uint8_t next_index = 1;            // ring_index + 1: the look-ahead record (detect_pulse)
    // Position of the newest pulse that detect_pulse handed back (0 before
    // any): where an attempt that ended without a pulse is taken to end.
    std::int32_t newest_pulse_position = 0;
};

inline PulseRecord& rec(const Run& run, std::uint8_t i) { return run.ring->records[i]; }

// The levels the detector judges new pulses by (detect_pulse; every search of
// the decoder starts them again).
struct PulseDetector {
    float short_ref_level = 0.0f;  // level of the latest short pulse that completed a regular pair
    float last_level = 0.0f;       // level of the latest accepted pulse of either kind
    float mark_level = 0.0f;       // latest run's level stretched by its length: the marker's bar
};

constexpr float nominal_period = 23.4528f;  // one '0' cycle at 100 % tape speed, samples

// How far the decoder has got in a block attempt.
enum DecoderState : std::uint8_t { Search = 0, Pilot = 1, Data = 2 };

// What the detector judges pulses by: the decoder's state, period estimate and
// ratios, which change pulse by pulse while the decoder reads the ring.
struct PulseClasses {
    std::uint8_t decoder_state = Search;  // a DecoderState: the gap bars and the period graph follow it
    float tracked_period = 0.0f;   // P, samples: N adapts to it; short pulses pair by it
    float short_min_ratio = 0.0f;  // short pulse: length >= N x this
    float split_ratio = 0.0f;      // short: length <= N x this; long: length > N x this
    float long_max_ratio = 0.0f;   // long pulse: length <= N x this
    float mid0_ratio = 0.0f;       // a short pulse longer than N x this is a Mid '0'
    float mid1_ratio = 0.0f;       // a long pulse shorter than N x this is a Mid '1'
};

// A point of the period graph: every 32nd record outside the search shows the
// length of one '0' cycle.
struct PeriodPoint {
    bool plotted = false;
    float period = 0.0f;  // samples
};

// What one detect_pulse call saw of the pulse it accepted, for the decoder's figures.
struct PulseNotes {
    std::int32_t mid0_count = 0;  // 1: a Mid '0'
    std::int32_t mid1_count = 0;  // 1: a Mid '1'
    double one_size = std::numeric_limits<double>::infinity();  // length / N of a long pulse; none: infinity
    PeriodPoint graph;            // the point it added to the period graph, if any
};

// Finds the next pulse, classified by `classes`, stores it at next_index and
// returns the kind of the record at ring_index. What it saw goes into `notes`.
PulseResult detect_pulse(Run& run, const PulseClasses& classes, PulseNotes& notes);

// Marker line, arrowhead and level bar of a pulse at a Canvas column, and
// every 32nd record outside the search a point of the period graph, which it returns.
PeriodPoint mark_pulse(Run& run, int column, std::uint32_t colour, const PulseClasses& classes);
