// The end of every block attempt: a note on a long pause before it, trimming
// of a block that overran the length its header announced, the XOR checksum,
// the header's description, the TAP record, the verdict on the live view and
// one line in "Log.txt".
#pragma once

#include <cstdint>
#include <cstdio>

constexpr std::int32_t pause_threshold = 192000;  // samples; a longer gap (strictly) gets a pause line
constexpr float overlen_tolerance = 20.0f;        // bytes; the largest overrun that is trimmed
constexpr int header_length = 19;                 // bytes of a standard header block

// Written by finish_block alone.
struct BlockReport {
    std::int32_t last_block_end = 0;                // where the previous attempt ended (absolute index)
    std::uint8_t saved_header[header_length] = {};  // the last reported standard header
    std::int32_t blocks_reported = 0;          // block lines written in this run
    std::int32_t checksum_errors = 0;          // of those, blocks whose XOR checksum failed
    std::int32_t repaired_bits = 0;            // Rest0 + Float0 over the reported blocks
};

extern BlockReport block_report;

// Reports the attempt that decode_block has just ended.
void finish_block();
