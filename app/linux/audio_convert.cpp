#include "app/linux/audio_convert.h"

#include <sndfile.h>
#include <soxr.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {
constexpr double target_rate = 48000.0;
constexpr sf_count_t chunk_frames = 4096;

struct Conversion {
    SNDFILE* file = nullptr;
    SF_INFO info{};
    ChannelChoice channel = ChannelChoice::left;
    soxr_t resampler = nullptr;          // none when the file is at 48 kHz already
    std::vector<int> frames_int;         // one chunk as read, all channels
    std::vector<float> frames_float;
    std::vector<float> mono;             // the chosen channel of a chunk
    std::vector<float> resampled;
    std::vector<std::uint8_t> pending;   // converted bytes not yet handed out
    std::size_t pending_at = 0;
    bool input_done = false;
    bool finished = false;
};

long long clipped = 0;

void emit(Conversion& c, long value) {
    if (value > 32767 || value < -32768) {
        ++clipped;
        value = value > 32767 ? 32767 : -32768;
    }
    c.pending.push_back(static_cast<std::uint8_t>(value & 0xFF));
    c.pending.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

// Picks the chosen channel of frame f from interleaved samples.
template <typename T>
double pick(const Conversion& c, const T* frames, sf_count_t f) {
    const int n = c.info.channels;
    const T* frame = frames + f * n;
    if (c.channel == ChannelChoice::left || n == 1) return frame[0];
    if (c.channel == ChannelChoice::right) return frame[1];
    double sum = 0.0;
    for (int k = 0; k < n; ++k) sum += frame[k];
    return sum / n;
}

// At 48 kHz no resampling happens, and 16-bit samples come through exactly.
void convert_direct_chunk(Conversion& c) {
    const sf_count_t n = sf_readf_int(c.file, c.frames_int.data(), chunk_frames);
    if (n <= 0) {
        c.finished = true;
        return;
    }
    for (sf_count_t f = 0; f < n; ++f) emit(c, std::lround(pick(c, c.frames_int.data(), f) / 65536.0));
}

void convert_resampled_chunk(Conversion& c) {
    sf_count_t n = 0;
    if (!c.input_done) {
        n = sf_readf_float(c.file, c.frames_float.data(), chunk_frames);
        if (n <= 0) {
            n = 0;
            c.input_done = true;
        }
        for (sf_count_t f = 0; f < n; ++f) c.mono[f] = static_cast<float>(pick(c, c.frames_float.data(), f));
    }
    const float* input = c.mono.data();
    std::size_t left = static_cast<std::size_t>(n);
    do {
        std::size_t used = 0, made = 0;
        // Null input tells the resampler that the input has ended: it gives out what it still holds.
        soxr_process(c.resampler, c.input_done ? nullptr : input, left, &used, c.resampled.data(),
                     c.resampled.size(), &made);
        for (std::size_t k = 0; k < made; ++k) emit(c, std::lround(c.resampled[k] * 32768.0));
        if (c.input_done && made == 0) c.finished = true;
        input += used;
        left -= used;
    } while (!c.input_done && left > 0);
}

ssize_t read_converted(void* cookie, char* buffer, std::size_t size) {
    auto& c = *static_cast<Conversion*>(cookie);
    std::size_t given = 0;
    while (given < size) {
        if (c.pending_at == c.pending.size()) {
            if (c.finished) break;
            c.pending.clear();
            c.pending_at = 0;
            if (c.resampler == nullptr) {
                convert_direct_chunk(c);
            } else {
                convert_resampled_chunk(c);
            }
            if (c.finished && sf_error(c.file) != SF_ERR_NO_ERROR) return -1;  // a read error, not the end
            continue;
        }
        const std::size_t n = std::min(size - given, c.pending.size() - c.pending_at);
        std::memcpy(buffer + given, c.pending.data() + c.pending_at, n);
        c.pending_at += n;
        given += n;
    }
    return static_cast<ssize_t>(given);
}

int close_converted(void* cookie) {
    auto* c = static_cast<Conversion*>(cookie);
    if (c->resampler != nullptr) soxr_delete(c->resampler);
    sf_close(c->file);
    delete c;
    return 0;
}
}  // namespace

std::FILE* open_converted_recording(const char* path, ChannelChoice channel, std::string& error) {
    auto* c = new Conversion;
    c->channel = channel;
    c->file = sf_open(path, SFM_READ, &c->info);
    if (c->file == nullptr) {
        error = std::string("cannot decode ") + path + ": " + sf_strerror(nullptr);
        delete c;
        return nullptr;
    }
    if (channel == ChannelChoice::right && c->info.channels < 2) {
        error = std::string(path) + " has one channel: there is no right channel";
        close_converted(c);
        return nullptr;
    }
    // Floating-point files scale to the full integer range, like integer ones.
    sf_command(c->file, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
    const std::size_t samples = static_cast<std::size_t>(chunk_frames) * c->info.channels;
    if (c->info.samplerate == static_cast<int>(target_rate)) {
        c->frames_int.resize(samples);
    } else {
        soxr_error_t failure = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        c->resampler = soxr_create(c->info.samplerate, target_rate, 1, &failure, &io, &quality, nullptr);
        if (c->resampler == nullptr) {
            error = std::string("cannot resample ") + path + ": " + (failure != nullptr ? failure : "unknown error");
            close_converted(c);
            return nullptr;
        }
        c->frames_float.resize(samples);
        c->mono.resize(static_cast<std::size_t>(chunk_frames));
        c->resampled.resize(static_cast<std::size_t>(chunk_frames * (target_rate / c->info.samplerate)) + 1024);
    }
    clipped = 0;
    const cookie_io_functions_t functions{read_converted, nullptr, nullptr, close_converted};
    std::FILE* stream = fopencookie(c, "rb", functions);
    if (stream == nullptr) {
        error = "cannot open a stream for the conversion";
        close_converted(c);
    }
    return stream;
}

long long converted_samples_clipped() { return clipped; }

long long converted_length(const char* path) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path, SFM_READ, &info);
    if (f == nullptr) return 0;
    sf_close(f);
    return info.samplerate > 0 ? static_cast<long long>(info.frames * (target_rate / info.samplerate)) : 0;
}

namespace {
std::uint32_t le32(const unsigned char* p) { return p[0] | p[1] << 8 | p[2] << 16 | static_cast<std::uint32_t>(p[3]) << 24; }
unsigned le16(const unsigned char* p) { return p[0] | p[1] << 8; }
}  // namespace

std::string foreign_format_of(const char* path) {
    unsigned char head[4096] = {};
    std::FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return "";
    const std::size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    if (n >= 4 && std::memcmp(head, "fLaC", 4) == 0) return "a FLAC file";
    if (n >= 4 && std::memcmp(head, "OggS", 4) == 0) return "an OGG file";
    if (n < 12 || std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVE", 4) != 0) return "";
    for (std::size_t at = 12; at + 24 <= n;) {
        const std::uint32_t size = le32(head + at + 4);
        if (std::memcmp(head + at, "fmt ", 4) == 0) {
            const unsigned format = le16(head + at + 8), channels = le16(head + at + 10), bits = le16(head + at + 22);
            const std::uint32_t rate = le32(head + at + 12);
            if ((format == 1 || format == 0xFFFE) && channels == 1 && rate == 48000 && bits == 16) return "";
            char text[160];
            std::snprintf(text, sizeof text, "a WAV file of %u Hz, %u channel%s, %u-bit%s", rate, channels,
                          channels == 1 ? "" : "s", bits, format == 3 ? " floating point" : "");
            return text;
        }
        at += 8 + size + (size & 1);
    }
    return "";
}
