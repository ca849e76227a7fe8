// The drawing primitives, the start-up picture and the text of the live view.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "app/linux/text_render.h"
#include "common/run.h"
#include "view/canvas.h"
#include "view/marks.h"
#include "view/screen_cycle.h"
#include "view/platform.h"

namespace {

constexpr int W = 790, H = 540;
constexpr Colour red = 0x000000FF, white = 0x00FFFFFF, grey = 0x00808080;

struct Point {
    int x, y;
    bool operator==(const Point& other) const { return x == other.x && y == other.y; }
};

class CanvasTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(canvas_create(W, H)); }
    void TearDown() override { canvas_destroy(); }
    PlatformHooks hooks;  // text through the core's own drawer unless a test says otherwise
    static Colour at(int x, int y) { return canvas.pixels[static_cast<std::size_t>(y) * W + x]; }
    static std::vector<Colour> snapshot() { return {canvas.pixels, canvas.pixels + W * H}; }
    // Every pixel that differs from `colour`, bottom row first.
    static std::vector<Point> pixels_not(Colour colour) {
        std::vector<Point> found;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x)
                if (at(x, y) != colour) found.push_back({x, y});
        return found;
    }
};

using CanvasCreate = CanvasTest;

TEST_F(CanvasCreate, StartsBlackWithBlackPenAndText) {
    EXPECT_EQ(canvas.W, W);
    EXPECT_EQ(canvas.H, H);
    EXPECT_TRUE(pixels_not(0).empty());
    EXPECT_EQ(canvas.pen, 0u);
    EXPECT_EQ(canvas.text_colour, 0u);
}

TEST_F(CanvasCreate, RecreatingGivesAFreshBlackPicture) {
    set_pen(red);
    fill_rect(0, 0, W - 1, H - 1, red);
    ASSERT_TRUE(canvas_create(W, H));
    EXPECT_TRUE(pixels_not(0).empty());
    EXPECT_EQ(canvas.pen, 0u);
}

TEST_F(CanvasCreate, RefusesSizesThatCannotBeHad) {
    EXPECT_FALSE(canvas_create(0, H));
    EXPECT_FALSE(canvas_create(W, -1));
    EXPECT_FALSE(canvas_create(INT_MAX, INT_MAX));
    EXPECT_EQ(canvas.pixels, nullptr);
    // Drawing on the missing picture is harmless.
    fill_rect(0, 0, 10, 10, red);
    draw_line(0, 0, 10, 7);
    draw_dot(0, 0);
    draw_text(hooks, 0, 0, "x");
}

using FillRect = CanvasTest;

TEST_F(FillRect, EqualRowsFillOneRow) {
    fill_rect(10, 20, 14, 20, red);
    const std::vector<Point> painted = pixels_not(0);
    ASSERT_EQ(painted.size(), 5u);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(painted[i], (Point{10 + i, 20}));
}

TEST_F(FillRect, EqualColumnsFillOneColumn) {
    fill_rect(7, 3, 7, 9, red);
    const std::vector<Point> painted = pixels_not(0);
    ASSERT_EQ(painted.size(), 7u);
    for (int i = 0; i < 7; ++i) EXPECT_EQ(painted[i], (Point{7, 3 + i}));
}

TEST_F(FillRect, ReversedBoundsFillNothing) {
    fill_rect(20, 0, 19, H - 1, red);
    fill_rect(0, 11, W - 1, 10, red);
    EXPECT_TRUE(pixels_not(0).empty());
}

TEST_F(FillRect, BandReachingAboveThePictureIsClipped) {
    fill_rect(0, ViewLayout::band_bottom, W - 1, ViewLayout::band_top, red);
    for (int y = 0; y < H; ++y) {
        const Colour expected = y >= ViewLayout::band_bottom ? red : 0;
        EXPECT_EQ(at(0, y), expected) << "row " << y;
        EXPECT_EQ(at(W - 1, y), expected) << "row " << y;
    }
    EXPECT_EQ(pixels_not(red).size(), static_cast<std::size_t>(W) * ViewLayout::band_bottom);
}

TEST_F(FillRect, LeftAndBottomOverhangIsClipped) {
    fill_rect(-5, -5, 2, 1, red);
    EXPECT_EQ(pixels_not(0).size(), 3u * 2u);
    EXPECT_EQ(at(2, 1), red);
    EXPECT_EQ(at(3, 1), 0u);
    EXPECT_EQ(at(2, 2), 0u);
}

TEST_F(FillRect, RectanglesWhollyOutsidePaintNothing) {
    fill_rect(W, 0, W + 100, H - 1, red);     // would wrap onto column 0 if unclipped
    fill_rect(-100, 0, -1, H - 1, red);
    fill_rect(0, H, W - 1, H + 140, red);
    fill_rect(INT_MIN, INT_MIN, -1, INT_MAX, red);
    EXPECT_TRUE(pixels_not(0).empty());
}

using DrawLine = CanvasTest;

TEST_F(DrawLine, ZeroLengthLinePaintsOnePixel) {
    set_pen(red);
    draw_line(40, 30, 40, 30);
    EXPECT_EQ(pixels_not(0), (std::vector<Point>{{40, 30}}));
}

TEST_F(DrawLine, VerticalLineIncludesBothEndsInEitherOrder) {
    set_pen(red);
    draw_line(100, 3, 100, 279);
    std::vector<Point> painted = pixels_not(0);
    ASSERT_EQ(painted.size(), 277u);
    EXPECT_EQ(painted.front(), (Point{100, 3}));
    EXPECT_EQ(painted.back(), (Point{100, 279}));
    const std::vector<Colour> upward = snapshot();
    ASSERT_TRUE(canvas_create(W, H));
    set_pen(red);
    draw_line(100, 279, 100, 3);
    EXPECT_EQ(snapshot(), upward);
}

TEST_F(DrawLine, HorizontalLineIncludesBothEnds) {
    set_pen(red);
    draw_line(12, 50, 5, 50);
    const std::vector<Point> painted = pixels_not(0);
    ASSERT_EQ(painted.size(), 8u);
    EXPECT_EQ(painted.front(), (Point{5, 50}));
    EXPECT_EQ(painted.back(), (Point{12, 50}));
}

TEST_F(DrawLine, CornerMarkPaintsBothDiagonalPixels) {
    set_pen(red);
    draw_line(0, 0, 1, 1);
    EXPECT_EQ(pixels_not(0), (std::vector<Point>{{0, 0}, {1, 1}}));
}

// A general line has one pixel per step of its major axis, each within half a
// pixel of the true line, and is the same whichever end it starts from.
TEST_F(DrawLine, GeneralLinesFollowTheTrueLineInEveryOctant) {
    const std::pair<Point, Point> lines[] = {
        {{10, 10}, {60, 27}}, {{10, 10}, {27, 60}}, {{60, 10}, {10, 27}}, {{10, 60}, {27, 10}},
        {{5, 5}, {9, 7}},     {{0, 0}, {2, 1}},     {{3, 9}, {4, 100}},   {{0, 0}, {7, 7}}};
    set_pen(red);
    for (const auto& [a, b] : lines) {
        ASSERT_TRUE(canvas_create(W, H));
        set_pen(red);
        draw_line(a.x, a.y, b.x, b.y);
        const std::vector<Colour> forward = snapshot();
        const std::vector<Point> painted = pixels_not(0);
        const bool x_major = std::abs(b.x - a.x) >= std::abs(b.y - a.y);
        const int steps = x_major ? std::abs(b.x - a.x) : std::abs(b.y - a.y);
        EXPECT_EQ(painted.size(), static_cast<std::size_t>(steps) + 1) << a.x << "," << a.y;
        EXPECT_EQ(at(a.x, a.y), red);
        EXPECT_EQ(at(b.x, b.y), red);
        for (const Point& p : painted) {
            const double major = x_major ? p.x - a.x : p.y - a.y;
            const double ideal_minor = (x_major ? a.y : a.x) +
                                       major * (x_major ? double(b.y - a.y) / (b.x - a.x)
                                                        : double(b.x - a.x) / (b.y - a.y));
            EXPECT_LE(std::fabs((x_major ? p.y : p.x) - ideal_minor), 0.5) << p.x << "," << p.y;
        }
        ASSERT_TRUE(canvas_create(W, H));
        set_pen(red);
        draw_line(b.x, b.y, a.x, a.y);
        EXPECT_EQ(snapshot(), forward) << "reversed " << a.x << "," << a.y;
    }
}

TEST_F(DrawLine, LinesJustOutsideTheSidesPaintNothing) {
    set_pen(red);
    draw_line(W, 0, W, H - 1);   // unclipped, these would wrap onto neighbouring rows
    draw_line(-1, 0, -1, H - 1);
    draw_line(-30, H, W + 30, H);
    draw_line(-30, -1, W + 30, -1);
    draw_line(W, 5, W + 20, 40);
    draw_line(-20, 5, -1, 40);
    EXPECT_TRUE(pixels_not(0).empty());
}

TEST_F(DrawLine, LongVerticalLineIsClippedToThePicture) {
    set_pen(red);
    draw_line(300, -1000, 300, ViewLayout::band_top);
    EXPECT_EQ(pixels_not(0).size(), static_cast<std::size_t>(H));
    for (int y = 0; y < H; ++y) EXPECT_EQ(at(300, y), red);
}

TEST_F(DrawLine, SlantedLineCrossingThePictureKeepsOnePixelPerColumn) {
    set_pen(red);
    draw_line(-50, 10, W + 50, 40);
    for (int x = 0; x < W; ++x) {
        int count = 0;
        for (int y = 0; y < H; ++y) count += at(x, y) == red;
        EXPECT_EQ(count, 1) << "column " << x;
    }
}

TEST_F(DrawLine, AbsurdEndPointsDrawOnlyTheVisibleDiagonal) {
    set_pen(red);
    draw_line(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    const std::vector<Point> painted = pixels_not(0);
    ASSERT_EQ(painted.size(), static_cast<std::size_t>(H));
    for (const Point& p : painted) EXPECT_EQ(p.x, p.y);
    draw_line(INT_MAX, INT_MIN, INT_MIN, INT_MAX - 7);
    draw_line(INT_MIN, 3, INT_MAX, 9);
    draw_line(3, INT_MAX, 9, INT_MIN);
}

using DrawDot = CanvasTest;

TEST_F(DrawDot, CornersAreTheFirstAndLastPixels) {
    set_pen(red);
    draw_dot(0, 0);
    EXPECT_EQ(canvas.pixels[0], red);
    draw_dot(W - 1, H - 1);
    EXPECT_EQ(canvas.pixels[W * H - 1], red);
    EXPECT_EQ(pixels_not(0).size(), 2u);
}

TEST_F(DrawDot, DotsOutsideThePicturePaintNothing) {
    set_pen(red);
    draw_dot(W, 0);
    draw_dot(-1, 1);
    draw_dot(0, H);
    draw_dot(0, -1);
    EXPECT_TRUE(pixels_not(0).empty());
}

using DrawingDisabled = CanvasTest;

TEST_F(DrawingDisabled, ARunThatDoesNotDrawNeverTouchesThePicture) {
    fill_rect(0, 0, W - 1, H - 1, grey);
    const std::vector<Colour> before = snapshot();
    ::Run run;  // does not draw
    run.screen->W = W;
    draw_marker_line(run, 5, red);
    draw_gap_label(run, 60, 1.5, true);
    draw_screen_bit(run, 9, 1);
    draw_verdict(run, false, "a line");
    view_rewind(run, -3);
    level_lane_reset(run);
    write_text_panel(run, PanelFigures{});
    canvas_startup(hooks, false);
    EXPECT_EQ(snapshot(), before);
}

using Startup = CanvasTest;

std::vector<std::vector<Colour>> presented;
void record_present() { presented.emplace_back(canvas.pixels, canvas.pixels + canvas.W * canvas.H); }

TEST_F(Startup, ShowsCornerMarksAndGreetingThenClearsToBackground) {
    fill_rect(0, 0, W - 1, H - 1, grey);  // so the black marks can be seen
    set_pen(red);
    presented.clear();
    hooks.present = record_present;
    canvas_startup(hooks, true);
    ASSERT_EQ(presented.size(), 2u);

    const std::vector<Colour>& first = presented[0];
    auto first_at = [&](int x, int y) { return first[static_cast<std::size_t>(y) * W + x]; };
    for (const Point& p : {Point{0, 0}, Point{1, 1}, Point{0, H - 1}, Point{W - 1, 0}, Point{W - 1, H - 1}})
        EXPECT_EQ(first_at(p.x, p.y), 0u) << p.x << "," << p.y;
    EXPECT_EQ(first_at(1, 0), grey);
    EXPECT_EQ(first_at(0, 1), grey);
    // The greeting's cell is centred vertically at the left edge.
    const int cell_top_y = H - 1 - (H - 16) / 2;
    EXPECT_EQ(first_at(0, cell_top_y), white);
    EXPECT_EQ(first_at(0, cell_top_y + 1), grey);
    EXPECT_EQ(first_at(0, cell_top_y - 15), white);
    EXPECT_EQ(first_at(0, cell_top_y - 16), grey);

    EXPECT_EQ(presented[1], snapshot());
    EXPECT_TRUE(pixels_not(ViewLayout::background).empty());
    EXPECT_EQ(canvas.pen, 0u);
}

// Text as the command line draws it: through FreeType.
class DrawText : public CanvasTest {
protected:
    void SetUp() override {
        CanvasTest::SetUp();
        hooks.text_out = freetype_text_out;
        hooks.text_centred_left = freetype_text_centred_left;
    }
};

// Columns [x_begin, x_end) and up-rows [y_bottom, y_top] that differ from `colour`.
struct Box {
    int x_begin, x_end, y_bottom, y_top;
};
Box changed_box(Colour colour) {
    Box box{W, -1, H, -1};
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            if (canvas.pixels[static_cast<std::size_t>(y) * W + x] != colour) {
                box.x_begin = std::min(box.x_begin, x);
                box.x_end = std::max(box.x_end, x + 1);
                box.y_bottom = std::min(box.y_bottom, y);
                box.y_top = std::max(box.y_top, y);
            }
    return box;
}

TEST_F(DrawText, PaintsAWhiteCellOfSixteenRowsWithGlyphsInTheTextColour) {
    fill_rect(0, 0, W - 1, H - 1, grey);
    set_text_colour(red);
    const int x = 40, row = 100;
    draw_text(hooks, x, row, "Hello World! gjpq_|");
    const Box box = changed_box(grey);
    EXPECT_EQ(box.x_begin, x);
    EXPECT_EQ(box.y_top, H - 1 - row);
    EXPECT_EQ(box.y_bottom, H - 1 - row - 15);
    EXPECT_GT(box.x_end - x, 60);
    int ink = 0, paper = 0;
    for (int y = box.y_bottom; y <= box.y_top; ++y)
        for (int col = box.x_begin; col < box.x_end; ++col) {
            const Colour c = at(col, y);
            ASSERT_TRUE(c == white || c == red) << col << "," << y;
            (c == red ? ink : paper)++;
        }
    EXPECT_GT(ink, 100);
    EXPECT_GT(paper, ink);
    // The cell is opaque: its top and bottom rows of the full width are paper.
    for (int col = box.x_begin; col < box.x_end; ++col) EXPECT_EQ(at(col, box.y_top), white);
}

TEST_F(DrawText, UsesTheColourGivenToThePlatformNotThePen) {
    set_pen(grey);
    set_text_colour(grey);
    platform_text_out(hooks, 0, 0, "A", red);
    const std::vector<Point> dark = pixels_not(0);
    bool has_ink = false;
    for (const Point& p : dark) {
        ASSERT_TRUE(at(p.x, p.y) == white || at(p.x, p.y) == red);
        has_ink = has_ink || at(p.x, p.y) == red;
    }
    EXPECT_TRUE(has_ink);
}

TEST_F(DrawText, BytesOutsidePrintableAsciiDrawAsQuestionMarks) {
    draw_text(hooks, 0, 0, "?a?");
    const std::vector<Colour> expected = snapshot();
    ASSERT_TRUE(canvas_create(W, H));
    draw_text(hooks, 0, 0, "\x80" "a\x1f");
    EXPECT_EQ(snapshot(), expected);
}

TEST_F(DrawText, ProportionalWidths) {
    draw_text(hooks, 0, 0, "iiii");
    const int narrow = changed_box(0).x_end;
    ASSERT_TRUE(canvas_create(W, H));
    draw_text(hooks, 0, 0, "WWWW");
    EXPECT_GT(changed_box(0).x_end, narrow + 8);
}

TEST_F(DrawText, CellsReachingOverTheEdgesAreClipped) {
    set_text_colour(red);  // ink must stand out from the black picture
    draw_text(hooks, 0, 0, "Clip me");
    const std::vector<Colour> whole = snapshot();
    const Box full = changed_box(0);
    ASSERT_TRUE(canvas_create(W, H));
    set_text_colour(red);
    draw_text(hooks, -5, H - 8, "Clip me");  // five columns off the left, half below the bottom
    const Box cut = changed_box(0);
    EXPECT_EQ(cut.x_begin, 0);
    EXPECT_EQ(cut.x_end, full.x_end - 5);
    EXPECT_EQ(cut.y_bottom, 0);
    EXPECT_EQ(cut.y_top, 7);
    for (int y = 0; y <= 7; ++y)
        for (int x = 0; x < cut.x_end; ++x)
            EXPECT_EQ(at(x, y), whole[static_cast<std::size_t>(y + H - 8) * W + x + 5]) << x << "," << y;

    draw_text(hooks, W - 3, -10, "Far");
    draw_text(hooks, W, 0, "Gone");
    draw_text(hooks, INT_MIN, INT_MAX, "Gone");
    draw_text(hooks, INT_MAX, INT_MIN, "Gone");
    EXPECT_EQ(changed_box(0).x_end, W);  // only the three columns of "Far" were added at the right
    EXPECT_EQ(at(W - 4, H - 1), 0u);
}

TEST_F(DrawText, EmptyTextPaintsNothing) {
    draw_text(hooks, 10, 10, "");
    EXPECT_TRUE(pixels_not(0).empty());
}

// Text drawn without a front end: the core's own drawer, the same on every machine.
TEST_F(CanvasTest, TheBuiltInTextDrawerPaintsSevenColumnsACharacterInAWhiteCell) {
    fill_rect(0, 0, W - 1, H - 1, grey);
    set_text_colour(red);
    draw_text(hooks, 10, 20, "A0 ");
    const Box box = changed_box(grey);
    EXPECT_EQ(box.x_begin, 10);
    EXPECT_EQ(box.x_end, 10 + 3 * 7);
    EXPECT_EQ(box.y_top, H - 1 - 20);
    EXPECT_EQ(box.y_bottom, H - 1 - 20 - 15);
    // 'A' is 1000001 and '0' 0110000: their top bits differ, and the space has no ink.
    const auto ink_at = [&](int cell, int bit) { return at(10 + 7 * cell + 2, H - 1 - 20 - 2 - 2 * bit) == red; };
    EXPECT_TRUE(ink_at(0, 0));
    EXPECT_FALSE(ink_at(1, 0));
    EXPECT_TRUE(ink_at(1, 1));
    EXPECT_TRUE(ink_at(0, 6));
    for (int bit = 0; bit < 7; ++bit) EXPECT_FALSE(ink_at(2, bit));
}
}  // namespace
