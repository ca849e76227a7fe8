// Recovered blocks as a TZX file (version 1.20), the archive format of
// Spectrum tapes: standard speed data blocks where a block fits one, a turbo
// speed data block with the ROM's timings for a block too long for it, a
// text block before a block that failed its checksum, and an archive info
// block naming the program.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TzxBlock {
    std::vector<std::uint8_t> bytes;  // flag, data and checksum byte as recovered
    std::uint16_t pause_ms = 1000;    // silence after the block, milliseconds
    bool checksum_ok = true;
};

// The whole file. `creator` goes into the archive info block (e.g. "Velliqor 2.01").
std::vector<std::uint8_t> tzx_image(const std::vector<TzxBlock>& blocks, const std::string& creator);

// The pause between two blocks: the samples from the end of one to the start
// of the next at 48,000 a second, in whole milliseconds, at most 65,535.
std::uint16_t pause_between(std::int64_t end_of_block, std::int64_t start_of_next);
