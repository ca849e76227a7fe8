// What a recording's first bytes say: which audio container it is, and
// where its sound lies and how long its header claims it is, so that a file
// cut short of its header can be told from a whole one before libsndfile
// reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

// The containers whose first bytes say what they are.
enum class Container { none, wav, rifx, rf64, aiff, flac, ogg, au, caf, mpeg, id3 };

// Bytes of a file's head that tell its container: room for two MPEG frames.
constexpr std::size_t head_size = 6000;

// What the first bytes (`n` of them) say. MPEG audio has no magic of its own:
// a frame header must be followed by another where its length says, so that
// raw samples that happen to begin like one are not taken for it.
Container container_of(const unsigned char* head, std::size_t n);

// The chunk that holds the sound, as the header describes it.
struct SoundData {
    bool found = false;
    std::int64_t content_at = 0;     // its first byte
    std::int64_t claimed = -1;       // the bytes of it that the header announces; -1: not known when it was written
    std::int64_t size_field_at = -1;  // CAF: where that count lies (8 bytes, big-endian)
};

// Reads `n` bytes at `at`; false when they are not all there.
using ReadAt = std::function<bool(std::int64_t at, unsigned char* to, std::size_t n)>;

// Walks the chunks of a WAV, RIFX, RF64, AIFF or CAF header to its sound data.
SoundData find_sound_data(Container container, const ReadAt& read_at);
