// A second reading of a block that failed its checksum: the zero-crossing
// front end over the block's stretch of the recording, kept as it was read.
#pragma once

#include "common/run.h"
#include "output/block.h"

// Replaces `block` when two readings by zero crossings (one filtering, two
// hysteresis bands) agree bit for bit on a block at the same place and it
// passes its checksum unchanged: two readings, not the XOR alone, stand for
// it. Nothing is searched to fit the checksum.
bool read_by_zero_crossings_again(Run& run, Block& block);
