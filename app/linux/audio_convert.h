// Recordings in the formats people's recorders write (WAV, FLAC, AIFF, OGG at
// any rate, width and channel count), decoded with libsndfile, resampled to
// 48,000 samples per second with libsoxr and handed to the unchanged core as
// the raw 16-bit samples it reads. The conversion streams: memory stays
// bounded whatever the file's length.
#pragma once

#include <cstdio>
#include <string>

enum class ChannelChoice { left, right, mix };

// Opens the recording as a stream of converted samples. Null on failure, with `error` saying why.
std::FILE* open_converted_recording(const char* path, ChannelChoice channel, std::string& error);

// How many samples at 48 kHz the conversion of the file will give (for progress); 0 when unknown.
long long converted_length(const char* path);

// Samples clipped at the 16-bit limits by the last conversion.
long long converted_samples_clipped();

// When the file starts with a header that says it is not raw 48 kHz 16-bit
// mono (a WAV of another rate, width or channel count; FLAC; OGG), a short
// description of it; otherwise empty.
std::string foreign_format_of(const char* path);
