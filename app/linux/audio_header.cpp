#include "app/linux/audio_header.h"

#include <cstring>

namespace {
bool is(const unsigned char* head, std::size_t at, const char* text) { return std::memcmp(head + at, text, 4) == 0; }

// The header of an MPEG audio frame at `p` (4 bytes): its length in bytes, or
// 0 when these are no such header (no sync, or a reserved or free value).
std::size_t mpeg_frame_length(const unsigned char* p) {
    if (p[0] != 0xFF || (p[1] & 0xE0) != 0xE0) return 0;
    const int version = (p[1] >> 3) & 3, layer = (p[1] >> 1) & 3;  // version 3: MPEG-1, 2: MPEG-2, 0: MPEG-2.5
    const int bitrate_index = p[2] >> 4, rate_index = (p[2] >> 2) & 3, padding = (p[2] >> 1) & 1;
    if (version == 1 || layer == 0 || bitrate_index == 0 || bitrate_index == 15 || rate_index == 3) return 0;
    static const int kbps[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},   // MPEG-1 layer I
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},      // layer II
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},      // layer III
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},      // MPEG-2 and 2.5 layer I
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},           // layers II and III
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int rates[3] = {44100, 48000, 32000};
    const int rate = rates[rate_index] >> (version == 3 ? 0 : version == 2 ? 1 : 2);
    const int bitrate = kbps[version == 3 ? 0 : 1][3 - layer][bitrate_index] * 1000;
    if (layer == 3) return static_cast<std::size_t>((12 * bitrate / rate + padding) * 4);  // layer I
    const int per_frame = layer == 1 && version != 3 ? 72 : 144;                         // layer III of MPEG-2 and 2.5
    return static_cast<std::size_t>(per_frame * bitrate / rate + padding);
}

// A 32-bit size this large is the placeholder that writers to a pipe leave
// (0xFFFFFFFF, 0x7FFFFFFF; sox writes 0x7FFFF000): the length was not known.
std::int64_t claimed_size(std::uint64_t size) { return size >= 0x7FFF0000u ? -1 : static_cast<std::int64_t>(size); }

std::uint64_t number(const unsigned char* p, int bytes, bool big_endian) {
    std::uint64_t v = 0;
    for (int k = 0; k < bytes; ++k) v |= static_cast<std::uint64_t>(p[big_endian ? bytes - 1 - k : k]) << (8 * k);
    return v;
}
}  // namespace

Container container_of(const unsigned char* head, std::size_t n) {
    if (n >= 12) {
        if (is(head, 0, "RIFF") && is(head, 8, "WAVE")) return Container::wav;
        if (is(head, 0, "RIFX") && is(head, 8, "WAVE")) return Container::rifx;
        if (is(head, 0, "RF64")) return Container::rf64;
        if (is(head, 0, "FORM") && (is(head, 8, "AIFF") || is(head, 8, "AIFC"))) return Container::aiff;
        if (is(head, 0, ".snd")) return Container::au;
        if (is(head, 0, "caff")) return Container::caf;
    }
    if (n >= 4 && is(head, 0, "fLaC")) return Container::flac;
    if (n >= 4 && is(head, 0, "OggS")) return Container::ogg;
    // An ID3v2 tag: "ID3", a version, flags, and a length of four 7-bit bytes.
    if (n >= 10 && std::memcmp(head, "ID3", 3) == 0 && head[3] < 0xFF && head[4] < 0xFF &&
        (head[6] | head[7] | head[8] | head[9]) < 0x80) {
        return Container::id3;
    }
    if (n >= 4) {
        const std::size_t length = mpeg_frame_length(head);
        if (length > 0 && length + 4 <= n && mpeg_frame_length(head + length) > 0 &&
            (head[length + 1] & 0xFE) == (head[1] & 0xFE) && (head[length + 2] & 0x0C) == (head[2] & 0x0C)) {
            return Container::mpeg;
        }
    }
    return Container::none;
}

SoundData find_sound_data(Container container, const ReadAt& read_at) {
    SoundData data;
    unsigned char chunk[36];
    const bool caf = container == Container::caf;
    const bool big_endian = container == Container::rifx || container == Container::aiff || caf;
    const char* const data_id = container == Container::aiff ? "SSND" : "data";
    if (container != Container::wav && container != Container::rifx && container != Container::rf64 &&
        container != Container::aiff && !caf) {
        return data;
    }
    std::int64_t rf64_data = -1;  // RF64: the data chunk's size, kept in the ds64 chunk
    if (container == Container::rf64) {
        if (!read_at(12, chunk, 36) || !is(chunk, 0, "ds64")) return data;
        const std::uint64_t size = number(chunk + 16, 8, false);
        if (size > 0 && size < (std::uint64_t{1} << 62)) rf64_data = static_cast<std::int64_t>(size);
    }
    const int header = caf ? 12 : 8;
    std::int64_t at = caf ? 8 : 12;
    for (int chunks = 0; chunks < 4096; ++chunks) {
        if (!read_at(at, chunk, static_cast<std::size_t>(header))) return data;
        const std::uint64_t size = number(chunk + 4, caf ? 8 : 4, big_endian);
        if (is(chunk, 0, data_id)) {
            data.found = true;
            data.content_at = at + header;
            if (caf) {
                data.size_field_at = at + 4;
                data.claimed = size >= (std::uint64_t{1} << 62) ? -1 : static_cast<std::int64_t>(size);
            } else if (container == Container::rf64 && size == 0xFFFFFFFFu) {
                data.claimed = rf64_data;
            } else {
                data.claimed = claimed_size(size);
            }
            return data;
        }
        if (size >= (std::uint64_t{1} << 62)) return data;  // no chunk is that long: the header is damaged
        at += header + static_cast<std::int64_t>(size) + (caf ? 0 : static_cast<std::int64_t>(size & 1));
    }
    return data;
}

