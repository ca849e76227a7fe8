// The live view in a window of its own on Linux, through SDL2. Window and
// processing share the one thread: events are served at each end of screen,
// where the Windows program takes one message, and the picture is shown at
// most about 60 times a second.
#pragma once

// Opens the window when a display is there. False: run headless.
bool live_window_open(const char* title);
bool live_window_is_open();

// Shows the finished screen, unless one was shown less than 1/60 s ago.
void live_window_present();
// Serves the window's events. Returns false when the user asked to stop
// (closed the window or pressed Escape). F1 shows the About text.
bool live_window_serve_events();

// Keeps the window open on the final picture, with `summary` in a line under
// it, until the user closes it or presses Escape.
void live_window_hold(const char* summary);
void live_window_close();
