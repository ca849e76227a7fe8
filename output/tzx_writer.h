// Recovered blocks as a TZX file (version 1.20), the archive format of
// Spectrum tapes: standard speed data blocks where a block fits one, a turbo
// speed data block with the ROM's timings for a block too long for it, a
// text block before a block that failed its checksum, and an archive info
// block: the tape's title, and where the blocks came from and how many failed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TzxBlock {
    std::vector<std::uint8_t> bytes;  // flag, data and checksum byte as recovered
    std::uint16_t pause_ms = 1000;    // silence after the block, milliseconds
    bool checksum_ok = true;
};

// Where the blocks came from, for the archive info block's comment.
struct TzxSource {
    std::string creator;    // e.g. "Velliqor 2.01 (build 2.01)"
    std::string recording;  // the recording's file name
    std::string date;       // the day of the run, e.g. "2026-12-08"
};

// The whole file. The archive info block's title is the name in the first
// program header; its comment says who recovered the blocks from what, when,
// and how many of them failed their checksum.
std::vector<std::uint8_t> tzx_image(const std::vector<TzxBlock>& blocks, const TzxSource& source);

// The pause between two blocks: the samples from the end of one to the start
// of the next at 48,000 a second, in whole milliseconds, at most 65,535.
std::uint16_t pause_between(std::int64_t end_of_block, std::int64_t start_of_next);
