// How the command line opens the recording.
#pragma once

#include <cstdio>
#include <string>

#include "app/linux/audio_convert.h"

struct RecordingSource {
    std::string name;                             // the recording as named on the command line
    std::string path;                             // its absolute path (a stand-in for standard input)
    bool convert = false;                         // decode and resample (--convert)
    ChannelChoice channel = ChannelChoice::left;  // which channel, with --convert
    bool standard_input = false;                  // the recording is "-": read standard input once
    bool stream = false;                          // a pipe (standard input or a FIFO): read once, in order
};

// The recording of this thread's run: one a thread, as a merge reads its takes at once.
RecordingSource& recording_source();

// Opens the recording as recording_source() says: the file, standard input, or
// a stream of converted samples. Null with `error` saying why when it cannot.
std::FILE* open_recording(const char* path, std::string& error);

// Opens `name` in the output folder open as `folder` for binary writing:
// append (the log) or replace (a TAP file, never through a symbolic link).
std::FILE* open_in_output_folder(int folder, const char* name, bool append);
