// The live view's text renderer for pictures other than the Canvas.
#pragma once

#include <cstdint>

// Draws text as platform_text_out does, into a picture of W x H pixels stored
// bottom row first. Returns the width of the text's cell.
int render_text(std::uint32_t* pixels, int W, int H, int x, int row, const char* text, std::uint32_t colour);
