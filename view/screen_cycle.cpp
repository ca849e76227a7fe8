#include "view/screen_cycle.h"

#include <cstdarg>
#include <cstdio>

#include "common/basics.h"
#include "view/canvas.h"
#include "view/platform.h"

ScreenCycle screen;

namespace {
constexpr Colour midline_colour = 0xC86400;

void panel_line(int rows_from_bottom, const char* format, ...) __attribute__((format(printf, 2, 3)));
void panel_line(int rows_from_bottom, const char* format, ...) {
    char text[64];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    draw_text(0, canvas.H - rows_from_bottom, text);
}
}  // namespace

void write_text_panel(const PanelFigures& f) {
    panel_line(51, "Byte: %d", f.bytes);
    panel_line(181, "Float-Zeros: %d", f.float_zeros);
    panel_line(164, "Max '0' Size: %.2f", static_cast<double>(f.max0_size));
    panel_line(147, "Min '1' Size: %.2f", static_cast<double>(f.min1_size));
    panel_line(130, "Mid '0' Ctr: %d", f.mid0_count);
    panel_line(113, "Mid '1' Ctr: %d", f.mid1_count);
    panel_line(96, "Rest '0' Ctr: %d", f.rest_zeros);
    char time[time_text_size];
    time_text(static_cast<std::int32_t>(screen.Disp / 4), time);
    panel_line(34, "TimeStamp: %s", time);
    panel_line(17, "Disp: %lld", static_cast<long long>(screen.Disp / 4));
}

void view_step(std::int32_t position) {
    if (++screen.x < canvas.W) return;
    if (drawing_enabled) platform_present();
    pump_one_message();
    screen.x = 0;
    screen.Disp = 4 * static_cast<std::int64_t>(position);
    if (!drawing_enabled) return;
    clear_band();
    write_text_panel(screen.panel);
}

void view_rewind(std::int32_t p) {
    screen.x = column_of(p);
    fill_rect(screen.x < 0 ? 0 : screen.x, ViewLayout::band_bottom, canvas.W - 1, ViewLayout::band_top,
              ViewLayout::background);
    while (screen.x < 0) {
        screen.x += canvas.W;
        screen.Disp -= 4 * static_cast<std::int64_t>(canvas.W);
    }
}

void level_lane_reset() {
    fill_rect(0, ViewLayout::LevelLane_base, canvas.W - 1, ViewLayout::LevelLane_base + ViewLayout::LevelLane_height,
              ViewLayout::level_background);
    screen.graph_column = 0;
    set_pen(midline_colour);
    for (int c = 0; c < canvas.W; c += 2) draw_dot(c, 260);
}
