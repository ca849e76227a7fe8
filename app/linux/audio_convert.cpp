#include "app/linux/audio_convert.h"

#include "app/linux/audio_header.h"

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
#include <memory>
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

// libsndfile's code for MPEG audio (1.1.0 and later), also where its header is older.
constexpr int format_mpeg = 0x230000;
constexpr int mpeg_layer_3 = 0x0082;

// A file seen through libsndfile's virtual I/O with a few bytes replaced:
// a CAF whose data chunk claims more than the file holds (or -1, "to the end
// of the file", which libsndfile 1.2 refuses) is given the count it holds.
struct PatchedFile {
    int fd = -1;
    sf_count_t length = 0, position = 0;
    sf_count_t patch_at = 0;
    unsigned char patch[8] = {};
    ~PatchedFile() {
        if (fd >= 0) close(fd);
    }
};

sf_count_t patched_length(void* user) { return static_cast<PatchedFile*>(user)->length; }

sf_count_t patched_seek(sf_count_t offset, int whence, void* user) {
    auto& f = *static_cast<PatchedFile*>(user);
    const sf_count_t base = whence == SEEK_CUR ? f.position : whence == SEEK_END ? f.length : 0;
    if (offset < -base) return -1;
    f.position = base + offset;
    return f.position;
}

sf_count_t patched_read(void* to, sf_count_t count, void* user) {
    auto& f = *static_cast<PatchedFile*>(user);
    if (count <= 0 || f.position >= f.length) return 0;
    count = std::min(count, f.length - f.position);
    const ssize_t n = pread(f.fd, to, static_cast<std::size_t>(count), f.position);
    if (n <= 0) return 0;
    auto* bytes = static_cast<unsigned char*>(to);
    for (sf_count_t k = 0; k < 8; ++k) {
        const sf_count_t at = f.patch_at + k - f.position;
        if (at >= 0 && at < n) bytes[at] = f.patch[k];
    }
    f.position += n;
    return n;
}

sf_count_t patched_write(const void*, sf_count_t, void*) { return 0; }
sf_count_t patched_tell(void* user) { return static_cast<PatchedFile*>(user)->position; }

// A recording file as libsndfile opens it, with what its header says of its length.
struct SoundFile {
    SNDFILE* file = nullptr;
    SF_INFO info{};
    Container container = Container::none;
    std::int64_t claimed = -1, held = -1;  // bytes of sound the header announces, and the file holds; -1: not known
    bool frames_exact = false;             // info.frames is what the header announces, to be met exactly
    std::unique_ptr<PatchedFile> patched;
};

bool is_cut(const SoundFile& s) { return s.claimed >= 0 && s.held >= 0 && s.claimed > s.held; }

// Opens `path` with libsndfile, after reading its header's own account of the
// sound data. Null file on failure, with libsndfile's error in `error`.
void open_sound(const char* path, SoundFile& s, std::string& error) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = std::strerror(errno);
        return;
    }
    auto patched = std::make_unique<PatchedFile>();
    patched->fd = fd;
    struct stat status {};
    const std::int64_t length = fstat(fd, &status) == 0 && S_ISREG(status.st_mode) ? status.st_size : -1;
    std::vector<unsigned char> head(head_size);
    const ssize_t n = pread(fd, head.data(), head.size(), 0);
    s.container = container_of(head.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
    SoundData data;
    if (length >= 0) {
        data = find_sound_data(s.container, [&](std::int64_t at, unsigned char* to, std::size_t count) {
            return at >= 0 && at + static_cast<std::int64_t>(count) <= length &&
                   pread(fd, to, count, at) == static_cast<ssize_t>(count);
        });
    }
    if (data.found) {
        s.held = std::max<std::int64_t>(0, length - data.content_at);
        s.claimed = data.claimed;
    }
    if (data.found && data.size_field_at >= 0 && (data.claimed < 0 || is_cut(s))) {
        patched->length = length;
        patched->patch_at = data.size_field_at;
        for (int k = 0; k < 8; ++k) patched->patch[k] = static_cast<unsigned char>(s.held >> (56 - 8 * k));
        SF_VIRTUAL_IO io{patched_length, patched_seek, patched_read, patched_write, patched_tell};
        s.file = sf_open_virtual(&io, SFM_READ, &s.info, patched.get());
        if (s.file != nullptr) s.patched = std::move(patched);
    } else {
        s.file = sf_open(path, SFM_READ, &s.info);
    }
    if (s.file == nullptr) error = sf_strerror(nullptr);
}

void close_sound(SoundFile& s) {
    if (s.file != nullptr) sf_close(s.file);
    s.file = nullptr;
    s.patched.reset();
}

std::string cut_text(std::int64_t claimed, std::int64_t held) {
    return "its header announces " + std::to_string(claimed) + " bytes of sound, and the file holds " +
           std::to_string(held) + " of them";
}

struct Conversion {
    SNDFILE* file = nullptr;
    std::unique_ptr<PatchedFile> patched;  // what libsndfile reads through, when the header needed mending
    std::int64_t claimed = -1, held = -1;  // of a file cut short: the bytes of sound announced, and those there
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

thread_local long long clipped = 0;  // one conversion a thread: a merge converts its takes at once
thread_local std::string read_failure;

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
    } else if (c.claimed > c.held) {
        fail(c, "the file is cut short " + seconds(c.frames_read, rate) + " into the recording: " +
                    cut_text(c.claimed, c.held));
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
std::FILE* start_conversion(SoundFile& sound, const std::string& name, ChannelChoice channel, std::string& error) {
    auto* c = new Conversion;
    c->file = sound.file;
    sound.file = nullptr;
    c->patched = std::move(sound.patched);
    const SF_INFO info = sound.info;
    c->info = info;
    if (is_cut(sound)) {
        c->claimed = sound.claimed;
        c->held = sound.held;
    }
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
    c->exact_length = ((info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC || sound.frames_exact) &&
                      info.frames < SF_COUNT_MAX;
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
    SoundFile sound;
    std::string why;
    open_sound(path, sound, why);
    if (sound.file == nullptr) {
        error = std::string("cannot decode ") + path + ": " + why;
        return nullptr;
    }
    return start_conversion(sound, path, channel, error);
}

std::FILE* open_converted_stream(int fd, const char* name, ChannelChoice channel, std::string& error) {
    const std::string cannot = std::string("cannot decode ") + name + ": ";
    struct stat status {};
    const bool from_pipe = fstat(fd, &status) == 0 && S_ISFIFO(status.st_mode);
    // libsndfile reads FLAC and CAF only from what it can seek in: from a pipe
    // FLAC fails to open ("lost sync") and CAF opens but gives no sample.
    const char* const save_first = " cannot be read from a pipe; save it to a file first";
    SoundData data;
    std::int64_t held = -1;  // a regular file's: the bytes of sound it holds
    if (!from_pipe && S_ISREG(status.st_mode)) {
        const off_t base = lseek(fd, 0, SEEK_CUR);  // libsndfile takes the file to begin here
        const std::int64_t length = base >= 0 ? status.st_size - base : -1;
        std::vector<unsigned char> head(head_size);
        const ssize_t n = length > 0 ? pread(fd, head.data(), head.size(), base) : 0;
        data = find_sound_data(container_of(head.data(), n > 0 ? static_cast<std::size_t>(n) : 0),
                               [&](std::int64_t at, unsigned char* to, std::size_t count) {
                                   return at >= 0 && at + static_cast<std::int64_t>(count) <= length &&
                                          pread(fd, to, count, base + at) == static_cast<ssize_t>(count);
                               });
        if (data.found) held = std::max<std::int64_t>(0, length - data.content_at);
    }
    if (from_pipe) {
        // As much of the head as has come through (a pipe holds 64 KiB): the
        // header's length of the sound, when it gives one, is then checked at the end.
        std::string head;
        const ssize_t seen = peek_pipe(fd, 65536, head);
        if (seen == 0) {
            error = cannot + "nothing came through";
            return nullptr;
        }
        if (head.compare(0, 4, "fLaC") == 0) {
            error = cannot + "FLAC" + save_first;
            return nullptr;
        }
        const auto* bytes = reinterpret_cast<const unsigned char*>(head.data());
        const auto seen_at = [&](std::int64_t at, unsigned char* to, std::size_t n) {
            if (at < 0 || at + static_cast<std::int64_t>(n) > static_cast<std::int64_t>(head.size())) return false;
            std::memcpy(to, bytes + at, n);
            return true;
        };
        data = find_sound_data(container_of(bytes, head.size()), seen_at);
    }
    SoundFile sound;
    sound.file = sf_open_fd(fd, SFM_READ, &sound.info, SF_FALSE);
    if (sound.file == nullptr) {
        error = cannot + sf_strerror(nullptr);
        return nullptr;
    }
    if (from_pipe && (sound.info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_CAF) {
        close_sound(sound);
        error = cannot + "CAF" + save_first;
        return nullptr;
    }
    // From a pipe libsndfile takes the header's count of frames as it stands:
    // when the header gave one, falling short of it is a cut. A file's header
    // is held against the file's length.
    sound.frames_exact = from_pipe && data.found && data.claimed >= 0;
    sound.claimed = data.claimed;
    sound.held = held;
    return start_conversion(sound, name, channel, error);
}

long long converted_samples_clipped() { return clipped; }

std::string converted_read_failure() { return read_failure; }

long long converted_length(const char* path) {
    SoundFile sound;
    std::string error;
    open_sound(path, sound, error);
    if (sound.file == nullptr) return 0;
    const SF_INFO info = sound.info;
    close_sound(sound);
    if (info.samplerate < lowest_rate || info.samplerate > highest_rate || info.frames <= 0) return 0;
    const double length = static_cast<double>(info.frames) * target_rate / info.samplerate;
    return length < 1e15 ? static_cast<long long>(length) : 0;
}

namespace {
// A format's name, from what libsndfile found or, failing that, from the magic.
std::string format_name(Container container, int format) {
    if (container == Container::rifx) return "a big-endian WAV file (RIFX)";
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV: case SF_FORMAT_WAVEX: return "a WAV file";
    case SF_FORMAT_RF64: return "an RF64 file";
    case SF_FORMAT_AIFF: return "an AIFF file";
    case SF_FORMAT_FLAC: return "a FLAC file";
    case SF_FORMAT_OGG: return "an OGG file";
    case SF_FORMAT_AU: return "an AU file";
    case SF_FORMAT_CAF: return "a CAF file";
    case format_mpeg: return (format & SF_FORMAT_SUBMASK) == mpeg_layer_3 ? "an MP3 file" : "an MPEG audio file";
    default: break;
    }
    switch (container) {
    case Container::wav: return "a WAV file";
    case Container::rf64: return "an RF64 file";
    case Container::aiff: return "an AIFF file";
    case Container::flac: return "a FLAC file";
    case Container::ogg: return "an OGG file";
    case Container::au: return "an AU file";
    case Container::caf: return "a CAF file";
    case Container::mpeg: return "an MP3 file (MPEG audio)";
    case Container::id3: return "an MP3 file (it begins with an ID3 tag)";
    default: return "an audio file";
    }
}

// Whether this libsndfile reads MPEG audio at all (1.1.0 and later, built with mpg123).
bool reads_mpeg() {
    int count = 0;
    sf_command(nullptr, SFC_GET_FORMAT_MAJOR_COUNT, &count, sizeof count);
    for (int k = 0; k < count; ++k) {
        SF_FORMAT_INFO format{};
        format.format = k;
        if (sf_command(nullptr, SFC_GET_FORMAT_MAJOR, &format, sizeof format) == 0 &&
            (format.format & SF_FORMAT_TYPEMASK) == format_mpeg) {
            return true;
        }
    }
    return false;
}
}  // namespace

AudioSniff sniff_audio(const char* path) {
    AudioSniff sniff;
    std::vector<unsigned char> head(head_size);
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return sniff;  // opening it reports why
    const std::size_t n = std::fread(head.data(), 1, head.size(), f);
    std::fclose(f);
    const Container container = container_of(head.data(), n);
    if (container == Container::none) return sniff;
    SoundFile sound;
    std::string error;
    open_sound(path, sound, error);
    if (sound.file == nullptr) {
        sniff.shape = AudioShape::damaged;
        sniff.format = format_name(container, 0);
        sniff.description = error;
        if ((container == Container::mpeg || container == Container::id3) && !reads_mpeg()) {
            sniff.description = std::string(sf_version_string()) +
                                " here reads no MPEG audio (1.1.0 and later do, built with mpg123); "
                                "convert it to WAV or FLAC first";
        }
        return sniff;
    }
    const SF_INFO info = sound.info;
    close_sound(sound);
    sniff.format = format_name(container, info.format);
    const int major = info.format & SF_FORMAT_TYPEMASK, subtype = info.format & SF_FORMAT_SUBMASK;
    if (container == Container::wav && (major == SF_FORMAT_WAV || major == SF_FORMAT_WAVEX) &&
        subtype == SF_FORMAT_PCM_16 && info.channels == 1 && info.samplerate == static_cast<int>(target_rate)) {
        sniff.shape = AudioShape::plain;
        if (is_cut(sound)) {
            const double seconds_held = static_cast<double>(sound.held / 2) / target_rate;
            char text[64];
            std::snprintf(text, sizeof text, "%.1f s", seconds_held);
            sniff.cut = std::string("the file is cut short ") + text + " into the recording: " +
                        cut_text(sound.claimed, sound.held);
        }
        return sniff;
    }
    sniff.shape = AudioShape::foreign;
    sniff.rate = info.samplerate;
    sniff.channels = info.channels;
    switch (subtype) {
    case SF_FORMAT_PCM_S8: case SF_FORMAT_PCM_U8: sniff.width = "8-bit"; break;
    case SF_FORMAT_PCM_24: sniff.width = "24-bit"; break;
    case SF_FORMAT_PCM_32: sniff.width = "32-bit"; break;
    case SF_FORMAT_FLOAT: sniff.width = "32-bit float"; break;
    case SF_FORMAT_DOUBLE: sniff.width = "64-bit float"; break;
    case SF_FORMAT_ULAW: sniff.width = "8-bit u-law"; break;
    case SF_FORMAT_ALAW: sniff.width = "8-bit A-law"; break;
    default: break;  // 16-bit, or coded (FLAC, Vorbis, MP3, ...): no width of its own
    }
    return sniff;
}

std::string conversion_reasons(const AudioSniff& sniff, ChannelChoice channel) {
    std::string reasons = sniff.width;
    const auto add = [&reasons](const std::string& reason) { reasons += (reasons.empty() ? "" : ", ") + reason; };
    if (sniff.rate != static_cast<int>(target_rate)) {
        std::string digits = std::to_string(sniff.rate);
        for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3) digits.insert(static_cast<std::size_t>(at), ",");
        add(digits + " Hz");
    }
    if (sniff.channels > 1) {
        add(std::to_string(sniff.channels) + " channels (" +
            (channel == ChannelChoice::left ? "taking the left" : channel == ChannelChoice::right ? "taking the right" : "mixing them") +
            ")");
    }
    return reasons;
}
