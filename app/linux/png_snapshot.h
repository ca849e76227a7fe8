// Saves the live view as a picture file.
#pragma once

#include <string>

// Writes the Canvas as an 8-bit RGB PNG, top row first. The file appears
// complete or not at all: it is written under a new temporary name beside it
// and renamed. On failure returns false with `error` naming the path.
// `compression` is zlib's level (0 .. 9), or -1 for libpng's default.
bool write_png_snapshot(const char* path, std::string& error, int compression = -1);

// From now on no picture replaces this file (the recording): writing over it fails instead.
void protect_from_pictures(const std::string& path);
// The same for the file open as `fd` (standard input read from a file).
void protect_from_pictures(int fd);
// True when `path` names the protected file (under any name).
bool is_protected_from_pictures(const char* path);
