// One screen of samples at a time, the statistics panel and the rewind.
#include <gtest/gtest.h>

#include <string>

#include "decode/block_buffer.h"
#include "common/basics.h"
#include "support/core_fixture.h"
#include "view/canvas.h"
#include "view/screen_cycle.h"

namespace {
using ScreenCycleTest = CoreTest;

Colour pixel(int x, int y) { return canvas.pixels[y * canvas.W + x]; }

TEST_F(ScreenCycleTest, ScreenKShowsSamples800kOnwardsAndItsPanelNamesTheFirst) {
    std::int32_t position = 0;
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(run.screen->Disp / 4, 800 * k);
        for (int step = 0; step < 800; ++step) view_step(run, ++position);  // each analysis step moves it on by one
    }
    EXPECT_EQ(run.screen->x, 0);
    EXPECT_EQ(run.screen->Disp / 4, 2400);
}

TEST_F(ScreenCycleTest, EndOfScreenClearsOnlyTheTraceBand) {
    fill_rect(0, 0, 799, 679, 0x123456);
    for (int step = 1; step <= 800; ++step) view_step(run, step);
    EXPECT_EQ(pixel(400, 305), ViewLayout::background);
    EXPECT_EQ(pixel(799, 679), ViewLayout::background);
    EXPECT_EQ(pixel(400, 304), 0x123456u);
    EXPECT_EQ(pixel(500, 0), 0x123456u);
}

TEST_F(ScreenCycleTest, RewindBeforeTheScreenStepsWholeScreensBack) {
    run.screen->Disp = 4 * 8000;
    run.screen->x = 100;
    fill_rect(0, 305, 799, 680, 0x111111);
    view_rewind(run, 8000 - 900);
    EXPECT_EQ(run.screen->x, 700);
    EXPECT_EQ(run.screen->Disp, 4 * 6400);
    EXPECT_EQ(pixel(0, 305), ViewLayout::background);  // the whole band is cleared

    fill_rect(0, 305, 799, 680, 0x111111);
    view_rewind(run, 6400 + 300);
    EXPECT_EQ(run.screen->x, 300);
    EXPECT_EQ(run.screen->Disp, 4 * 6400);
    EXPECT_EQ(pixel(299, 305), 0x111111u);  // only from the new column on
    EXPECT_EQ(pixel(300, 305), ViewLayout::background);
}

TEST_F(ScreenCycleTest, LevelLaneResetDrawsTheDottedMidline) {
    run.screen->graph_column = 55;
    level_lane_reset(run);
    EXPECT_EQ(run.screen->graph_column, 0);
    EXPECT_EQ(pixel(0, 260), 0xC86400u);
    EXPECT_EQ(pixel(1, 260), ViewLayout::level_background);
    EXPECT_EQ(pixel(798, 260), 0xC86400u);
    EXPECT_EQ(pixel(5, 220), ViewLayout::level_background);
    EXPECT_EQ(pixel(5, 300), ViewLayout::level_background);
    EXPECT_EQ(pixel(5, 301), 0u);
}

TEST(TimeText, MinutesAndSecondsAt48000SamplesPerSecond) {
    char text[time_text_size];
    time_text(2880000, text);
    EXPECT_STREQ(text, "01:00");
    time_text(67 * 48000 + 47999, text);
    EXPECT_STREQ(text, "01:07");
    time_text(0, text);
    EXPECT_STREQ(text, "00:00");
    time_text(100 * 60 * 48000, text);
    EXPECT_STREQ(text, "100:00");
    time_text(INT32_MAX, text);
    EXPECT_STREQ(text, "745:39");
}
}  // namespace
