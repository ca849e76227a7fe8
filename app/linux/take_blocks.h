// A take's reported blocks, as the merge reads them: each block's bytes,
// every bit decoded for it (also those an overrun's trim left out of the
// report), what the decoder knew of each bit, where it lay in the recording
// and its figures, and whether the recording ended inside it.
#pragma once

#include <cstdint>
#include <vector>

#include "output/block.h"

struct TakeBlock {
    Block block;                         // as the take's run reported it
    bool cut = false;                    // the recording ended inside it: only its first bits are there
};

// The blocks of a run that kept them (RunResult::blocks), the recording
// having ended at sample `recording_end`.
std::vector<TakeBlock> take_blocks(const std::vector<Block>& blocks, std::int64_t recording_end);
