// Per-sample analysis of a short window around the cursor: its mean, mean
// absolute deviation and the correlation with one full sine cycle spanning it.
#pragma once

#include <cstdint>

extern std::int32_t window_length;  // N, samples; 30 at each block attempt, then adapted (7 .. 100)
extern float window_mean;           // mean of the latest window
extern float mean_deviation;        // mean absolute deviation of the latest window
extern float strength;              // 85 x sine correlation / total deviation, within +-85

// Analyses the window of N slots beginning at cursor - N/2, then moves the cursor on by one.
void analyse_step();
// Forgets figures computed ahead: the samples in the window have changed.
void analysis_forget();

// sin((k x (1/N)) x 2pi) for k = 0 .. N-1, from the table made on the build
// machine, so that every build uses the same bits. Null for N outside the table.
const double* sine_cycle(int N);
constexpr int sine_table_max_length = 128;
