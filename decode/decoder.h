// One block attempt: find a pilot tone, lock onto its period, follow it to
// its end, place the sync edge, and run the data phase.
#pragma once

#include <cstdint>

constexpr float pilot_ratio = 1.268f;  // K: pilot spacing over a '1' cycle
constexpr float sync_ratio = 0.41f;    // offsets of the sync edge, in periods

extern std::int32_t block_start;     // first pulse of the latest pilot search (absolute index)
extern std::int32_t last_result;     // latest detect_pulse result: 0, 1, -2 or -1
extern std::int32_t last_edge;       // latest bit edge (absolute index); the sync edge at first

// Position of the newest pulse that detect_pulse handed back (0 before any):
// where an attempt that ended without a pulse is taken to end.
extern std::int32_t newest_pulse_position;

// Rewinds that would have gone before the oldest sample still held (a slow
// tape whose pilot ended in silence just after the window slid).
extern std::int32_t clamped_rewinds;

// Runs one block attempt and returns the latest detect_pulse result (-1: the recording ended).
std::int32_t decode_block();

// The data phase from the sync edge S; returns the latest detect_pulse result.
std::int32_t decode_data(std::int32_t S);

// Puts the data phase's own state back to its start values.
void reset_data_phase();

// Slots the analysis needs before the cursor: half the longest window.
constexpr int rewind_floor_slot = 50;
