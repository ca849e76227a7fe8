#include "view/canvas.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "view/platform.h"

Canvas canvas;

namespace {
constexpr std::int16_t band_clean_low = 0x7FFF, band_clean_high = -1;

// Notes that columns x0 .. x1 of rows y0 .. y1 (clipped, inclusive) were drawn.
inline void touch(int x0, int x1, int y0, int y1) {
    if (y1 < ViewLayout::band_bottom || y0 > ViewLayout::band_top || canvas.band_low == nullptr) return;
    const auto low = static_cast<std::int16_t>(std::max(y0, ViewLayout::band_bottom));
    const auto high = static_cast<std::int16_t>(std::min(y1, ViewLayout::band_top));
    for (int x = x0; x <= x1; ++x) {
        if (low < canvas.band_low[x]) canvas.band_low[x] = low;
        if (high > canvas.band_high[x]) canvas.band_high[x] = high;
    }
}

bool allocate_band(int W) {
    canvas.band_low = static_cast<std::int16_t*>(std::malloc(sizeof(std::int16_t) * W));
    canvas.band_high = static_cast<std::int16_t*>(std::malloc(sizeof(std::int16_t) * W));
    if (canvas.band_low == nullptr || canvas.band_high == nullptr) return false;
    // Nothing is known of a new picture: the first clear covers the whole band.
    std::fill(canvas.band_low, canvas.band_low + W, static_cast<std::int16_t>(ViewLayout::band_bottom));
    std::fill(canvas.band_high, canvas.band_high + W, static_cast<std::int16_t>(ViewLayout::band_top));
    return true;
}
}  // namespace

bool canvas_create(int W, int H) {
    canvas_destroy();
    if (W <= 0 || H <= 0) return false;
    const std::size_t count = static_cast<std::size_t>(W) * static_cast<std::size_t>(H);
    if (count / static_cast<std::size_t>(W) != static_cast<std::size_t>(H)) return false;
    // calloc checks count * size for overflow and zero bits are black.
    auto* pixels = static_cast<std::uint32_t*>(std::calloc(count, sizeof(std::uint32_t)));
    if (pixels == nullptr) return false;
    canvas.W = W;
    canvas.H = H;
    canvas.pixels = pixels;
    canvas.owns_pixels = true;
    if (!allocate_band(W)) {
        canvas_destroy();
        return false;
    }
    return true;
}

void canvas_attach(std::uint32_t* pixels, int W, int H) {
    canvas_destroy();
    canvas.W = W;
    canvas.H = H;
    canvas.pixels = pixels;
    canvas.dib_order = true;
    allocate_band(W);
}

void canvas_destroy() {
    if (canvas.owns_pixels) std::free(canvas.pixels);
    std::free(canvas.band_low);
    std::free(canvas.band_high);
    canvas = Canvas{};
}

void clear_band() {
    if (canvas.band_low == nullptr) return;
    const std::uint32_t background = pixel_of(ViewLayout::background);
    const int top = std::min(ViewLayout::band_top, canvas.H - 1);
    for (int x = 0; x < canvas.W; ++x) {
        const int high = std::min<int>(canvas.band_high[x], top);
        std::uint32_t* p = canvas.pixels + static_cast<std::size_t>(canvas.band_low[x]) * canvas.W + x;
        for (int y = canvas.band_low[x]; y <= high; ++y, p += canvas.W) *p = background;
        canvas.band_low[x] = band_clean_low;
        canvas.band_high[x] = band_clean_high;
    }
}

void canvas_startup(const PlatformHooks& hooks, bool drawing) {
    if (!drawing) return;
    set_pen(0);
    draw_line(0, 0, 1, 1);
    draw_dot(0, canvas.H - 1);
    draw_dot(canvas.W - 1, 0);
    draw_dot(canvas.W - 1, canvas.H - 1);
    platform_text_centred_left(hooks, "Hello World!", 0);
    platform_present(hooks);
    fill_rect(0, 0, canvas.W - 1, canvas.H - 1, ViewLayout::background);
    set_pen(0);
    platform_present(hooks);
}

void set_pen(Colour colour) {
    canvas.pen = colour;
    canvas.pen_pixel = pixel_of(colour);
}

void fill_rect(int x_left, int y_bottom, int x_right, int y_top, Colour colour) {
    if (x_left > x_right || y_bottom > y_top) return;
    const int x0 = std::max(x_left, 0), x1 = std::min(x_right, canvas.W - 1);
    const int y0 = std::max(y_bottom, 0), y1 = std::min(y_top, canvas.H - 1);
    if (x0 > x1 || y0 > y1) return;
    touch(x0, x1, y0, y1);
    for (int y = y0; y <= y1; ++y) {
        std::uint32_t* row = canvas.pixels + static_cast<std::size_t>(y) * canvas.W;
        std::fill(row + x0, row + x1 + 1, pixel_of(colour));
    }
}

void draw_dot(int x, int y) {
    if (x < 0 || y < 0 || x >= canvas.W || y >= canvas.H) return;
    touch(x, x, y, y);
    canvas.pixels[static_cast<std::size_t>(y) * canvas.W + x] = canvas.pen_pixel;
}

namespace {

// Paints a line whose major axis is `a` (the one with the larger extent) and
// whose minor axis is `b`. The minor offset at step i is i * m / n rounded to
// nearest, kept incrementally as quotient and remainder (Bresenham's error
// term); the start is computed exactly so that only the steps inside the
// picture are visited, however far away the end points lie.
void draw_along_major(std::int64_t a1, std::int64_t b1, std::int64_t a2, std::int64_t b2,
                      bool major_is_x) {
    if (a1 > a2) {  // always from the low end, so both orders paint the same pixels
        std::swap(a1, a2);
        std::swap(b1, b2);
    }
    const std::int64_t a_limit = major_is_x ? canvas.W : canvas.H;
    const std::int64_t b_limit = major_is_x ? canvas.H : canvas.W;
    const std::uint64_t n = static_cast<std::uint64_t>(a2 - a1);
    const std::uint64_t m = static_cast<std::uint64_t>(b2 >= b1 ? b2 - b1 : b1 - b2);
    const std::int64_t b_step = b2 >= b1 ? 1 : -1;

    const std::int64_t i_first = std::max<std::int64_t>(0, -a1);
    const std::int64_t i_last = std::min<std::int64_t>(static_cast<std::int64_t>(n), a_limit - 1 - a1);
    if (i_first > i_last) return;

    // n < 2^32 and m <= n, so i * m + n / 2 stays below 2^64.
    const std::uint64_t start = static_cast<std::uint64_t>(i_first) * m + n / 2;
    std::uint64_t q = n == 0 ? 0 : start / n;
    std::uint64_t r = n == 0 ? 0 : start % n;
    for (std::int64_t i = i_first; i <= i_last; ++i) {
        const std::int64_t a = a1 + i;
        const std::int64_t b = b1 + b_step * static_cast<std::int64_t>(q);
        if (b >= 0 && b < b_limit) {
            const std::int64_t x = major_is_x ? a : b, y = major_is_x ? b : a;
            touch(static_cast<int>(x), static_cast<int>(x), static_cast<int>(y), static_cast<int>(y));
            canvas.pixels[static_cast<std::size_t>(y) * canvas.W + static_cast<std::size_t>(x)] =
                canvas.pen_pixel;
        }
        r += m;
        if (r >= n && n != 0) {
            r -= n;
            ++q;
        }
    }
}

}  // namespace

void draw_line(int x1, int y1, int x2, int y2) {
    if (x1 == x2) {  // marker lines: clip the span, then walk one column
        if (x1 < 0 || x1 >= canvas.W) return;
        const int y0 = std::max(std::min(y1, y2), 0), y_end = std::min(std::max(y1, y2), canvas.H - 1);
        if (y0 <= y_end) touch(x1, x1, y0, y_end);
        std::uint32_t* p = canvas.pixels + static_cast<std::size_t>(y0) * canvas.W + x1;
        for (int y = y0; y <= y_end; ++y, p += canvas.W) *p = canvas.pen_pixel;
        return;
    }
    if (y1 == y2) {
        fill_rect(std::min(x1, x2), y1, std::max(x1, x2), y1, canvas.pen);
        return;
    }
    const std::int64_t dx = std::int64_t{x2} - x1, dy = std::int64_t{y2} - y1;
    if ((dx < 0 ? -dx : dx) >= (dy < 0 ? -dy : dy))
        draw_along_major(x1, y1, x2, y2, true);
    else
        draw_along_major(y1, x1, y2, x2, false);
}

void set_text_colour(Colour colour) { canvas.text_colour = colour; }

void draw_text(const PlatformHooks& hooks, int x, int row, const char* text) {
    if (text == nullptr) return;
    const int width = platform_text_out(hooks, x, row, text, canvas.text_colour);
    if (width > 0) {
        // Generous in height: a platform font may have a taller cell than 16 rows.
        const long long top = static_cast<long long>(canvas.H) - 1 - row;  // rows far off the picture do not wrap
        if (top >= 0 && top - 31 < canvas.H) {
            touch(std::max(x, 0), static_cast<int>(std::min<long long>(static_cast<long long>(x) + width - 1, canvas.W - 1)),
                  static_cast<int>(std::max<long long>(top - 31, 0)), static_cast<int>(std::min<long long>(top, canvas.H - 1)));
        }
    }
}
