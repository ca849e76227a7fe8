// A take's reported blocks, kept in a file by the run that decoded it and
// read back by the merge: each block's bytes, every bit decoded for it (also
// those an overrun's trim left out of the report), what the decoder knew of
// each bit, where it lay in the recording and its log line. The file is one the
// merge made and unlinked at once, open in both processes: nothing of it is
// left behind, however either process ends.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/basics.h"
#include "output/block.h"

struct TakeBlock {
    Block block;                         // as the take's run reported it
    bool cut = false;                    // the recording ended inside it: only its first bits are there
};

// Starts keeping the blocks of this run in the open file `fd`; false when it cannot.
bool keep_blocks_in(int fd);
// The run's block sink while keeping (see RunSettings).
void keep_block(const Block& block);
// Marks the kept blocks complete, the recording having ended at sample
// `recording_end`. Empty when all were written, else why not.
std::string keep_blocks_end(std::int64_t recording_end);
// Reads what keep_block wrote into `fd`, from its start; false when it is
// damaged or was not marked complete.
bool read_kept_blocks(int fd, std::vector<TakeBlock>& blocks);
