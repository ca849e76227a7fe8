// Text of the live view through FreeType, looking like the default font of a
// Windows memory context: a bold proportional face in a 16-row cell, drawn
// on an opaque white background, without anti-aliasing so every pixel is
// exactly the text colour or white.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <vector>

#include "view/canvas.h"
#include "app/linux/text_render.h"
#include "view/platform.h"

#ifndef VELLIQOR_FONT
#define VELLIQOR_FONT "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"
#endif

namespace {

constexpr int cell_height = 16;   // rows of the character cell
constexpr int baseline_row = 13;  // cell rows 0..12 lie above the baseline
constexpr int pixel_size = 13;    // em size; its descenders end in cell row 15
constexpr int first_char = 32, last_char = 126;
constexpr std::uint32_t cell_colour = 0x00FFFFFF;

struct Glyph {
    int advance = 0;                 // pen movement in pixels
    int left = 0;                    // column of the bitmap relative to the pen
    int top = 0;                     // cell row of the bitmap's first row
    int width = 0, rows = 0;
    std::vector<std::uint8_t> ink;   // width * rows, 1 where the glyph is set
    std::vector<int> dots;           // the set pixels as column + row * 256, for fast drawing
};

struct Font {
    bool loaded = false;
    Glyph glyphs[last_char - first_char + 1];
};

struct LibraryDone {
    void operator()(FT_Library library) const { FT_Done_FreeType(library); }
};
struct FaceDone {
    void operator()(FT_Face face) const { FT_Done_Face(face); }
};

Glyph render_glyph(FT_Face face, int code) {
    Glyph glyph;
    if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER | FT_LOAD_TARGET_MONO) != 0)
        return glyph;
    const FT_GlyphSlot slot = face->glyph;
    if (slot->bitmap.pixel_mode != FT_PIXEL_MODE_MONO && slot->bitmap.width != 0) {
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_MONO) != 0) return glyph;
    }
    glyph.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    glyph.left = slot->bitmap_left;
    glyph.top = baseline_row - slot->bitmap_top;
    glyph.width = static_cast<int>(slot->bitmap.width);
    glyph.rows = static_cast<int>(slot->bitmap.rows);
    glyph.ink.assign(static_cast<std::size_t>(glyph.width) * glyph.rows, 0);
    for (int r = 0; r < glyph.rows; ++r) {
        const unsigned char* line = slot->bitmap.buffer + static_cast<std::ptrdiff_t>(r) * slot->bitmap.pitch;
        for (int c = 0; c < glyph.width; ++c)
            glyph.ink[static_cast<std::size_t>(r) * glyph.width + c] = (line[c >> 3] >> (7 - (c & 7))) & 1;
    }
    for (int r = 0; r < glyph.rows; ++r)
        for (int c = 0; c < glyph.width; ++c)
            if (glyph.ink[static_cast<std::size_t>(r) * glyph.width + c] != 0) glyph.dots.push_back(c + r * 256);
    return glyph;
}

// Renders the printable ASCII set once; FreeType is not needed afterwards.
Font load_font() {
    Font font;
    FT_Library raw_library = nullptr;
    FT_Face raw_face = nullptr;
    bool ok = FT_Init_FreeType(&raw_library) == 0;
    std::unique_ptr<FT_LibraryRec_, LibraryDone> library(ok ? raw_library : nullptr);
    ok = ok && FT_New_Face(raw_library, VELLIQOR_FONT, 0, &raw_face) == 0;
    std::unique_ptr<FT_FaceRec_, FaceDone> face(ok ? raw_face : nullptr);
    ok = ok && FT_Set_Pixel_Sizes(raw_face, 0, pixel_size) == 0;
    if (!ok) {
        std::fprintf(stderr, "velliqor: font %s not found; text of the live view is left out\n",
                     VELLIQOR_FONT);
        return font;
    }
    for (int code = first_char; code <= last_char; ++code)
        font.glyphs[code - first_char] = render_glyph(raw_face, code);
    font.loaded = true;
    return font;
}

const Font& the_font() {
    static const Font font = load_font();
    return font;
}

const Glyph& glyph_of(const Font& font, char c) {
    int code = static_cast<unsigned char>(c);
    if (code < first_char || code > last_char) code = '?';
    return font.glyphs[code - first_char];
}

// The part of a text cell that lies inside the picture, in device
// coordinates: columns [x_min, x_end), rows [row_min, row_end).
struct Clip {
    long long x_min, x_end, row_min, row_end;
};

// A picture to write text into: the Canvas, or a strip of the Linux window.
struct Target {
    std::uint32_t* pixels;  // bottom row first
    int W, H;
};

void put(const Target& t, long long x, long long row, std::uint32_t colour, const Clip& clip) {
    if (x < clip.x_min || x >= clip.x_end || row < clip.row_min || row >= clip.row_end) return;
    const long long y = t.H - 1 - row;
    t.pixels[static_cast<std::size_t>(y) * t.W + static_cast<std::size_t>(x)] = colour;
}

}  // namespace

namespace {
int draw_text_into(const Target& t, int x, int row, const char* text, std::uint32_t colour) {
    if (text == nullptr || t.pixels == nullptr) return 0;
    const Font& font = the_font();
    if (!font.loaded) return 0;

    long long width = 0;
    for (const char* p = text; *p != '\0'; ++p) width += glyph_of(font, *p).advance;
    if (width == 0) return 0;

    // Ink stays inside the cell, like the cell stays inside the picture.
    const long long x_end = x + width, row_end = static_cast<long long>(row) + cell_height;
    const Clip clip{std::max<long long>(x, 0), std::min<long long>(x_end, t.W),
                    std::max<long long>(row, 0), std::min<long long>(row_end, t.H)};
    if (clip.x_min >= clip.x_end || clip.row_min >= clip.row_end) return static_cast<int>(width);

    // The cell first, so a glyph reaching into its neighbour is not wiped out.
    for (long long r = clip.row_min; r < clip.row_end; ++r) {
        std::uint32_t* line = t.pixels + static_cast<std::size_t>(t.H - 1 - r) * t.W;
        std::fill(line + clip.x_min, line + clip.x_end, cell_colour);
    }
    long long pen_x = x;
    for (const char* p = text; *p != '\0'; ++p) {
        const Glyph& glyph = glyph_of(font, *p);
        const long long left = pen_x + glyph.left, top = static_cast<long long>(row) + glyph.top;
        if (left >= clip.x_min && left + glyph.width <= clip.x_end && top >= clip.row_min &&
            top + glyph.rows <= clip.row_end) {
            // Wholly inside: no test per pixel. Row r of the glyph is picture row H - 1 - (top + r).
            std::uint32_t* origin = t.pixels + static_cast<std::size_t>(t.H - 1 - top) * t.W + left;
            for (int dot : glyph.dots) origin[(dot & 255) - static_cast<std::ptrdiff_t>(dot >> 8) * t.W] = colour;
        } else {
            for (int dot : glyph.dots) put(t, left + (dot & 255), top + (dot >> 8), colour, clip);
        }
        pen_x += glyph.advance;
    }
    return static_cast<int>(width);
}

}  // namespace

int freetype_text_out(int x, int row, const char* text, std::uint32_t colour) {
    return draw_text_into({canvas.pixels, canvas.W, canvas.H}, x, row, text, colour);
}

int render_text(std::uint32_t* pixels, int W, int H, int x, int row, const char* text, std::uint32_t colour) {
    return draw_text_into({pixels, W, H}, x, row, text, colour);
}

void freetype_text_centred_left(const char* text, std::uint32_t colour) {
    (void)freetype_text_out(0, (canvas.H - cell_height) / 2, text, colour);
}
