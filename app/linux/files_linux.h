// How the command line opens the recording.
#pragma once

#include "app/linux/audio_convert.h"

struct RecordingSource {
    bool convert = false;                         // decode and resample (--convert)
    ChannelChoice channel = ChannelChoice::left;  // which channel, with --convert
    bool standard_input = false;                  // the recording is "-": read standard input once
    bool stream = false;                          // a pipe (standard input or a FIFO): read once, in order
};

extern RecordingSource recording_source;
