// Several takes of one tape combined into one copy of each block. The module
// takes the blocks as the decoder left them, each bit with the weight of what
// the decoder knows about it, and gives each block out combined: aligned bit
// by bit (a take may have lost or gained bits where a pulse was missed or
// split, which shifts everything after), voted, and checked against the
// block's XOR checksum. It knows nothing of files or windows.
#pragma once

#include <cstdint>
#include <vector>

#include "common/basics.h"

// Whether a take whose recording ended at sample `recording_end` may have
// been cut inside its block whose last pulse came at `block_end`.
constexpr bool ended_inside(std::int64_t block_end, std::int64_t recording_end) {
    return block_end + 4800 >= recording_end;  // a tenth of a second
}

// One take's copy of a block.
struct TakeCopy {
    int take = 0;                       // which take it came from (0 = the first)
    std::vector<std::uint8_t> bits;     // 0 or 1, in tape order (most significant bit of each byte first)
    std::vector<std::uint8_t> weights;  // one per bit (a BitWeight); empty: every bit clean
    bool cut = false;                   // the take ended inside the block: it holds only its first bits
};

enum class MergeSource {
    agreed,    // the copies that pass the checksum agree and are a majority: taken as they are
    one_take,  // taken whole from one take that passes the checksum, where the vote fails it or the takes stand closer to that copy
    voted,     // voted bit by bit, and the result passes the checksum
    repaired,  // voted, then the weakest votes at the checksum's failing bit positions turned over:
               // it passes the checksum because it was made to, so the checksum does not vouch for it
    failed,    // voted, but no candidate passes the checksum
};

struct MergedBlock {
    std::vector<std::uint8_t> bytes;  // whole bytes of the result
    MergeSource source = MergeSource::failed;
    int from_take = -1;               // with agreed or one_take: the take taken
    int contested_bits = 0;           // bits whose copies disagreed (or that some copies lacked)
    bool passes = false;              // the XOR of all bytes is 0
    // The checksum vouches for the bytes: they come unchanged from a take that
    // passes, or from a vote of at most `votes_tried` candidates (each wrong
    // candidate passes by chance with 1 in 256), never from a repair.
    bool verified = false;
    int votes_tried = 0;              // votes checked against the checksum, 1 to 3: each only when the ones before failed
    int repaired_bits = 0;            // with repaired: the bits turned over
};

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
MergedBlock merge_block(const std::vector<TakeCopy>& copies);
