// libFuzzer target: the merge of takes on any copies. The first byte says how
// many copies (2 to 5); the rest is dealt out among them, each byte giving a
// bit and, from its upper bits, the bit's weight.
#include <cstdint>
#include <vector>

#include "merge/merge.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) return 0;
    const int count = 2 + data[0] % 4;
    std::vector<TakeCopy> copies(static_cast<std::size_t>(count));
    for (int c = 0; c < count; ++c) copies[static_cast<std::size_t>(c)].take = c;
    // Runs of bytes go to one copy at a time, so that copies differ in length.
    std::size_t at = 1;
    for (int c = 0; at < size; c = (c + 1) % count) {
        const std::size_t run = 1 + data[at] % 64;
        for (std::size_t k = 1; k <= run && at + k < size; ++k) {
            TakeCopy& copy = copies[static_cast<std::size_t>(c)];
            copy.bits.push_back(data[at + k] & 1);
            copy.weights.push_back(static_cast<std::uint8_t>(1 + (data[at + k] >> 6)));
        }
        at += run + 1;
    }
    const MergedBlock merged = merge_block(copies);
    if (merged.passes && !passes_checksum(merged.bytes)) __builtin_trap();  // it must never claim a pass it lacks
    return 0;
}
