// Recordings in the formats people's recorders write (WAV, FLAC, AIFF, OGG at
// any sensible rate, width and channel count), decoded with libsndfile, resampled to
// 48,000 samples per second with libsoxr and handed to the unchanged core as
// the raw 16-bit samples it reads. The conversion streams: memory stays
// bounded whatever the file's length, rate or channel count.
//
// When decoding fails part-way (a damaged FLAC frame, a file shorter than its
// header says), every sample converted before the failure is handed out, then
// the stream reports a read error (ferror) and converted_read_failure() says why.
// A WAV, RF64, AIFF or CAF whose data chunk claims more bytes than the file
// holds is such a file: it is decoded up to the file's end, then fails. (A CAF
// so cut, or one whose data chunk runs "to the end of the file", is read
// through a header mended to the count the file holds: libsndfile refuses both.)
#pragma once

#include <cstdio>
#include <string>

enum class ChannelChoice { left, right, mix };

// Opens the recording as a stream of converted samples. Null on failure, with
// `error` naming the file and saying why (undecodable, a sample rate no
// recording has, no right channel, ...).
std::FILE* open_converted_recording(const char* path, ChannelChoice channel, std::string& error);

// The same from an open descriptor (standard input, a FIFO), read once from
// where it stands. `name` is what messages call it. The descriptor stays open:
// the caller closes it after closing the stream. FLAC, CAF and VOC need a file
// they can seek in, and are refused when the descriptor is a pipe. A pipe's
// header is seen as far as it has come through when the stream opens (up to
// 64 KiB): a data chunk of a stated length that the pipe falls short of is
// reported as a cut, as in a file.
std::FILE* open_converted_stream(int fd, const char* name, ChannelChoice channel, std::string& error);

// How many samples at 48 kHz the conversion of the file will give (for progress); 0 when unknown.
long long converted_length(const char* path);

// Samples clipped at the 16-bit limits by the last conversion.
long long converted_samples_clipped();

// Why the last conversion stopped before the end of its recording; empty when
// it read to the end (or has not ended yet).
std::string converted_read_failure();

// What a recording's first bytes say it is: the magic of WAV (RIFF, and
// big-endian RIFX), RF64, AIFF, FLAC, OGG, AU, CAF, or MPEG audio (an ID3 tag,
// or two MPEG frames one after the other).
enum class AudioShape {
    raw,      // no header an audio format starts with: its bytes are the samples
    plain,    // a WAV of 48 kHz 16-bit mono PCM: read as raw samples, header and all, as it always was
    foreign,  // audio of another shape, which libsndfile decodes: to be converted
    damaged,  // a header of an audio format, but libsndfile cannot decode it
};
struct AudioSniff {
    AudioShape shape = AudioShape::raw;
    std::string format;       // all but raw: "a WAV file", "an MP3 file", "a big-endian WAV file (RIFX)", ...
    std::string description;  // damaged: why it cannot be decoded
    // foreign: what it holds
    std::string width;        // "24-bit", "32-bit float", ...; empty for 16-bit and coded samples (FLAC, MP3, ...)
    int rate = 0, channels = 0;
    // plain: when its data chunk claims more bytes than the file holds, where
    // the file ends and by how much it falls short; empty when it is whole.
    std::string cut;
};
AudioSniff sniff_audio(const char* path);
// Why a foreign recording is converted, in the words of its note: what is
// not 48 kHz 16-bit mono, e.g. "8-bit, 44,100 Hz, 2 channels (taking the
// left)"; empty when only its format is (a FLAC file of that shape).
std::string conversion_reasons(const AudioSniff& sniff, ChannelChoice channel);
