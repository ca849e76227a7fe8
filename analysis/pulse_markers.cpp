// The marker of every accepted pulse, and the period graph: one pulse in 32
// plots the decoder's period estimate in the level lane and extends the
// running extremes from which the block report derives the tape speed.
#include "analysis/pulse_ring.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "view/canvas.h"
#include "view/screen_cycle.h"

namespace {
constexpr double level_bar_scale = 0.00033333333f;  // single-precision factor of the level bar
constexpr int graph_scale = 8;                      // pixels per sample of period
constexpr int graph_centre = 260;                   // level lane base + half its height
}  // namespace

void mark_pulse(int x, std::uint32_t colour) {
    set_pen(colour);
    draw_line(x, 400, x, 677);
    draw_dot(x, 318);
    for (int k = 1; k <= 4; ++k) draw_line(x - k, 318 - k, x + k, 318 - k);

    // Capped one row below the lane's top (compared before converting, so no level can overflow it).
    const double bar = (50 * static_cast<double>(pulse_detector.mark_level)) * level_bar_scale;
    const int b = bar >= ViewLayout::MidLane_height ? ViewLayout::MidLane_height - 1 : static_cast<int>(bar);
    set_pen(0xE664FF);
    draw_line(x, 320, x, 320 + b);
    draw_line(x - 1, 320, x - 1, 320 + b);
    draw_line(x + 1, 320, x + 1, 320 + b);

    if ((pulse_ring.ring_index & 31) != 0) return;
    set_pen(decoder.decoder_state == Data ? 0xC80000 : 0x009600);
    if (decoder.decoder_state == Search) return;
    // Both states graph the length of one '0' cycle.
    const float v = decoder.decoder_state == Pilot ? static_cast<float>(decoder.tracked_period * 0.5) : decoder.tracked_period;
    if (v > decode_stats.period_max) decode_stats.period_max = v;
    if (v < decode_stats.period_min) decode_stats.period_min = v;
    // Clamped to the lane's edges; the bounds are whole rows, so clamping before
    // the truncation gives the same row and keeps the conversion in range.
    double yd = graph_centre - (static_cast<double>(v) - nominal_period) * graph_scale;
    const double lowest = ViewLayout::LevelLane_base, highest = ViewLayout::LevelLane_base + ViewLayout::LevelLane_height;
    yd = yd < lowest ? lowest : (yd > highest ? highest : yd);
    const int y = static_cast<int>(yd);
    const int c = screen.graph_column++;
    draw_dot(c, y);
    if (screen.graph_column >= canvas.W) level_lane_reset();
}
