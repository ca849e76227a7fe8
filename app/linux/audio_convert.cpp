#include "app/linux/audio_convert.h"

#include <fcntl.h>
#include <sndfile.h>
#include <soxr.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {
constexpr int target_rate = 48000;
// No recorder samples slower or faster. A header outside says it is damaged,
// and believing it would make the resampler's output (and time) enormous.
constexpr int lowest_rate = 4000;
constexpr int highest_rate = 1536000;
// Samples of all channels decoded at a time, and converted samples made per
// resampler call: memory stays the same whatever the channel count and rate.
constexpr std::size_t samples_per_read = 16384;
constexpr std::size_t resampled_room = 16384;

struct Conversion {
    SNDFILE* file = nullptr;
    SF_INFO info{};
    std::string name;                    // for messages
    ChannelChoice channel = ChannelChoice::left;
    soxr_t resampler = nullptr;          // none when the file is at 48 kHz already
    sf_count_t frames_per_read = 0;
    sf_count_t frames_read = 0;
    bool exact_length = false;           // the header's frame count is exact: falling short of it is a failure
    std::vector<double> frames;          // one read as decoded, all channels, full scale 1.0
    std::vector<float> mono;             // the chosen channel of a read, for the resampler
    std::vector<float> resampled;
    std::vector<std::uint8_t> pending;   // converted bytes not yet handed out
    std::size_t pending_at = 0;
    bool input_done = false;
    bool finished = false;
    bool failed = false;                 // the recording was not read to its end
};

long long clipped = 0;
std::string read_failure;

// `value` in 16-bit units: rounded, and clipped at the limits.
void emit(Conversion& c, double value) {
    long sample = 0;
    if (value >= 32767.5) {
        ++clipped;
        sample = 32767;
    } else if (value <= -32768.5) {
        ++clipped;
        sample = -32768;
    } else {
        sample = std::lround(value);
    }
    c.pending.push_back(static_cast<std::uint8_t>(sample & 0xFF));
    c.pending.push_back(static_cast<std::uint8_t>((sample >> 8) & 0xFF));
}

// The chosen channel of frame f. What is not a number is silence; far past
// full scale everything clips anyway, and bounded it fits a float.
double pick(const Conversion& c, sf_count_t f) {
    const int n = c.info.channels;
    const double* frame = c.frames.data() + f * n;
    double value = frame[0];
    if (c.channel == ChannelChoice::right && n > 1) {
        value = frame[1];
    } else if (c.channel == ChannelChoice::mix) {
        double sum = 0.0;
        for (int k = 0; k < n; ++k) sum += frame[k];
        value = sum / n;
    }
    return std::isfinite(value) ? std::clamp(value, -64.0, 64.0) : 0.0;
}

void fail(Conversion& c, const std::string& why) {
    c.failed = true;
    read_failure = c.name + ": " + why;
}

std::string seconds(sf_count_t frames, int rate) {
    char text[48];
    std::snprintf(text, sizeof text, "%.1f s", static_cast<double>(frames) / rate);
    return text;
}

// Decodes the next frames. A short read is the end of the input; whether it
// is the recording's end or a failure must be decided at once, because
// libsndfile clears its error on the next call.
sf_count_t read_frames(Conversion& c) {
    sf_count_t n = sf_readf_double(c.file, c.frames.data(), c.frames_per_read);
    if (n < 0) n = 0;
    c.frames_read += n;
    if (n == c.frames_per_read) return n;
    c.input_done = true;
    const int rate = c.info.samplerate;
    if (sf_error(c.file) != SF_ERR_NO_ERROR) {
        fail(c, "decoding stopped " + seconds(c.frames_read, rate) + " in: " + sf_strerror(c.file));
    } else if (c.frames_read == 0 && c.info.frames > 0) {
        fail(c, "no sample could be decoded, although the header announces some");
    } else if (c.exact_length && c.frames_read < c.info.frames) {
        fail(c, "the data ends at " + seconds(c.frames_read, rate) + ", before the " +
                    seconds(c.info.frames, rate) + " its header announces");
    }
    return n;
}

void resample(Conversion& c, std::size_t n) {
    const float* input = c.mono.data();
    std::size_t left = n;
    for (;;) {
        // Null input tells the resampler that the input has ended: it gives out what it still holds.
        const bool flush = c.input_done && left == 0;
        std::size_t used = 0, made = 0;
        const soxr_error_t failure = soxr_process(c.resampler, flush ? nullptr : input, left, &used,
                                                  c.resampled.data(), c.resampled.size(), &made);
        if (failure != nullptr) {
            fail(c, std::string("resampling failed: ") + failure);
            c.finished = true;
            return;
        }
        for (std::size_t k = 0; k < made; ++k) emit(c, c.resampled[k] * 32768.0);
        input += used;
        left -= used;
        if (flush && made == 0) {
            c.finished = true;
            return;
        }
        if (made == c.resampled.size() || flush) continue;  // more may be waiting
        if (left == 0 && !c.input_done) return;
        if (left > 0 && used == 0 && made == 0) {
            fail(c, "the resampler took no more input");
            c.finished = true;
            return;
        }
    }
}

void convert_next(Conversion& c) {
    const sf_count_t n = c.input_done ? 0 : read_frames(c);
    if (c.resampler == nullptr) {
        // At 48 kHz nothing is resampled, and 16-bit samples come through exactly.
        for (sf_count_t f = 0; f < n; ++f) emit(c, pick(c, f) * 32768.0);
        if (c.input_done) c.finished = true;
        return;
    }
    for (sf_count_t f = 0; f < n; ++f) c.mono[static_cast<std::size_t>(f)] = static_cast<float>(pick(c, f));
    resample(c, static_cast<std::size_t>(n));
}

ssize_t read_converted(void* cookie, char* buffer, std::size_t size) {
    auto& c = *static_cast<Conversion*>(cookie);
    std::size_t given = 0;
    while (given < size) {
        if (c.pending_at == c.pending.size()) {
            if (c.finished) break;
            c.pending.clear();
            c.pending_at = 0;
            convert_next(c);
            continue;
        }
        const std::size_t n = std::min(size - given, c.pending.size() - c.pending_at);
        std::memcpy(buffer + given, c.pending.data() + c.pending_at, n);
        c.pending_at += n;
        given += n;
    }
    // What was converted before a failure goes out first; the failure shows on the next call.
    if (given == 0 && c.failed) {
        errno = EIO;
        return -1;
    }
    return static_cast<ssize_t>(given);
}

void delete_conversion(Conversion* c) {
    if (c->resampler != nullptr) soxr_delete(c->resampler);
    if (c->file != nullptr) sf_close(c->file);
    delete c;
}

int close_converted(void* cookie) {
    delete_conversion(static_cast<Conversion*>(cookie));
    return 0;
}

// Takes the opened file over, and closes it when the conversion cannot start.
std::FILE* start_conversion(SNDFILE* file, const SF_INFO& info, const std::string& name, ChannelChoice channel,
                            std::string& error) {
    auto* c = new Conversion;
    c->file = file;
    c->info = info;
    c->name = name;
    c->channel = channel;
    const int rate = info.samplerate;
    if (rate < lowest_rate || rate > highest_rate) {
        error = "cannot convert " + name + ": its header gives a sample rate of " + std::to_string(rate) +
                " Hz, which no recording has (4,000 to 1,536,000 Hz); the header must be damaged";
        delete_conversion(c);
        return nullptr;
    }
    if (info.channels < 1) {
        error = "cannot convert " + name + ": its header gives no channel";
        delete_conversion(c);
        return nullptr;
    }
    if (channel == ChannelChoice::right && info.channels < 2) {
        error = name + " has one channel: there is no right channel";
        delete_conversion(c);
        return nullptr;
    }
    // A FLAC header's count is exact, or SF_COUNT_MAX when the encoder did not know it.
    c->exact_length = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC && info.frames < SF_COUNT_MAX;
    c->frames_per_read = std::max<sf_count_t>(1, static_cast<sf_count_t>(samples_per_read) / info.channels);
    if (rate != target_rate) {
        soxr_error_t failure = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        c->resampler = soxr_create(rate, target_rate, 1, &failure, &io, &quality, nullptr);
        if (c->resampler == nullptr) {
            error = "cannot resample " + name + ": " + (failure != nullptr ? failure : "unknown error");
            delete_conversion(c);
            return nullptr;
        }
        // A read makes about half the room of output, so one resampler call mostly takes it all.
        const sf_count_t fitting = static_cast<sf_count_t>(resampled_room / 2) * rate / target_rate;
        c->frames_per_read = std::min(c->frames_per_read, std::max<sf_count_t>(1, fitting));
        c->mono.resize(static_cast<std::size_t>(c->frames_per_read));
        c->resampled.resize(resampled_room);
    }
    c->frames.resize(static_cast<std::size_t>(c->frames_per_read) * static_cast<std::size_t>(info.channels));
    clipped = 0;
    read_failure.clear();
    const cookie_io_functions_t functions{read_converted, nullptr, nullptr, close_converted};
    std::FILE* stream = fopencookie(c, "rb", functions);
    if (stream == nullptr) {
        error = "cannot open a stream for the conversion of " + name;
        delete_conversion(c);
    }
    return stream;
}

// Up to `count` bytes from the head of a pipe, left there for libsndfile to
// read. Returns how many were seen: 0 at the end of the input, -1 when the
// descriptor cannot be looked into.
ssize_t peek_pipe(int fd, std::size_t count, std::string& head) {
    int scratch[2];
    if (pipe(scratch) != 0) return -1;
    ssize_t n = tee(fd, scratch[1], count, 0);
    if (n > 0) {
        head.resize(static_cast<std::size_t>(n));
        if (read(scratch[0], &head[0], head.size()) != n) n = -1;
    }
    close(scratch[0]);
    close(scratch[1]);
    return n;
}
}  // namespace

std::FILE* open_converted_recording(const char* path, ChannelChoice channel, std::string& error) {
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr) {
        error = std::string("cannot decode ") + path + ": " + sf_strerror(nullptr);
        return nullptr;
    }
    return start_conversion(file, info, path, channel, error);
}

std::FILE* open_converted_stream(int fd, const char* name, ChannelChoice channel, std::string& error) {
    const std::string cannot = std::string("cannot decode ") + name + ": ";
    struct stat status {};
    const bool from_pipe = fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode);
    // libsndfile reads FLAC and CAF only from what it can seek in: from a pipe
    // FLAC fails to open ("lost sync") and CAF opens but gives no sample.
    const char* const save_first = " cannot be read from a pipe; save it to a file first";
    if (from_pipe) {
        std::string head;
        const ssize_t seen = peek_pipe(fd, 4, head);
        if (seen == 0) {
            error = cannot + "nothing came through";
            return nullptr;
        }
        if (head == "fLaC") {
            error = cannot + "FLAC" + save_first;
            return nullptr;
        }
    }
    SF_INFO info{};
    SNDFILE* file = sf_open_fd(fd, SFM_READ, &info, SF_FALSE);
    if (file == nullptr) {
        error = cannot + sf_strerror(nullptr);
        return nullptr;
    }
    if (from_pipe && (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_CAF) {
        sf_close(file);
        error = cannot + "CAF" + save_first;
        return nullptr;
    }
    return start_conversion(file, info, name, channel, error);
}

long long converted_samples_clipped() { return clipped; }

std::string converted_read_failure() { return read_failure; }

long long converted_length(const char* path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path, SFM_READ, &info);
    if (f == nullptr) return 0;
    sf_close(f);
    if (info.samplerate < lowest_rate || info.samplerate > highest_rate || info.frames <= 0) return 0;
    const double length = static_cast<double>(info.frames) * target_rate / info.samplerate;
    return length < 1e15 ? static_cast<long long>(length) : 0;
}

namespace {
// The first bytes of the formats people's recorders and converters write.
bool has_audio_magic(const unsigned char* head, std::size_t n) {
    if (n < 12) return n >= 4 && (std::memcmp(head, "fLaC", 4) == 0 || std::memcmp(head, "OggS", 4) == 0);
    const auto is = [&](std::size_t at, const char* text) { return std::memcmp(head + at, text, 4) == 0; };
    return (is(0, "RIFF") && is(8, "WAVE")) || is(0, "RF64") || (is(0, "FORM") && (is(8, "AIFF") || is(8, "AIFC"))) ||
           is(0, "fLaC") || is(0, "OggS") || is(0, ".snd") || is(0, "caff");
}

const char* format_name(int format) {
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV: case SF_FORMAT_WAVEX: return "a WAV";
    case SF_FORMAT_RF64: return "an RF64";
    case SF_FORMAT_AIFF: return "an AIFF";
    case SF_FORMAT_FLAC: return "a FLAC";
    case SF_FORMAT_OGG: return "an OGG";
    case SF_FORMAT_AU: return "an AU";
    case SF_FORMAT_CAF: return "a CAF";
    default: return "an audio";
    }
}
}  // namespace

AudioSniff sniff_audio(const char* path) {
    AudioSniff sniff;
    unsigned char head[12] = {};
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return sniff;  // opening it reports why
    const std::size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (!has_audio_magic(head, n)) return sniff;
    SF_INFO info{};
    SNDFILE* file = sf_open(path, SFM_READ, &info);
    if (file == nullptr) {
        sniff.shape = AudioShape::damaged;
        sniff.description = sf_strerror(nullptr);
        return sniff;
    }
    sf_close(file);
    const int major = info.format & SF_FORMAT_TYPEMASK, subtype = info.format & SF_FORMAT_SUBMASK;
    if ((major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX) && subtype == SF_FORMAT_PCM_16 && info.channels == 1 &&
        info.samplerate == static_cast<int>(target_rate)) {
        sniff.shape = AudioShape::plain;
        return sniff;
    }
    sniff.shape = AudioShape::foreign;
    char text[160];
    std::snprintf(text, sizeof text, "%s file of %d Hz, %d channel%s", format_name(info.format), info.samplerate,
                  info.channels, info.channels == 1 ? "" : "s");
    sniff.description = text;
    return sniff;
}
