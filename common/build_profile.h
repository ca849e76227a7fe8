// The values that differ between the four builds of the program. Each
// executable links exactly one definition of `build_profile`.
#pragma once

struct BuildProfile {
    const char* name;             // short name, used in the executable's name
    const char* window_title;     // e.g. "Velliqor v2.01"
    const char* about_text;       // e.g. "Velliqor 2.01"
    int window_width;             // outer size of the main window, pixels
    int window_height;
    int canvas_width;             // W of the Canvas, pixels
    int canvas_height;            // H of the Canvas, pixels
    int history_length;           // '0' cycles of history back-filled and averaged
    bool accept_unpaired_zeros;   // unpaired short pulses start and continue zero runs
    bool skip_gap_estimate;       // gaps before a '1' push no estimated '0' bits
};

extern const BuildProfile build_profile;
