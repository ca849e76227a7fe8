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

// Creates the output folder of the recording at `chosen_path` (an existing one
// is reused, or the platform chooses another) and writes its path into
// `folder` (path_size characters). `handle` gets the folder as the opening of
// its files is handed it (RunSettings::create_output): on the command line the
// folder open as a directory; the Windows program makes the folder current
// instead and gives -1. Returns null on success, or the text of the error that
// stops the run.
const char* platform_enter_output_folder(const char* chosen_path, char folder[], int& handle);

// Opens `name` in the output folder `folder` (as platform_enter_output_folder
// gave it) for binary writing: append (the log) or replace (a TAP file).
std::FILE* platform_create_output(int folder, const char* name, bool append);
