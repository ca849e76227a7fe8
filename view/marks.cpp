#include "view/marks.h"

#include <cstdio>

#include "common/run.h"
#include "view/canvas.h"
#include "view/platform.h"

using namespace ViewLayout;

namespace {
constexpr int screen_bits = 6144 * 8;  // the pixel area of a Spectrum screen

void arrowhead(int x, int apex_row) {
    draw_dot(x, apex_row);
    for (int k = 1; k <= 4; ++k) draw_line(x - k, apex_row - k, x + k, apex_row - k);
}

void tick(int x) {
    draw_line(x - 4, pair_tick_row, x + 4, pair_tick_row);
    draw_line(x - 4, pair_tick_row - 1, x + 4, pair_tick_row - 1);
}
}  // namespace

void draw_marker_line(Run& run, int column, Colour colour) {
    if (!run.drawing) return;
    set_pen(colour);
    draw_line(column, trace_bottom, column, trace_top);
}

void draw_triangle(Run& run, int column, Colour colour) {
    if (!run.drawing) return;
    set_pen(colour);
    arrowhead(column, triangle_row);
}

void draw_refill_mark(Run& run, int column) { draw_triangle(run, column, MarkColour::refill); }

void draw_pulse_marker(Run& run, int column, Colour colour) {
    if (!run.drawing) return;
    set_pen(colour);
    draw_line(column, trace_bottom, column, trace_top);
    arrowhead(column, arrow_row);
}

void draw_level_bar(Run& run, int column, int height) {
    if (!run.drawing) return;
    set_pen(MarkColour::level_bar);
    draw_line(column, level_bar_base, column, level_bar_base + height);
    draw_line(column - 1, level_bar_base, column - 1, level_bar_base + height);
    draw_line(column + 1, level_bar_base, column + 1, level_bar_base + height);
}

void draw_pair_ticks(Run& run, int column, int partner_column) {
    if (!run.drawing) return;
    set_pen(MarkColour::pair_tick);
    tick(column);
    tick(partner_column);
}

void draw_gap_bar(Run& run, int column, float lowest_strength) {
    if (!run.drawing) return;
    set_pen(MarkColour::gap_bar);
    const int y = static_cast<int>(static_cast<double>(trace_bottom) - lowest_strength);
    draw_line(column, trace_bottom, column, y);
    draw_line(column + 1, trace_bottom, column + 1, y);
}

void draw_period_point(Run& run, int column, int row, bool data_phase) {
    if (!run.drawing) return;
    set_pen(data_phase ? MarkColour::graph_data : MarkColour::graph_pilot);
    draw_dot(column, row);
}

void draw_gap_label(Run& run, int column, double zeros, bool uncertain) {
    if (!run.drawing) return;
    char label[64];
    std::snprintf(label, sizeof label, "%.2f", zeros);
    set_text_colour(uncertain ? MarkColour::uncertain_label : 0);
    draw_text(*run.hooks, column - 50, canvas.H - gap_label_row, label);
    set_text_colour(0);
}

void draw_screen_bit(Run& run, int v, int bit) {
    if (!run.drawing) return;
    set_pen(bit ? MarkColour::one_bit : MarkColour::zero_bit);
    if (v < 0 || v >= screen_bits) return;
    // Thirds of 64 lines, character rows, pixel lines within a row.
    const int s = v / 8, b = v % 8;
    const int line = 64 * (s / 2048) + 8 * ((s / 32) % 8) + ((s / 256) % 8);
    draw_dot(ScreenPanel_left + 8 * (s % 32) + b, ScreenPanel_top - line);
}

void draw_verdict(Run& run, bool good, const char* report_line) {
    if (!run.drawing) return;
    fill_rect(0, 0, ScreenPanel_left - 1, verdict_strip_top, background);
    fill_rect(0, verdict_strip_bottom, canvas.W - 1, verdict_strip_top, background);
    set_text_colour(good ? MarkColour::verdict_good : MarkColour::verdict_bad);
    draw_text(*run.hooks, 0, canvas.H - verdict_row, good ? "Checksum OK!" : "Checksum ERROR!");
    set_text_colour(0x000000);
    draw_text(*run.hooks, 0, canvas.H - report_line_row, report_line);
}
