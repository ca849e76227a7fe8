// The seam between the portable live view and the platform that shows it.
// A front end fills in the hooks (through RunSettings, and before
// canvas_startup when it draws before the run); left alone, text comes from
// the project's own deterministic drawer and nothing is shown, so the core
// runs, and its pictures are the same, on any machine.
#pragma once

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
    int (*text_out)(int x, int row, const char* text, Colour colour) = builtin_text_out;
    // Renders `text` left-aligned and vertically centred in the whole Canvas (the start-up "Hello World!").
    void (*text_centred_left)(const char* text, Colour colour) = builtin_text_centred_left;
    void (*present)() = nullptr;  // shows the Canvas as it stands (a repaint of the whole window)
    // Handles at most one pending window message; on a quit request it ends the
    // run as the platform requires (flushing what was recovered first).
    void (*pump)() = nullptr;
};

extern PlatformHooks platform_hooks;

// Through the hooks.
int platform_text_out(int x, int row, const char* text, Colour colour);
void platform_text_centred_left(const char* text, Colour colour);
void platform_present();
void pump_one_message();
