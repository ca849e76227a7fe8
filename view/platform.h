// The seam between the portable live view and the platform that shows it.
// The Linux front end and the Windows shell each provide these.
#pragma once

#include <cstdint>

// Renders one line of text into the Canvas pixels with its top-left corner at
// device position (x, row counted from the top): the glyphs in `colour`
// on an opaque white cell, as a Windows memory context does with its default font.
// Returns the width of the cell in pixels.
int platform_text_out(int x, int row, const char* text, std::uint32_t colour);

// Renders `text` left-aligned and vertically centred in the whole Canvas
// (the start-up "Hello World!").
void platform_text_centred_left(const char* text, std::uint32_t colour);

// Shows the Canvas as it stands (a repaint of the whole window).
void platform_present();

// Handles at most one pending window message. On a quit request it ends the
// run as the platform requires (flushing what was recovered first).
void pump_one_message();
