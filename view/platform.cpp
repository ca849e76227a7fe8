#include "view/platform.h"

#include <cstring>

#include "view/canvas.h"

namespace {
constexpr int cell_rows = 16;        // as the Linux front end's font
constexpr int cell_columns = 7;      // a character
constexpr int first_bit_row = 2;     // rows 2 .. 15: seven bits, two rows each
constexpr Colour paper = 0xFFFFFF;

}  // namespace

int builtin_text_out(int x, int row, const char* text, Colour colour) {
    const int length = static_cast<int>(std::strlen(text));
    const std::uint32_t ink = pixel_of(colour), white = pixel_of(paper);
    for (int r = 0; r < cell_rows; ++r) {
        const int y = canvas.H - 1 - (row + r);  // up-coordinates: rows count from the top here
        if (y < 0 || y >= canvas.H) continue;
        std::uint32_t* line = canvas.pixels + static_cast<std::size_t>(y) * canvas.W;
        const int bit = (r - first_bit_row) / 2;
        for (int k = 0; k < length; ++k) {
            const auto code = static_cast<unsigned char>(text[k]);
            const bool inked = code != ' ' && r >= first_bit_row && ((code >> (6 - bit)) & 1) != 0;
            for (int c = 0; c < cell_columns; ++c) {
                const long long column = static_cast<long long>(x) + k * cell_columns + c;
                if (column >= 0 && column < canvas.W) line[column] = inked && c >= 1 && c <= 4 ? ink : white;
            }
        }
    }
    return length * cell_columns;
}

void builtin_text_centred_left(const char* text, Colour colour) {
    builtin_text_out(0, (canvas.H - cell_rows) / 2, text, colour);
}

int platform_text_out(const PlatformHooks& hooks, int x, int row, const char* text, Colour colour) {
    return hooks.text_out(x, row, text, colour);
}

void platform_text_centred_left(const PlatformHooks& hooks, const char* text, Colour colour) {
    hooks.text_centred_left(text, colour);
}

void platform_present(const PlatformHooks& hooks) {
    if (hooks.present) hooks.present();
}

bool pump_one_message(const PlatformHooks& hooks) { return hooks.pump && hooks.pump(); }
