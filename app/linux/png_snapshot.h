// Saves the live view as a picture file.
#pragma once

#include <string>

// Writes the Canvas as an 8-bit RGB PNG, top row first. The file appears
// complete or not at all. On failure returns false with `error` naming the path.
bool write_png_snapshot(const char* path, std::string& error);
