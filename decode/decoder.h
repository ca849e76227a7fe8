// One block attempt: find a pilot tone, lock onto its period, follow it to
// its end, place the sync edge, and run the data phase.
#pragma once

#include <cstdint>

#include "analysis/pulse_ring.h"

constexpr float pilot_ratio = 1.268f;  // K: pilot spacing over a '1' cycle
constexpr float sync_ratio = 0.41f;    // offsets of the sync edge, in periods

// Classification while searching for a pilot, set at every block attempt.
constexpr float search_period = 30.0f;         // P, samples
constexpr float search_ratio = 0.2f;           // short_min_ratio, split_ratio, mid0_ratio and mid1_ratio
constexpr float search_long_max_ratio = 2.0f;  // long_max_ratio
// Classification of data bits, set at the sync edge.
constexpr float data_split_ratio = 0.7f;
constexpr float data_mid0_ratio = 0.65f;
constexpr float data_mid1_ratio = 0.75f;

// The decoder's state, started again at every block attempt (decode_block).
// next_pulse hands the state, the period and the ratios to the detector to
// classify each pulse by; decode_block and the data phase write them.
struct Decoder {
    std::uint8_t decoder_state = Search;          // a DecoderState
    float tracked_period = search_period;         // P: expected pulse spacing in samples; one '0' cycle from the sync on
    float short_min_ratio = search_ratio;         // short pulse: length >= N x this
    float split_ratio = search_ratio;             // short: length <= N x this; long: length > N x this
    float long_max_ratio = search_long_max_ratio; // long pulse: length <= N x this
    float mid0_ratio = search_ratio;              // short pulse with length > N x this counts as Mid '0'
    float mid1_ratio = search_ratio;              // long pulse with length < N x this counts as Mid '1'
    std::int32_t block_start = 0;     // first pulse of the latest pilot search (absolute index)
    PulseResult last_result = short_pulse;  // latest next_pulse result
    std::int32_t last_edge = 0;       // latest bit edge (absolute index); the sync edge at first
};

// The next pulse: detect_pulse under the decoder's classification, with what
// it saw added into the block's figures. Every pulse the decoder reads comes
// through here.
PulseResult next_pulse(Run& run);

// Runs one block attempt and returns the latest next_pulse result (end_of_data:
// the recording ended). `after_header`: the block reported before it was a
// standard header (the report knows), so this one's flag byte is not drawn.
PulseResult decode_block(Run& run, bool after_header);

struct SpacingWindow {
    float low = 0.0f, high = 0.0f;
};

// The data phase's own state, kept between phases as the decoder leaves it; written by decode_data alone.
struct DataPhase {
    std::int32_t pilot_run_fixed = 0;       // long pulses in a row inside the window fixed at the sync
    SpacingWindow pilot_window_fixed;
    std::int32_t pilot_run_adaptive = 0;    // the same for a window set from the P current at its start
    SpacingWindow pilot_window_adaptive;
    std::int32_t pilot_run_start_bits = 0;  // bit_count when the latest run started
    std::int32_t zero_run_start_edge = 0;   // last_edge when the current zero run or gap began, absolute index
    std::int32_t zero_run_first = 0;        // first short pulse of the zero run, absolute index
    float zero_run_first_period = 0.0f;     // that pulse's period, samples
    std::int32_t zero_run_last = 0;         // latest short pulse of the zero run, absolute index
};

// The data phase from the sync edge S; returns the latest next_pulse result.
PulseResult decode_data(Run& run, std::int32_t S);

// Puts the data phase's own state back to its start values.
void reset_data_phase(Run& run);

// Slots the analysis needs before the cursor: half the longest window.
constexpr int rewind_floor_slot = 50;
