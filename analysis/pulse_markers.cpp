// The marker of every accepted pulse, and the period graph: one pulse in 32
// plots the decoder's period estimate in the level lane. The point goes back
// to the decoder, which extends from it the extremes the tape speed is told by.
#include "analysis/pulse_ring.h"
#include "view/canvas.h"
#include "view/marks.h"
#include "view/screen_cycle.h"

namespace {
constexpr double level_bar_scale = 0.00033333333f;  // single-precision factor of the level bar
constexpr int graph_scale = 8;                      // pixels per sample of period
}  // namespace

PeriodPoint mark_pulse(Run& run, int x, std::uint32_t colour, const PulseClasses& c) {
    ScreenCycle& screen = *run.screen;
    draw_pulse_marker(run, x, colour);

    // Capped one row below the lane's top (compared before converting, so no level can overflow it).
    const double bar = (50 * static_cast<double>(run.detector->mark_level)) * level_bar_scale;
    draw_level_bar(run, x, bar >= ViewLayout::MidLane_height ? ViewLayout::MidLane_height - 1 : static_cast<int>(bar));

    if ((run.ring->ring_index & 31) != 0 || c.decoder_state == Search) return {};
    // Both states graph the length of one '0' cycle.
    const float v = c.decoder_state == Pilot ? static_cast<float>(c.tracked_period * 0.5) : c.tracked_period;
    // Clamped to the lane's edges; the bounds are whole rows, so clamping before
    // the truncation gives the same row and keeps the conversion in range.
    double yd = ViewLayout::graph_centre - (static_cast<double>(v) - nominal_period) * graph_scale;
    const double lowest = ViewLayout::LevelLane_base, highest = ViewLayout::LevelLane_base + ViewLayout::LevelLane_height;
    yd = yd < lowest ? lowest : (yd > highest ? highest : yd);
    draw_period_point(run, screen.graph_column++, static_cast<int>(yd), c.decoder_state == Data);
    if (screen.graph_column >= canvas.W) level_lane_reset(run);
    return {true, v};
}
