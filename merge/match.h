// Which blocks of several takes are copies of the same block of the tape.
// The takes hold the tape's blocks in the same order, but any take may have
// missed a block or found a spurious one, and a damaged copy may be a few
// bytes longer or shorter. Blocks are matched by their order, their flag,
// their length and, for headers, their contents; where flag or header
// disagree but the lengths are near, by their first bits, so that a copy
// damaged at its start (a header with several wrong bytes, a flag slipped by
// a bit) still finds its block.
#pragma once

#include <cstdint>
#include <vector>

#include "common/basics.h"

struct BlockInfo {
    std::uint8_t flag = 0;                // the block's first byte
    std::int32_t length = 0;              // bytes
    std::vector<std::uint8_t> header;     // a standard header's 19 bytes; empty for other blocks
    bool last = false;                    // the take's last block, which the recording's end may have cut short
    std::vector<std::uint8_t> bits{};     // the block's first 256 bits (fewer when it is shorter), 0 or 1
};

// A block shorter than this (bytes) is most likely noise, a few pulses taken
// for a block: too few bits to match by, and no sign that takes are of one tape.

// What matching needs of a block's bytes (`last` is left to the caller).
BlockInfo block_info(const std::vector<std::uint8_t>& bytes);

// One block of the merged tape: for each take, the index of its copy in that
// take's list, or -1 where that take has none.
using MatchedBlock = std::vector<int>;

// The blocks of all takes in tape order. Every block of every take is in
// exactly one group.
std::vector<MatchedBlock> match_blocks(const std::vector<std::vector<BlockInfo>>& takes);

// How many groups hold copies from at least two takes, of all groups. Groups
// whose copies are all shorter than fragment_bytes are not counted: noise
// comes in every take, at other places.
double matched_share(const std::vector<MatchedBlock>& groups, const std::vector<std::vector<BlockInfo>>& takes);
