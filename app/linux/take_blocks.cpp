#include "app/linux/take_blocks.h"

#include "merge/merge.h"

std::vector<TakeBlock> take_blocks(const std::vector<Block>& blocks, std::int64_t recording_end) {
    std::vector<TakeBlock> taken;
    for (const Block& b : blocks) {
        taken.push_back(TakeBlock{b, false});
        // A run without weights read every bit from its own pulse.
        if (b.weights.size() != b.bits.size()) taken.back().block.weights.assign(b.bits.size(), weight_clean);
    }
    if (!taken.empty()) taken.back().cut = ended_inside(taken.back().block.end, recording_end);
    return taken;
}
