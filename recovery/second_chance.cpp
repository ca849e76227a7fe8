#include "recovery/second_chance.h"

#include <algorithm>
#include <iterator>

#include "common/basics.h"
#include "common/overrun_trim.h"
#include "decode/zero_crossings.h"
#include "input/sample_stream.h"
#include "merge/merge.h"
#include "output/block_report.h"

namespace {
// Pairs of readings, one filtering with two hysteresis bands: the two must
// agree. The band-passed pair comes first: it stands up to hum and noise.
// The low-passed pair, with bands close to zero, reads through dropouts on an
// otherwise clean tape; in noise its readings disagree.
constexpr CrossingReading reading_pairs[] = {{CrossingFilter::band_pass, 0.15}, {CrossingFilter::band_pass, 0.3},
                                             {CrossingFilter::low_pass, 0.003}, {CrossingFilter::low_pass, 0.01}};

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

// Makes `block` the reading's when the reading began after a sync it saw
// and, cut to the length the header announced, passes its checksum unchanged.
bool take_reading(const Run& run, const CrossingBlock& reading, Block& block) {
    std::vector<std::uint8_t> bytes = bytes_of(reading.bits);
    const std::int32_t decoded = static_cast<std::int32_t>(bytes.size());
    if (decoded == 0) return false;
    const BlockReport& report = *run.report;
    const std::int32_t announced = report.saved_header[12] | report.saved_header[13] << 8;
    const std::int32_t n = reported_length(decoded, bytes[0], report.header_seen, announced);
    // A reading that stops within a few bytes was likely cut short by the
    // damage, and a byte of zeros is its own checksum: it must reach as far
    // as the first reading did, or past a fragment's length.
    if (n < std::min(fragment_bytes, static_cast<std::int32_t>(block.bytes.size()))) return false;
    bytes.resize(static_cast<std::size_t>(n));
    if (!reading.sync_seen || !passes_checksum(bytes)) return false;
    block.bytes = bytes;
    block.bits = reading.bits;
    block.weights.assign(block.bits.size(), weight_clean);
    block.overlen = decoded - n;
    block.checksum_ok = true;
    // The first reading's repairs and doubtful pulses are not in these bits:
    // counted, they would claim work the stored block does not hold.
    block.rest_zeros = block.float_zeros = block.mid0_count = block.mid1_count = 0;
    block.second_pass = "zero crossings";
    return true;
}
}  // namespace

bool read_by_zero_crossings_again(Run& run, Block& block) {
    const SampleSource& source = *run.source;
    const std::int64_t kept_end = source.kept_from + static_cast<std::int64_t>(source.kept.size());
    const std::int64_t from = std::max<std::int64_t>(block.start - kept_margin, source.kept_from);
    const std::int64_t to = std::min<std::int64_t>(block.end + kept_margin, kept_end);
    if (to - from <= 0) return false;
    const std::vector<std::vector<CrossingBlock>> readings = read_by_zero_crossings(
        source.kept.data() + (from - source.kept_from), static_cast<std::size_t>(to - from), from,
        {std::begin(reading_pairs), std::end(reading_pairs)});
    for (std::size_t k = 0; k + 1 < readings.size(); k += 2) {
        const CrossingBlock* a = at_place(readings[k], block.start, block.end);
        const CrossingBlock* b = at_place(readings[k + 1], block.start, block.end);
        if (a != nullptr && b != nullptr && a->bits == b->bits && take_reading(run, *a, block)) return true;
    }
    return false;
}

