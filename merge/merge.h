// Several takes of one tape combined into one copy of each block. The module
// takes the blocks as the decoder left them, each bit with the weight of what
// the decoder knows about it, and gives each block out combined: aligned bit
// by bit (a take may have lost or gained bits where a pulse was missed or
// split, which shifts everything after), voted, and checked against the
// block's XOR checksum. It knows nothing of files or windows.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "common/basics.h"

// Whether a take whose recording ended at sample `recording_end` may have
// been cut inside its block whose last pulse came at `block_end`.
constexpr bool ended_inside(std::int64_t block_end, std::int64_t recording_end) {
    return block_end + 4800 >= recording_end;  // a tenth of a second
}

constexpr int alignment_band = 24;  // bits a take may drift from the reference before it is lost

// One take's copy of a block.
struct TakeCopy {
    int take = 0;                       // which take it came from (0 = the first)
    // Every bit the take decoded for the block, in tape order (most significant
    // bit of each byte first): an overrun and a partial last byte included,
    // since a take that gained bits pushes the block's last true bits there.
    std::vector<std::uint8_t> bits;
    std::vector<std::uint8_t> weights;  // one per bit (a BitWeight); empty: every bit clean
    bool cut = false;                   // the take ended inside the block: it holds only its first bits
    std::int32_t reported = -1;         // the bytes its run reported, after the trim; -1: every whole byte
};

enum class MergeSource {
    agreed,    // the copies that pass the checksum agree and are a majority: taken as they are
    one_take,  // taken whole from one take that passes the checksum, where the vote fails it or the takes stand closer to that copy
    voted,     // voted segment by segment, and the result passes the checksum
    failed,    // no candidate passes the checksum: the vote that stands nearest the copies
};

struct MergedBlock {
    std::vector<std::uint8_t> bytes;  // the bytes of the result, trimmed as a run trims them
    MergeSource source = MergeSource::failed;
    int from_take = -1;               // with agreed or one_take: the take taken
    int contested_bits = 0;           // bits of the segments whose copies disagreed
    bool passes = false;              // the XOR of all bytes is 0
    // Votes held against the checksum, one for each copy taken as the
    // reference: each wrong one passes by chance with 1 in 256. No bit is
    // ever turned over to make the checksum pass.
    int votes_tried = 0;
};

// How a run trims a block of `whole_bytes` whole bytes that begins with
// `flag` (an overrun of the length its header announced); empty: no trim.
using ReportedLength = std::function<std::int32_t(std::int32_t whole_bytes, std::uint8_t flag)>;

// Bits of whole bytes, most significant first.
std::vector<std::uint8_t> bits_of(const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> bytes_of(const std::vector<std::uint8_t>& bits);
bool passes_checksum(const std::vector<std::uint8_t>& bytes);

// Aligns `other` to `reference`, allowing wrong, lost and gained bits, within
// a band of `band` bits around the diagonal (widened by the difference in
// length). For each reference bit, the index of the other's bit aligned with
// it, or -1 where the other lost it; inserted[k] counts the other's bits that
// stand before reference bit k (k = reference length: after the last).
struct Alignment {
    std::vector<int> matched;   // reference length entries
    std::vector<int> inserted;  // reference length + 1 entries
    int cost = 0;               // wrong + lost + gained bits
    int covered = 0;            // reference bits the other reaches: all, unless it was cut short
};
// With `other_cut`, the other may end anywhere in the reference (its take
// ended inside the block): the reference bits past its end are not counted
// as lost, and `covered` says where it ended.
Alignment align_bits(const std::vector<std::uint8_t>& reference, const std::vector<std::uint8_t>& other, int band,
                     bool other_cut = false);

// Combines the copies of one block (at least one).
MergedBlock merge_block(const std::vector<TakeCopy>& copies, const ReportedLength& reported_length = {});

// The segment vote with copy `reference` as the reference (see vote.cpp):
// every bit of the block, before any trim. `contested` counts the bits of the
// segments the copies disagreed on.
std::vector<std::uint8_t> segment_vote(const std::vector<TakeCopy>& copies, std::size_t reference, int& contested);
