// The live view shows the recording one screen at a time: one Canvas column
// per analysed sample, W samples per screen. At the end of each screen the
// picture is shown, one window message is handled, the trace band is cleared
// and the statistics panel is written.
#pragma once

#include <cstdint>

#include "common/run.h"

// The figures of the statistics panel, as the decoder hands them over.
struct PanelFigures {
    std::int32_t bytes = 0;         // bytes of the current block
    std::int32_t float_zeros = 0;   // the block's figures, as the log names them
    float max0_size = 0.0f;
    float min1_size = 0.0f;
    std::int32_t mid0_count = 0;
    std::int32_t mid1_count = 0;
    std::int32_t rest_zeros = 0;
};

struct ScreenCycle {
    int W = 0;                 // columns of a screen: the Canvas width, drawn or not (run driver)
    int x = 0;                 // Canvas column of the current analysis position, 0 .. W-1 (view_step, view_rewind)
    std::int64_t Disp = 0;     // 4 x absolute sample index of the current screen's left edge (view_step, view_rewind)
    int graph_column = 0;      // next column of the period graph in the level lane (period graph, level_lane_reset)
    PanelFigures panel;        // shown at every end of screen; handed over before every pulse search (next_pulse)
};

// Column of absolute sample index p on the current screen.
// Far-off positions (stale records) give far-off columns, which drawing clips.
inline int column_of(const Run& run, std::int32_t p) {
    const std::int64_t c = p - run.screen->Disp / 4;
    return c < -(1 << 30) ? -(1 << 30) : (c > (1 << 30) ? (1 << 30) : static_cast<int>(c));
}

// One analysis step has been made and the analysis position is now absolute
// sample index `position`: advance the column, finish the screen at W. The
// next screen begins at that position. Made once a sample: the column's
// step is inline, the end of a screen is not.
void end_screen(Run& run, std::int32_t position);
inline void view_step(Run& run, std::int32_t position) {
    if (++run.screen->x >= run.screen->W) end_screen(run, position);
}
// The analysis moved back to absolute sample index p: clear from there and
// step whole screens back while the column is negative.
void view_rewind(Run& run, std::int32_t p);
// Clears the level lane, restarts the period graph and draws its dotted midline.
void level_lane_reset(Run& run);
// Writes the statistics panel (done at every end of screen).
void write_text_panel(Run& run, const PanelFigures& figures);
