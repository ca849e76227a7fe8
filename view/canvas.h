// The off-screen picture of the live view and the four drawing primitives.
//
// Every primitive takes up-coordinates: x counts columns from the left edge,
// y counts rows upward from the bottom row (y = 0 is the bottom row).  The
// pixels are stored bottom-up, so the pixel of (x, y) is pixels[y * W + x].
// Only text output takes device rows counted from the top (row = H - 1 - y).
// Colours are 0x00BBGGRR values (blue in the high byte, red in the low byte).
// Everything outside the picture is clipped.
#pragma once

#include <cstdint>

#include "common/basics.h"
#include "view/platform.h"

struct Canvas {
    int W = 0;                         // width in pixels, fixed for the run
    int H = 0;                         // height in pixels, fixed for the run
    std::uint32_t* pixels = nullptr;   // W * H pixels, bottom row first
    bool owns_pixels = false;          // allocated here (not a platform bitmap's memory)
    bool dib_order = false;            // pixels hold 0x00RRGGBB, as a Windows bitmap does
    Colour pen = 0;                    // colour of the current pen (black until set_pen)
    std::uint32_t pen_pixel = 0;       // the pen as stored in pixels
    Colour text_colour = 0;            // colour of text output (black by default)
    // The rows drawn in each column of the trace band since it was last
    // cleared; everything else in the band is background, so a clear need only
    // repaint these. Empty while low > high.
    std::int16_t* band_low = nullptr;   // W entries
    std::int16_t* band_high = nullptr;  // W entries
};

extern Canvas canvas;  // created by canvas_create, lives for the whole process

// Fixed lane layout of the live view, in up-coordinates (same in every build).
namespace ViewLayout {
constexpr int WaveLane_base = 515, WaveLane_height = 162;     // top row 677
constexpr int StrengthLane_base = 400, StrengthLane_height = 80;
constexpr int MidLane_base = 320, MidLane_height = 50;
constexpr int LevelLane_base = 220, LevelLane_height = 80;
constexpr int ScreenPanel_top = 192, ScreenPanel_left = 130;  // 192 rows x 256 columns
constexpr int band_bottom = 305, band_top = 680;              // cleared at each screen
constexpr Colour background = 0xE4FFFF;
constexpr Colour level_background = 0xFFE69B;

// Rows of the marks drawn by the decoding parts (see view/marks.h).
constexpr int trace_bottom = StrengthLane_base;             // 400: marker lines run from here ...
constexpr int trace_top = WaveLane_base + WaveLane_height;  // 677: ... to here
constexpr int triangle_row = WaveLane_base - 2;             // 513: apex of the triangles under the wave lane
constexpr int arrow_row = MidLane_base - 2;                 // 318: apex of a pulse's arrowhead
constexpr int pair_tick_row = MidLane_base - 8;             // 312: the upper of a pair tick's two rows
constexpr int level_bar_base = MidLane_base;                // 320: level bars rise from here
constexpr int graph_centre = LevelLane_base + LevelLane_height / 2;  // 260: nominal speed in the period graph
constexpr int gap_label_row = 496;                          // text row, counted from the top, of gap estimates
constexpr int verdict_strip_bottom = 200, verdict_strip_top = 218;  // the verdict and log line of the latest block
constexpr int verdict_row = 201, report_line_row = 219;     // text rows, counted from the top
}  // namespace ViewLayout

// Allocates a W x H picture filled with black and the pen and text colour black.
// Returns false when the memory cannot be had.
bool canvas_create(int W, int H);
// Draws into pixel memory that a platform bitmap owns, stored in 0x00RRGGBB order.
void canvas_attach(std::uint32_t* pixels, int W, int H);
void canvas_destroy();

// A colour as the Canvas stores it.
inline std::uint32_t pixel_of(Colour c) {
    return canvas.dib_order ? ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF) : c;
}

// Draws the start-up picture (corner marks and "Hello World!"), presents it,
// then fills the whole Canvas with the background and presents that.
void canvas_startup(const PlatformHooks& hooks, bool drawing);

// The primitives below draw whenever they are called: a run that does not
// draw (Run::drawing) never calls them, and so never touches the Canvas.
void set_pen(Colour colour);
// Fills columns x_left..x_right and rows y_bottom..y_top, all bounds inclusive.
void fill_rect(int x_left, int y_bottom, int x_right, int y_top, Colour colour);
// Draws with the pen from (x1, y1) to (x2, y2), both end pixels included.
void draw_line(int x1, int y1, int x2, int y2);
// Paints the single pixel (x, y) with the pen.
void draw_dot(int x, int y);

// Paints the trace band (rows band_bottom .. band_top) with the background
// wherever anything was drawn in it since the last time.
void clear_band();

// Text output at device position (x, row counted from the top), in the current
// text colour on an opaque white background, in the platform's default font.
void set_text_colour(Colour colour);
void draw_text(const PlatformHooks& hooks, int x, int row, const char* text);
