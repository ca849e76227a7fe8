// Pictures of completed screens, kept so that a user can look back at a
// damaged stretch of tape: `--frames DIR`.
#pragma once

#include <string>

// Starts keeping frames in `folder` (created when absent): the first completed
// screen of every `every_seconds` seconds of recording.
bool frames_begin(const std::string& folder, int every_seconds, std::string& error);
bool frames_enabled();
// Called with each completed screen: writes it when its turn has come, named
// after the sample position of its left edge so that names sort and never collide.
void frames_on_screen(long long first_sample);  // the left edge of the screen just completed
// False when a frame could not be written (told on standard error once).
bool frames_all_written();
