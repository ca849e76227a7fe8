// The live view's text on Linux: DejaVu Sans Bold through FreeType, in a
// 16-row cell, as the Windows program's default font stands.
#pragma once

#include <cstdint>

// The Canvas' text hooks on Linux (see view/platform.h).
int freetype_text_out(int x, int row, const char* text, std::uint32_t colour);
void freetype_text_centred_left(const char* text, std::uint32_t colour);

// Draws text as freetype_text_out does, into a picture of W x H pixels stored
// bottom row first. Returns the width of the text's cell.
int render_text(std::uint32_t* pixels, int W, int H, int x, int row, const char* text, std::uint32_t colour);
