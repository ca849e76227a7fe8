// Per-sample analysis of a short window around the cursor: its mean, mean
// absolute deviation and the correlation with one full sine cycle spanning it.
#pragma once

#include <cstdint>

#include "common/run.h"
#include "input/sample_stream.h"

constexpr std::int32_t start_window_length = 30;  // N at the start of every block attempt, samples
constexpr int analysis_batch_size = 8;            // windows computed together

// Figures of the steps at slots first .. first + count - 1, made with window
// length N from the slots as they were at `generation`: computed ahead,
// thrown away when the samples, the cursor's path or N change.
struct AnalysisBatch {
    int first = 0;
    int count = 0;                      // 0: nothing computed ahead
    std::int32_t N = 0;
    std::uint32_t generation = 0;       // sample_window.generation the figures were made from
    float mean[analysis_batch_size] = {};
    float deviation[analysis_batch_size] = {};
    float strength[analysis_batch_size] = {};
};

struct SignalAnalysis {
    std::int32_t window_length = start_window_length;  // N, samples; set by the decoder, adapted by the detector (7 .. 100)
    float window_mean = 0.0f;     // mean of the latest window (analyse_step)
    float mean_deviation = 0.0f;  // mean absolute deviation of the latest window (analyse_step)
    float strength = 0.0f;        // 85 x sine correlation / total deviation, within +-85 (analyse_step)
    AnalysisBatch batch;          // figures computed ahead of the cursor (analyse_step)
};

// Computes the figures of the steps from the cursor on, with the current N.
void analyse_ahead(Run& run);

// Analyses the window of N slots beginning at cursor - N/2, then moves the
// cursor on by one. Made once a sample: inline while the figures computed
// ahead still hold.
inline void analyse_step(Run& run) {
    SampleWindow& w = *run.window;
    SignalAnalysis& a = *run.analysis;
    int k = w.cursor - a.batch.first;
    if (a.window_length != a.batch.N || k < 0 || k >= a.batch.count || a.batch.generation != w.generation) {
        analyse_ahead(run);
        k = 0;
    }
    a.window_mean = a.batch.mean[k];
    a.mean_deviation = a.batch.deviation[k];
    a.strength = a.batch.strength[k];
    ++w.cursor;
}

// sin((k x (1/N)) x 2pi) for k = 0 .. N-1, from the table made on the build
// machine, so that every build uses the same bits. Null for N outside the table.
const double* sine_cycle(int N);
constexpr int sine_table_max_length = 128;
