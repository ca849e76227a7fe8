// What every part of the program shares: colours as the live view stores
// them, and positions shown as minutes and seconds.
#pragma once

#include <cstdint>

using Colour = std::uint32_t;  // 0x00BBGGRR: blue in the high byte, red in the low byte

// What the decoder knows of a bit: the weight of its vote when takes are merged.
enum BitWeight : std::uint8_t {
    weight_guessed = 1,  // a gap estimate whose fraction lay near one half, or a lone short pulse taken as a '0'
    weight_filled = 2,   // filled in: a '0' whose pulses were lost
    weight_clean = 4,    // read from its own pulse
};

// Positions are shown at 48,000 samples per second, whatever rate the
// recording really has.
constexpr std::int32_t samples_per_second = 48000;

// A block shorter than this that fails its checksum is taken for noise: no
// tape block worth keeping is so short, and noise often gives one or two bytes.
constexpr std::int32_t fragment_bytes = 4;
constexpr int time_text_size = 16;  // room for any 32-bit position

// Writes "%02d:%02d" of p / 48000 seconds into text (time_text_size bytes).
// Five characters below 100 minutes; more minutes widen the field.
void time_text(std::int32_t p, char* text);
