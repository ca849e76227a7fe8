// A run's TZX file, written whole or not at all.
#pragma once

#include <string>
#include <vector>

#include "output/block.h"
#include "output/tzx_writer.h"

// The blocks of a run as they come, each with the silence measured after it
// (up to the next block's start).
struct TzxTape {
    std::vector<TzxBlock> blocks;
    std::int32_t last_end = 0;  // where the last block ended
};
void collect_tzx(TzxTape& tape, const Block& block);

// Writes the blocks read from `recording` (its file name, or the takes') as
// the TZX file `name` in the folder open as `folder` (whose path is
// `folder_path`), under a temporary name first and then renamed; false, said
// on standard error, when it could not be written.
bool write_tzx_file(int folder, const std::string& folder_path, const std::string& name,
                    const std::vector<TzxBlock>& blocks, const std::string& recording);
