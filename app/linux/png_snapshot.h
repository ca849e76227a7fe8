// Saves the live view as a picture file.
#pragma once

#include <string>

// Writes the Canvas as an 8-bit RGB PNG, top row first. The file appears
// complete or not at all. On failure returns false with `error` naming the path.
// `compression` is zlib's level (0 .. 9), or -1 for libpng's default.
bool write_png_snapshot(const char* path, std::string& error, int compression = -1);
