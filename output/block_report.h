// The end of every block attempt: a note on a long pause before it, trimming
// of a block that overran the length its header announced, the XOR checksum,
// the header's description, the TAP record, the verdict on the live view and
// one line in "Log.txt".
#pragma once

#include "common/run.h"
#include <cstdint>
#include <cstdio>
#include <functional>

#include <string>

#include "common/overrun_trim.h"  // overlen_tolerance, header_length
#include "output/block.h"

constexpr std::int32_t pause_threshold = 192000;  // samples; a longer gap (strictly) gets a pause line

// Written by finish_block alone (but `sink`, `leave_out_fragments`,
// `second_chance` and `tzx_name`, set by the run driver).
struct BlockReport {
    std::int32_t last_block_end = 0;                // where the previous attempt ended (absolute index)
    std::uint8_t saved_header[header_length] = {};  // the last reported standard header
    std::int32_t blocks_reported = 0;          // block lines written in this run
    std::int32_t checksum_errors = 0;          // of those, blocks whose XOR checksum failed
    std::int32_t repaired_bits = 0;            // Rest0 + Float0 over the reported blocks
    bool header_seen = false;                  // the last reported block was a standard header
    // A block shorter than fragment_bytes is noise when it fails its checksum,
    // or passes it only on bits the decoder filled in (a byte of filled zeros
    // is its own checksum): logged as a fragment with its position, left out
    // of the TAP files and the counts.
    bool leave_out_fragments = false;
    std::int32_t fragments = 0;                // of those, in this run
    // Reads a failing block again another way; true when it replaced `block`
    // with a reading that passes on more evidence than the checksum alone.
    std::function<bool(Run& run, Block& block)> second_chance;
    std::int32_t second_chances = 0;           // blocks a second reading gave
    std::function<void(const Block&)> sink;  // told of every reported block, after its log line
    std::string tzx_name;                    // the TZX file a front end writes of the blocks; empty: none
};

// Reports the attempt that decode_block has just ended: assesses it into a
// Block and hands that to report_block and the sink.
void finish_block(Run& run);

// The block's line in the log, without its line end.
std::string block_line(const Block& block);
// A speed extreme in whole per cent of the ROM's, as the line gives it, from a
// period extreme (Block::period_max, period_min); -1 when none was graphed.
int speed_percent(float period);

// Reports a block as a run does: its TAP record (a program header names the
// file of those after it), its verdict on the live view, its line in the log,
// and word of a block too long for a TAP record; the block is told which TAP
// file and record hold it. False when it was not stored.
bool report_block(Run& run, Block& block);
