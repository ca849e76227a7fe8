#include "recovery/second_chance.h"

#include <algorithm>

#include "common/basics.h"
#include "common/overrun_trim.h"
#include "decode/zero_crossings.h"
#include "input/sample_stream.h"
#include "merge/merge.h"
#include "output/block_report.h"

namespace {
constexpr double first_hysteresis = 0.15, second_hysteresis = 0.3;

// The reading that overlaps [start, end] most; null when none does.
const CrossingBlock* at_place(const std::vector<CrossingBlock>& blocks, std::int64_t start, std::int64_t end) {
    const CrossingBlock* best = nullptr;
    std::int64_t most = 0;
    for (const CrossingBlock& b : blocks) {
        const std::int64_t overlap = std::min(end, b.end) - std::max(start, b.start);
        if (overlap > most) {
            most = overlap;
            best = &b;
        }
    }
    return best;
}
}  // namespace

bool read_by_zero_crossings_again(Run& run, Block& block) {
    const SampleSource& source = *run.source;
    const std::int64_t kept_end = source.kept_from + static_cast<std::int64_t>(source.kept.size());
    const std::int64_t from = std::max<std::int64_t>(block.start - kept_margin, source.kept_from);
    const std::int64_t to = std::min<std::int64_t>(block.end + kept_margin, kept_end);
    if (to - from <= 0) return false;
    const std::vector<std::int16_t> stretch(source.kept.begin() + (from - source.kept_from),
                                            source.kept.begin() + (to - source.kept_from));
    const std::vector<std::vector<CrossingBlock>> readings =
        read_by_zero_crossings(stretch, from, {first_hysteresis, second_hysteresis});
    const CrossingBlock* a = at_place(readings[0], block.start, block.end);
    const CrossingBlock* b = at_place(readings[1], block.start, block.end);
    if (a == nullptr || b == nullptr || a->bits != b->bits) return false;
    std::vector<std::uint8_t> bytes = bytes_of(a->bits);
    const std::int32_t decoded = static_cast<std::int32_t>(bytes.size());
    if (decoded == 0) return false;
    const BlockReport& report = *run.report;
    const std::int32_t announced = report.saved_header[12] | report.saved_header[13] << 8;
    const std::int32_t n = reported_length(decoded, bytes[0], report.header_seen, announced);
    bytes.resize(static_cast<std::size_t>(n));
    if (!passes_checksum(bytes)) return false;
    block.bytes = bytes;
    block.bits = a->bits;
    block.weights.assign(block.bits.size(), weight_clean);
    block.overlen = decoded - n;
    block.checksum_ok = true;
    // The first reading's repairs and doubtful pulses are not in these bits:
    // counted, they would claim work the stored block does not hold.
    block.rest_zeros = block.float_zeros = block.mid0_count = block.mid1_count = 0;
    block.origin = ", Second pass: zero crossings";
    return true;
}
