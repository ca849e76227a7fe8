// The end of every block attempt: a note on a long pause before it, trimming
// of a block that overran the length its header announced, the XOR checksum,
// the header's description, the TAP record, the verdict on the live view and
// one line in "Log.txt".
#pragma once

#include <cstdint>
#include <cstdio>

#include "common/overrun_trim.h"  // overlen_tolerance, header_length

constexpr std::int32_t pause_threshold = 192000;  // samples; a longer gap (strictly) gets a pause line

// A reported block as the decoder left it, for a front end that keeps blocks
// (the merge of takes): every bit decoded, though the report holds only the
// first `length` bytes. Valid during the call only.
struct ReportedBlock {
    const std::uint8_t* bytes = nullptr;    // (bit_count + 7) / 8 bytes; a partial last byte holds its bits in its low bits
    const std::uint8_t* weights = nullptr;  // bit_count entries, one BitWeight per bit; null when not kept
    std::int32_t bit_count = 0;             // bits decoded, before the trim of an overrun
    std::int32_t length = 0;                // bytes reported, after the trim
    std::int32_t start = 0, end = 0;        // absolute sample indexes: the pilot search's first pulse, the last pulse
    bool checksum_ok = false;
    const char* line = "";                  // the log line, without its line end
};

// Bit k (< bit_count) of the block, in tape order.
inline int reported_bit(const ReportedBlock& b, std::int32_t k) {
    const std::int32_t byte = k / 8;
    const int held = byte < b.bit_count / 8 ? 8 : b.bit_count % 8;  // bits of the block in that byte
    return b.bytes[byte] >> (held - 1 - k % 8) & 1;
}

// Written by finish_block alone (but `sink`, set by the run driver).
struct BlockReport {
    std::int32_t last_block_end = 0;                // where the previous attempt ended (absolute index)
    std::uint8_t saved_header[header_length] = {};  // the last reported standard header
    std::int32_t blocks_reported = 0;          // block lines written in this run
    std::int32_t checksum_errors = 0;          // of those, blocks whose XOR checksum failed
    std::int32_t repaired_bits = 0;            // Rest0 + Float0 over the reported blocks
    void (*sink)(const ReportedBlock&) = nullptr;  // told of every reported block, after its log line
};

extern BlockReport block_report;

// Reports the attempt that decode_block has just ended.
void finish_block();
