// What the decoder produces for the current block: the bytes, the history of
// bit edges and '0' cycles, and the counters that tell how cleanly it was read.
#pragma once

#include <cstdint>

#include "common/basics.h"
#include "common/run.h"

constexpr int block_buffer_size = 131072;  // bytes; later bits are dropped

struct BlockBuffer {
    std::uint8_t* bytes = nullptr;  // heap (run driver); never cleared: each byte is rebuilt by 8 shifts (push_bit),
                                    // so a partial last byte holds the block's bit_count % 8 bits in its low bits
    std::uint8_t* weights = nullptr;  // block_buffer_size x 8 entries, one per bit: a BitWeight (push_bit); heap (run driver), may be absent
    std::int32_t* positions = nullptr;  // as many: the sample each bit was read at (push_bit); allocated with the weights
    std::int32_t bit_count = 0;     // bits pushed in the current block (push_bit; cleared by decode_block, taken back by the data phase: take_back_bits)
};

// The counters and extremes of a block, shown in the panel and the log. Each
// part starts again whole at its own point of the block attempt, because the
// panel shows each part as it stands between those points: the counts of the
// latest data phase stay on it through the next search, the Float-Zeros and
// the sizes do not.

// Started again at every block attempt and every pilot search in it (decode_block, the search).
struct AttemptFigures {
    std::int32_t float_zeros = 0;   // gap estimates whose fraction lay in 0.4 .. <0.6 (data phase)
    float period_max = 0.0f;        // largest graphed period, samples (next_pulse, from the period graph's points)
    float period_min = 100.0f;      // smallest graphed period, samples (next_pulse, from the period graph's points)
};

// Pulse lengths over N. Both are held at zero while searching, so that nothing
// lowers the smallest '1' (the search); the data phase tracks it down from 1.0
// (sizes_at_data).
struct PulseSizes {
    float max0_size = 0.0f;         // largest length / N of a short pulse in a zero run (bit recorder)
    float min1_size = 0.0f;         // smallest length / N of a long pulse (next_pulse, from the detector's notes)
};
constexpr PulseSizes sizes_at_data{0.0f, 1.0f};

// Started again by the data phase.
struct DataCounts {
    std::int32_t rest_zeros = 0;    // '0' bits pushed for pulses that were not detected (data phase, bit recorder)
    std::int32_t mid0_count = 0;    // short pulses longer than mid0_ratio x N (next_pulse, from the detector's notes)
    std::int32_t mid1_count = 0;    // long pulses shorter than mid1_ratio x N (next_pulse, from the detector's notes)
};

struct DecodeStats {
    AttemptFigures attempt;
    PulseSizes sizes;
    DataCounts counts;
    // Over the whole run: rewinds that would have gone before the oldest sample
    // still held (a slow tape whose pilot ended in silence just after the window slid).
    std::int32_t clamped_rewinds = 0;
};

// 256 positions with an 8-bit wrapping write index; never reset.
struct PositionHistory {
    double positions[256] = {};
    std::uint8_t write_index = 0;
};

// Where the bits came from, kept across blocks.
struct BitRecorder {
    PositionHistory edge_history;     // bit edges, one entry per '0' cycle (decoder, data phase)
    PositionHistory zero_history;     // pulses of the current zero run (bit recorder)
    std::int32_t zero_run_count = 0;  // '0' bits pushed for the current zero run (bit recorder, data phase)
    // The block follows a standard header, so its flag byte is not drawn (set
    // by decode_block from what it is told).
    bool flag_hidden = false;
};

inline void history_append(PositionHistory& h, double position) {
    h.positions[h.write_index] = position;
    h.write_index = static_cast<std::uint8_t>(h.write_index + 1);
}
// Entry k back; the latest entry is 1 back.
inline double history_back(const PositionHistory& h, int k) {
    return h.positions[static_cast<std::uint8_t>(h.write_index - k)];
}
// Stores p at the write index and history_length entries p - P, p - 2P, ... before it,
// then advances the index by one, so p is the latest entry.
void history_restart(PositionHistory& h, double p, double P);

// Shifts a bit into the buffer (most significant first), counts it and draws it
// into the screen panel.
// `at`: the sample the bit was read at; -1: the newest pulse's.
void push_bit(Run& run, int bit, std::uint8_t weight = weight_clean, std::int32_t at = -1);
// Drops the bits pushed since bit_count was `count`. A partial byte they
// completed is shifted back, so that its low bits are again the block's.
void take_back_bits(Run& run, std::int32_t count);
// The first paired short pulse of a zero run, at position p.
void start_zero_run(Run& run, double p);
// A further paired short pulse of the run: fills in missing '0' cycles and re-estimates P.
void continue_zero_run(Run& run);
