// How the command line opens the recording.
#pragma once

#include "app/linux/audio_convert.h"

struct RecordingSource {
    bool convert = false;                         // decode and resample (--convert)
    ChannelChoice channel = ChannelChoice::left;  // which channel, with --convert
};

extern RecordingSource recording_source;
