// Progress of a long run on standard error, when that is a terminal.
#pragma once

#include <cstdint>

// Starts showing progress for a recording of `total_samples` samples (0: not known).
void progress_begin(std::int64_t total_samples);
// Called at every end of screen; redraws at most a few times a second.
void progress_tick(std::int32_t position);  // the analysis position, at an end of screen
// Clears the progress line.
void progress_end();
