// Recovered blocks as TAP files: records of a 16-bit little-endian length and
// the block's bytes. Every program header starts a new file named after it.
#pragma once

#include "common/run.h"
#include <cstdint>
#include <cstdio>
#include <vector>

constexpr int tap_name_size = 16;          // up to 10 name characters, ".tap" and the end
constexpr std::int32_t tap_record_max = 65535;  // longest block a record's length field can hold

// Written by set_tap_name, write_tap_record and close_tap_file.
struct TapOutput {
    char tap_name[tap_name_size] = "Noname.tap";  // base name of the next file
    std::FILE* tap_file = nullptr;                // the file being written, or none
    char file_name[32] = "";                      // name of the latest file opened
    bool file_failed = false;                     // that file could not be created: its records are lost
    std::int32_t tap_file_counter = 0;            // files opened so far in this run
    std::int32_t records = 0;                     // records written into the latest file
};

enum class TapWrite { stored, too_long, not_created };

// Closes the open file and sets the base name of the next one from a header's
// name bytes (any values; unprintable and reserved characters become '_').
void set_tap_name(Run& run, const std::uint8_t* name, int length);
// Appends one record, opening the next file first if none is open.
TapWrite write_tap_record(Run& run, const std::uint8_t* bytes, std::int32_t count);
// Stores a reported block: a program header first names the file it and the
// blocks after it go into; then its record. The one place TAP files are named.
TapWrite store_block(Run& run, const std::vector<std::uint8_t>& bytes);
// Closes the open file, reporting a failed write.
void close_tap_file(Run& run);
