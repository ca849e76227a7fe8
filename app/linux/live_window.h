// The live view in a window of its own on Linux, through SDL2. Window and
// processing share the one thread: events are served at each end of screen,
// where the Windows program takes one message, and the picture is shown at
// most about 60 times a second. Every wait here looks at stop_requested()
// at least every 50 ms, so Ctrl+C or SIGTERM always ends it.
#pragma once

#include <chrono>

// Opens the window when a display is there. False: run headless. A display
// named but not reachable is said in one line on standard error.
bool live_window_open(const char* title);
bool live_window_is_open();

// Shows the finished screen, unless one was shown less than 1/60 s ago.
void live_window_present();
// Serves the window's events. Returns false when the user asked to stop
// (closed the window or pressed Escape) or a stop signal came. F1 shows the
// About panel and waits until it is closed, as a modal box would.
bool live_window_serve_events();
// Waits until `due`, serving the window's events meanwhile (headless: just
// waits). Returns false as soon as the user or a signal asked to stop.
bool live_window_wait_until(std::chrono::steady_clock::time_point due);

// Keeps the window open on the final picture, with `summary` in a line under
// it, until the user closes it, presses Escape or a stop signal comes.
void live_window_hold(const char* summary);
void live_window_close();
