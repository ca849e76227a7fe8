// The recording as a sliding window of single-precision samples.
//
// The file is read in order as little-endian signed 16-bit samples; nothing in
// it is interpreted. The window keeps 4000 samples of history before the
// analysis position at every slide, so the analysis and the decoder's rewind
// can look back, and zeros after the end of the data, so the analysis can look
// ahead. Every position elsewhere in the program is an absolute sample index
// counted from the file's first byte pair; absolute_index and slot_of convert.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "common/run.h"

constexpr int window_slots = 262144;                           // slots in the window
constexpr int history_slots = 4000;                            // kept before the cursor
constexpr int slide_threshold = window_slots - history_slots;  // 258,144: slide at or past this

struct SampleWindow {
    float* slots = nullptr;          // window_slots samples, slot 0 the oldest; heap (run driver)
    int cursor = history_slots;      // slot of the current analysis position (analyse_step; the decoder's rewind; slide_window)
    int data_end = 0;                // one past the last slot filled from the file (read_samples)
    // Bytes: twice the absolute index of slot 0, always even (slide_window; the
    // run driver for a recording placed later). At the start the recording's
    // first sample, index 0, goes into the cursor's slot.
    std::int64_t origin_offset = -2 * history_slots;
    std::int16_t polarity = 1;       // factor applied to every sample read; -1 after an inversion (invert_polarity)
    std::uint32_t generation = 1;    // +1 whenever slots change (read_samples, invert_polarity): figures made before are stale
};

struct SampleSource {
    std::FILE* recording = nullptr;     // the recording being read; opened and closed by the run driver
    bool recording_read_error = false;  // reading it failed, as opposed to meeting its end (read_samples)
    // It goes on past the last position a 32-bit sample index can name (about
    // 12 hours at 48,000 samples per second); it is read up to there (read_samples).
    bool recording_too_long = false;
    // Every sample read from `kept_from` on, as read (a second reading of a
    // block that failed needs its whole stretch, longer than the window).
    bool keep_samples = false;
    std::vector<std::int16_t> kept;
    std::int64_t kept_from = 0;         // absolute index of kept[0]
};
constexpr std::int64_t last_sample_index = INT32_MAX - 2 * window_slots;

// Fills slots first_slot .. end from the recording, sets data_end, zeroes the rest.
void read_samples(Run& run, int first_slot);
// Slides the window once the cursor has reached the slide threshold.
void slide_window(Run& run);
// Samples kept before the start of a pilot search: a second reading of a
// block takes this much before its first pulse.
constexpr std::int64_t kept_margin = 4800;
// The kept samples before absolute index `index` are no longer needed. They
// are dropped once they are half of those kept, so that a search started
// every few pulses moves no memory each time, and memory stays bounded
// however long the recording goes on without a block.
void forget_samples_before(Run& run, std::int64_t index);
// Negates every slot and flips the polarity of later reads.
void invert_polarity(Run& run);

// Slots hold samples up to last_sample_index only, so every absolute index fits in 32 bits.
inline std::int32_t absolute_index(const Run& run, int slot) {
    return static_cast<std::int32_t>(slot + run.window->origin_offset / 2);
}
inline std::int64_t slot_of(const Run& run, std::int32_t index) { return index - run.window->origin_offset / 2; }
