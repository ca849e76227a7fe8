// Positions shown as minutes and seconds at 48,000 samples per second,
// whatever rate the recording really has.
#pragma once

#include <cstdint>

constexpr std::int32_t samples_per_second = 48000;
constexpr int time_text_size = 16;  // room for any 32-bit position

// Writes "%02d:%02d" of p / 48000 seconds into text (time_text_size bytes).
// Five characters below 100 minutes; more minutes widen the field.
void time_text(std::int32_t p, char* text);
