// The few file-system services the run driver needs beyond standard streams.
#pragma once

#include <cstddef>

extern const char path_separator;  // '\\' on Windows, '/' elsewhere

// Writes the current directory into `path`; false when it does not fit or fails.
bool platform_current_directory(char* path, std::size_t size);
// Creates the folder; an existing folder is fine. Results are not needed by the run.
bool platform_make_directory(const char* path);
bool platform_change_directory(const char* path);
