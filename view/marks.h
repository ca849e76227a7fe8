// The marks that the sample stream, the detector, the decoder and the block
// report leave on the live view, each a named operation in the rows and
// colours of ViewLayout. Columns are Canvas columns (column_of a position).
#pragma once

#include "common/basics.h"
#include "common/run.h"

// Colours of the marks with one meaning each.
namespace MarkColour {
constexpr Colour refill = 0x0000FF;          // the window slid: new samples were read
constexpr Colour pair_tick = 0x40C864;       // two short pulses a regular pair
constexpr Colour gap_bar = 0xF08000;         // the deepest dip of the gap before a pulse
constexpr Colour level_bar = 0xE664FF;       // a pulse's level
constexpr Colour graph_pilot = 0x009600;     // period graph while locked to a pilot
constexpr Colour graph_data = 0xC80000;      // period graph while reading data
constexpr Colour uncertain_label = 0x0000FF; // a gap estimate near one half
constexpr Colour verdict_good = 0x00C800, verdict_bad = 0x0000FF;
constexpr Colour zero_bit = 0xFFFF80, one_bit = 0xFF6400;
}  // namespace MarkColour

// A vertical line through the strength and wave lanes.
void draw_marker_line(Run& run, int column, Colour colour);
// A small triangle pointing up under the wave lane (sync, zero runs, gaps, refills).
void draw_triangle(Run& run, int column, Colour colour);
// The refill mark: a red triangle where the sample window slid.
void draw_refill_mark(Run& run, int column);
// A pulse: its marker line and its arrowhead in the mid lane.
void draw_pulse_marker(Run& run, int column, Colour colour);
// The level bar of a pulse, `height` rows above the mid lane's base (at most its height - 1).
void draw_level_bar(Run& run, int column, int height);
// Ticks under two short pulses that form a regular pair.
void draw_pair_ticks(Run& run, int column, int partner_column);
// A gap bar in the strength lane, as deep as the gap's lowest strength (<= 0).
void draw_gap_bar(Run& run, int column, float lowest_strength);
// One point of the period graph at `row` of the level lane.
void draw_period_point(Run& run, int column, int row, bool data_phase);
// The estimated '0' count of a gap, in red when it is uncertain.
void draw_gap_label(Run& run, int column, double zeros, bool uncertain);
// Bit v of the block (v >= 0) in the screen panel, in Spectrum screen order.
void draw_screen_bit(Run& run, int v, int bit);
// "Checksum OK!" or "Checksum ERROR!" and the block's log line.
void draw_verdict(Run& run, bool good, const char* report_line);
