// Combining takes. The copies that pass the checksum and agree in a majority
// of the takes are taken as they are. Otherwise every whole copy in turn is
// the reference of a segment vote (vote.cpp), and of the votes and the takes'
// own copies that pass the checksum, the one nearest to all the copies wins.
// Nothing is ever changed to make the checksum pass: with k votes held
// against it, a wrong block passes by chance with about k in 256.
#include "merge/merge.h"

#include <map>

namespace {
// The bytes a copy's run reported.
std::vector<std::uint8_t> reported_bytes(const TakeCopy& c) {
    std::vector<std::uint8_t> bytes = bytes_of(c.bits);
    if (c.reported >= 0 && static_cast<std::size_t>(c.reported) < bytes.size()) bytes.resize(static_cast<std::size_t>(c.reported));
    return bytes;
}

// Wrong, lost and gained bits between a candidate and all the copies.
long long distance_to_copies(const std::vector<std::uint8_t>& candidate, const std::vector<TakeCopy>& copies) {
    long long sum = 0;
    for (const TakeCopy& c : copies) sum += align_bits(candidate, c.bits, alignment_band, c.cut).cost;
    return sum;
}

// Every bit voted, trimmed as a run trims it.
std::vector<std::uint8_t> trimmed(const std::vector<std::uint8_t>& bits, const ReportedLength& reported_length) {
    std::vector<std::uint8_t> bytes = bytes_of(bits);
    if (reported_length && !bytes.empty()) {
        const std::int32_t n = reported_length(static_cast<std::int32_t>(bytes.size()), bytes[0]);
        if (n >= 0 && static_cast<std::size_t>(n) < bytes.size()) bytes.resize(static_cast<std::size_t>(n));
    }
    return bytes;
}

struct Choice {
    std::vector<std::uint8_t> bytes;
    long long distance = 0;
    MergeSource source = MergeSource::voted;
    int take = -1;
    int contested = 0;
};
}  // namespace

std::vector<std::uint8_t> bits_of(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> bits;
    bits.reserve(bytes.size() * 8);
    for (std::uint8_t byte : bytes) {
        for (int k = 7; k >= 0; --k) bits.push_back(static_cast<std::uint8_t>((byte >> k) & 1));
    }
    return bits;
}

std::vector<std::uint8_t> bytes_of(const std::vector<std::uint8_t>& bits) {
    std::vector<std::uint8_t> bytes(bits.size() / 8);
    for (std::size_t k = 0; k < bytes.size() * 8; ++k) bytes[k / 8] = static_cast<std::uint8_t>(bytes[k / 8] << 1 | bits[k]);
    return bytes;
}

bool passes_checksum(const std::vector<std::uint8_t>& bytes) {
    std::uint8_t x = 0;
    for (std::uint8_t b : bytes) x ^= b;
    return !bytes.empty() && x == 0;
}

MergedBlock merge_block(const std::vector<TakeCopy>& copies, const ReportedLength& reported_length) {
    MergedBlock merged;
    if (copies.empty()) return merged;
    // One copy is nothing to vote on: it stands as the take left it.
    if (copies.size() == 1) {
        merged.bytes = reported_bytes(copies.front());
        merged.passes = passes_checksum(merged.bytes);
        merged.source = merged.passes ? MergeSource::one_take : MergeSource::failed;
        merged.from_take = copies.front().take;
        return merged;
    }
    // Copies that pass the checksum and agree, held by a majority: nothing to vote on.
    std::map<std::vector<std::uint8_t>, std::vector<std::size_t>> passing;  // reported bytes -> copies holding them
    for (std::size_t c = 0; c < copies.size(); ++c) {
        std::vector<std::uint8_t> bytes = reported_bytes(copies[c]);
        if (passes_checksum(bytes)) passing[std::move(bytes)].push_back(c);
    }
    for (const auto& [bytes, holders] : passing) {
        if (2 * holders.size() > copies.size()) {
            merged.bytes = bytes;
            merged.source = MergeSource::agreed;
            merged.from_take = copies[holders.front()].take;
            merged.passes = true;
            return merged;
        }
    }
    // The candidates: a vote with each whole copy as the reference (a cut one
    // only when all are cut), and each take's own copy that passes. Of those
    // that pass, the nearest to all the copies; a vote wins a tie.
    bool any_whole = false;
    for (const TakeCopy& c : copies) any_whole = any_whole || !c.cut;
    std::vector<Choice> votes;
    for (std::size_t r = 0; r < copies.size(); ++r) {
        if (copies[r].cut && any_whole) continue;
        Choice v;
        const std::vector<std::uint8_t> bits = segment_vote(copies, r, v.contested);
        v.bytes = trimmed(bits, reported_length);
        v.distance = distance_to_copies(bits, copies);
        votes.push_back(std::move(v));
    }
    merged.votes_tried = static_cast<int>(votes.size());
    const Choice* best = nullptr;
    for (const Choice& v : votes) {
        if (passes_checksum(v.bytes) && (best == nullptr || v.distance < best->distance)) best = &v;
    }
    Choice own;
    for (const auto& [bytes, holders] : passing) {
        const TakeCopy& c = copies[holders.front()];
        const long long d = distance_to_copies(c.bits, copies);
        if (best == nullptr || d < best->distance) {
            own = Choice{bytes, d, MergeSource::one_take, c.take, 0};
            best = &own;
        }
    }
    if (best == nullptr) {
        // Nothing passes: the vote nearest to the copies, as it is, called failed.
        for (const Choice& v : votes) {
            if (best == nullptr || v.distance < best->distance) best = &v;
        }
        merged.bytes = best->bytes;
        merged.contested_bits = best->contested;
        return merged;
    }
    merged.bytes = best->bytes;
    merged.source = best->source;
    merged.from_take = best->take;
    merged.contested_bits = best->contested;
    merged.passes = true;
    return merged;
}
