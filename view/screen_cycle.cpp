#include "view/screen_cycle.h"

#include <cstdarg>
#include <cstdio>

#include "common/basics.h"
#include "view/canvas.h"
#include "view/platform.h"

namespace {
constexpr Colour midline_colour = 0xC86400;

void panel_line(const PlatformHooks& hooks, int rows_from_bottom, const char* format, ...) __attribute__((format(printf, 3, 4)));
void panel_line(const PlatformHooks& hooks, int rows_from_bottom, const char* format, ...) {
    char text[64];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    draw_text(hooks, 0, canvas.H - rows_from_bottom, text);
}
}  // namespace

void write_text_panel(Run& run, const PanelFigures& f) {
    ScreenCycle& screen = *run.screen;
    if (!run.drawing) return;
    const PlatformHooks& h = *run.hooks;
    panel_line(h, 51, "Byte: %d", f.bytes);
    panel_line(h, 181, "Float-Zeros: %d", f.float_zeros);
    panel_line(h, 164, "Max '0' Size: %.2f", static_cast<double>(f.max0_size));
    panel_line(h, 147, "Min '1' Size: %.2f", static_cast<double>(f.min1_size));
    panel_line(h, 130, "Mid '0' Ctr: %d", f.mid0_count);
    panel_line(h, 113, "Mid '1' Ctr: %d", f.mid1_count);
    panel_line(h, 96, "Rest '0' Ctr: %d", f.rest_zeros);
    char time[time_text_size];
    time_text(static_cast<std::int32_t>(screen.Disp / 4), time);
    panel_line(h, 34, "TimeStamp: %s", time);
    panel_line(h, 17, "Disp: %lld", static_cast<long long>(screen.Disp / 4));
}

void end_screen(Run& run, std::int32_t position) {
    ScreenCycle& screen = *run.screen;
    if (run.drawing) platform_present(*run.hooks);
    if (pump_one_message(*run.hooks)) throw RunStopped{};
    screen.x = 0;
    screen.Disp = 4 * static_cast<std::int64_t>(position);
    if (!run.drawing) return;
    clear_band();
    write_text_panel(run, screen.panel);
}

void view_rewind(Run& run, std::int32_t p) {
    ScreenCycle& screen = *run.screen;
    screen.x = column_of(run, p);
    if (run.drawing) {
        fill_rect(screen.x < 0 ? 0 : screen.x, ViewLayout::band_bottom, screen.W - 1, ViewLayout::band_top,
                  ViewLayout::background);
    }
    while (screen.x < 0) {
        screen.x += screen.W;
        screen.Disp -= 4 * static_cast<std::int64_t>(screen.W);
    }
}

void level_lane_reset(Run& run) {
    ScreenCycle& screen = *run.screen;
    screen.graph_column = 0;
    if (!run.drawing) return;
    fill_rect(0, ViewLayout::LevelLane_base, screen.W - 1, ViewLayout::LevelLane_base + ViewLayout::LevelLane_height,
              ViewLayout::level_background);
    set_pen(midline_colour);
    for (int c = 0; c < screen.W; c += 2) draw_dot(c, 260);
}
