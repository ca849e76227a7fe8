// A take's reported blocks, kept in a file by the run that decoded it and
// read back by the merge: each block's bytes, what the decoder knew of each
// bit, where it lay in the recording and its log line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/basics.h"
#include "output/block_report.h"

struct TakeBlock {
    std::int32_t start = 0, end = 0;     // absolute sample indexes in the take's recording
    bool checksum_ok = false;
    std::string line;                    // the take's log line for it
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint8_t> weights;   // 8 per byte
};

// Starts keeping the blocks of this run in `path`; false when it cannot be made.
bool keep_blocks_in(const std::string& path);
// The run's block sink while keeping (see RunSettings).
void keep_block(const ReportedBlock& block);
// Reads a file that keep_block wrote; false when it is missing or damaged.
bool read_kept_blocks(const std::string& path, std::vector<TakeBlock>& blocks);
