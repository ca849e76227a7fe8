// The seam between the portable live view and the platform that shows it.
// A front end fills in the hooks (through RunSettings, and before
// canvas_startup when it draws before the run); left alone, text comes from
// the project's own deterministic drawer and nothing is shown, so the core
// runs, and its pictures are the same, on any machine.
#pragma once

#include <functional>

#include "common/basics.h"

// The built-in text drawer: a 16-row white cell, 7 columns a character, each
// character drawn as the bits of its code. Not meant to be read: a stand-in
// with which a picture's text differs exactly where the text differs.
int builtin_text_out(int x, int row, const char* text, Colour colour);
void builtin_text_centred_left(const char* text, Colour colour);

struct PlatformHooks {
    // Renders one line of text into the Canvas pixels with its top-left corner
    // at device position (x, row counted from the top): the glyphs in `colour`
    // on an opaque white cell. Returns the width of the cell in pixels.
    std::function<int(int x, int row, const char* text, Colour colour)> text_out = builtin_text_out;
    // Renders `text` left-aligned and vertically centred in the whole Canvas (the start-up "Hello World!").
    std::function<void(const char* text, Colour colour)> text_centred_left = builtin_text_centred_left;
    std::function<void()> present;  // shows the Canvas as it stands (a repaint of the whole window)
    // Handles at most one pending window message, at every end of screen.
    // Returns true when the run is to stop there (the user quits).
    std::function<bool()> pump;
};

// Through the hooks.
int platform_text_out(const PlatformHooks& hooks, int x, int row, const char* text, Colour colour);
void platform_text_centred_left(const PlatformHooks& hooks, const char* text, Colour colour);
void platform_present(const PlatformHooks& hooks);
bool pump_one_message(const PlatformHooks& hooks);
