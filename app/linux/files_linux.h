// How the command line opens the recording.
#pragma once

#include <cstdio>
#include <string>

#include "app/linux/audio_convert.h"

struct RecordingSource {
    std::string name;                             // the recording as named on the command line
    bool convert = false;                         // decode and resample (--convert)
    ChannelChoice channel = ChannelChoice::left;  // which channel, with --convert
    bool standard_input = false;                  // the recording is "-": read standard input once
    bool stream = false;                          // a pipe (standard input or a FIFO): read once, in order
};

extern RecordingSource recording_source;
