// The few file-system services the run driver needs beyond standard streams.
#pragma once

#include <cstddef>
#include <cstdio>

extern const char path_separator;  // '\\' on Windows, '/' elsewhere

// Lets the user choose the recording into `path` (path_size characters). The
// command line has chosen it before the run and leaves it as it is; the
// Windows program shows its open-file dialog, which leaves the recording's
// folder current. A cancelled choice leaves the path empty.
void platform_choose_recording(char* path);

// Opens the chosen recording for reading its bytes in order: the file
// itself ("rb"), or on the command line a stream of converted samples.
std::FILE* platform_open_recording(const char* path);

// Writes the current directory into `path`; false when it does not fit or fails.
bool platform_current_directory(char* path, std::size_t size);
// Creates the folder; an existing folder is fine. Results are not needed by the run.
bool platform_make_directory(const char* path);
bool platform_change_directory(const char* path);
