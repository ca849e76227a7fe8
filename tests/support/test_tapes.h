// Tapes and bit patterns that several tests record and decode.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/tape_encoder.h"

// n bytes of a repeatable pattern.
std::vector<std::uint8_t> pattern(std::size_t n, unsigned seed);

// A headerless block first, then a BASIC program, a code block, a screen and a
// block with a wrong checksum, all after the program header "prog one".
std::vector<TapBlock> test_tape();

// A pilot, the sync, then bits written as characters: '0' and '1' are bit
// cycles, 'x' a '0' cycle whose pulses are lost in a dropout, 'p' the next
// block's pilot and sync at once.
std::vector<std::int16_t> bit_pattern(const std::string& bits, const EncoderOptions& options = {});
// The same with one dropout of any length, in '0' cycles, between two runs of bits.
std::vector<std::int16_t> bit_pattern_with_dropout(const std::string& before, double lost_cycles,
                                                   const std::string& after, const EncoderOptions& options = {});
