// The report of a run as data: NAME.json beside Log.txt, and with --json the
// same object on standard output. Its layout is docs/report.schema.json.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "output/block.h"

// A bit the decoder filled in or guessed: where the tape is weak.
struct DoubtfulBit {
    std::size_t bit = 0;       // in the block, from the flag byte's first bit
    std::int32_t sample = -1;  // where it was read (absolute index); -1: not known
    bool filled = false;       // filled in where its pulses were lost; else guessed
};

// A block as the report keeps it: its bits, weights and positions dropped,
// since a long tape's would take much memory, its doubtful bits kept.
struct ReportedBlock {
    Block block;
    std::vector<DoubtfulBit> doubtful;
};
ReportedBlock reported_block(const Block& b);

struct JsonReport {
    std::string recording;       // the recording's path, or the takes' joined by " + "
    bool second_chances = false;
    bool merged = false;
    std::vector<ReportedBlock> blocks;  // every reported block in order, fragments too
    int blocks_reported = 0, checksum_errors = 0, repaired_bits = 0, fragments = 0, second_readings = 0;
    int status = 0;              // the exit status the run earns
};

// The object as text: indented for the file, or on one line.
std::string json_report_text(const JsonReport& report, bool one_line);

// Writes the report whole as `name` in the folder open as `folder` (whose
// path is `folder_path`) and, with `print`, on one line on standard output.
// A report that cannot be written is said on standard error and makes the
// run's status 3 (in the report printed too). False then.
bool publish_json_report(JsonReport& report, int folder, const std::string& folder_path, const std::string& name,
                         bool print);
