// A second pulse front end, for band-limited audio (lossy encodings, worn
// heads), where the sine correlation of the first loses pulses: the samples
// are band-passed, each half-period runs from one zero crossing to the next
// (with hysteresis, so that noise near zero makes none), a pilot is a run of
// half-periods near the pilot's length, which gives the tape speed, and each
// pair of half-periods after the two sync halves is one bit by its length.
// It reads a stretch of samples given whole; its blocks are candidates for a
// block the first front end failed on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct CrossingBlock {
    std::int64_t start = 0;          // absolute sample index of the pilot's first half-period
    std::int64_t end = 0;            // absolute sample index where the last bit ends
    std::vector<std::uint8_t> bits;  // every bit, 0 or 1, most significant first
    // The pilot ended in the two short halves of the sync. Where damage hid
    // them, the first bit's place is a guess, and bits shifted by one pass
    // the XOR check half the time.
    bool sync_seen = false;
};

// How the samples are filtered before their crossings are found. The band
// pass takes hum and rumble out; the low pass alone keeps the faint copy of
// the tone that a dropout leaves (often 40 dB down), which the high pass's
// transient at the dropout's edges would swamp.
enum class CrossingFilter { band_pass, low_pass };

// The blocks in `samples` (48,000 a second), the first of which has the
// absolute index `first_index`.
// `hysteresis`: the band around zero, as a share of the level of the louder
// half of the samples, that a crossing must pass through.
std::vector<CrossingBlock> read_by_zero_crossings(const std::vector<std::int16_t>& samples,
                                                  std::int64_t first_index = 0, double hysteresis = 0.15);
struct CrossingReading {
    CrossingFilter filter = CrossingFilter::band_pass;
    double hysteresis = 0.15;
};
// One reading for each of `readings`, the samples low-passed once for all
// and high-passed once for those that band-pass.
std::vector<std::vector<CrossingBlock>> read_by_zero_crossings(const std::int16_t* samples, std::size_t count,
                                                               std::int64_t first_index,
                                                               const std::vector<CrossingReading>& readings);
