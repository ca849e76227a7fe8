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
// Creates the output folder derived from the recording (an existing one is
// reused) and makes it the current directory. The platform may choose another
// folder instead, written back into `folder`. Returns null on success, or the
// text of the error that stops the run.
const char* platform_enter_output_folder(char folder[]);
