#include "app/linux/progress.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>

#include "common/basics.h"

namespace {
thread_local bool shown = false;                // progress goes to a terminal
thread_local std::int64_t total = 0;            // samples in the recording; 0: not known
thread_local unsigned screens = 0;              // ends of screen since the last look at the clock
thread_local std::chrono::steady_clock::time_point last_drawn;
}  // namespace

void progress_begin(std::int64_t total_samples) {
    shown = isatty(STDERR_FILENO) != 0;
    total = total_samples;
    last_drawn = std::chrono::steady_clock::now();
}

void progress_tick(std::int32_t position) {
    // The clock is read once per 64 screens (51,200 samples), not per screen.
    if (!shown || (++screens & 63) != 0) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_drawn < std::chrono::milliseconds(200)) return;
    last_drawn = now;
    char time[time_text_size];
    time_text(position, time);
    if (total <= 0) {
        std::fprintf(stderr, "\r%s read ", time);  // a pipe: its length is not known
    } else {
        const double share = 100.0 * position / total;
        std::fprintf(stderr, "\r%5.1f %%  %s ", share > 100.0 ? 100.0 : share, time);
    }
    std::fflush(stderr);
}

void progress_end() {
    if (shown) std::fputs("\r                    \r", stderr);
}
