#include "output/tap_writer.h"

#include <cstring>

#include "output/block.h"
#include "output/log_file.h"
#include "output/output_files.h"
#include "output/output_problems.h"

namespace {
bool reserved_in_file_names(std::uint8_t b) {
    return std::strchr("\"*/:<>?\\|", b) != nullptr && b != 0;
}
}  // namespace

void set_tap_name(Run& run, const std::uint8_t* name, int length) {
    TapOutput& tap = *run.tap;
    close_tap_file(run);
    tap.file_failed = false;
    char base[tap_name_size];
    int n = 0;
    for (int k = 0; k < length && n < 10; ++k) {
        std::uint8_t b = name[k];
        if (b < 0x20 || b > 0x7E) b = '_';
        if (reserved_in_file_names(b)) b = '_';
        base[n++] = static_cast<char>(b);
    }
    while (n > 0 && base[n - 1] == ' ') --n;
    std::memcpy(base + n, ".tap", 5);
    std::memcpy(tap.tap_name, base, n + 5);
}

TapWrite write_tap_record(Run& run, const std::uint8_t* bytes, std::int32_t count) {
    TapOutput& tap = *run.tap;
    // A record's length field holds 16 bits: a longer block would corrupt the file.
    if (count > tap_record_max) return TapWrite::too_long;
    if (tap.tap_file == nullptr && !tap.file_failed) {
        char* file_name = tap.file_name;
        std::snprintf(file_name, sizeof tap.file_name, "%03d_%s", tap.tap_file_counter,
                      tap.tap_name);
        tap.tap_file = create_output_file(run, file_name, false);
        ++tap.tap_file_counter;
        tap.records = 0;
        log_printf(run, "\nFilename: %s\n", file_name);
        if (tap.tap_file == nullptr) {
            // Not retried for this file's later blocks, so the numbering of the files stays as logged.
            tap.file_failed = true;
            report_output_problem(run, "cannot create the TAP file \"%s\"; its blocks are not stored", file_name);
        }
    }
    if (tap.tap_file == nullptr) return TapWrite::not_created;
    const std::uint8_t length[2] = {static_cast<std::uint8_t>(count % 256), static_cast<std::uint8_t>(count / 256)};
    std::fwrite(length, 1, 2, tap.tap_file);
    std::fwrite(bytes, 1, count, tap.tap_file);
    std::fflush(tap.tap_file);  // a recovered block is on disk once it is reported
    ++tap.records;
    return TapWrite::stored;
}

TapWrite store_block(Run& run, const std::vector<std::uint8_t>& bytes) {
    if (is_standard_header(bytes) && bytes[1] == 0) set_tap_name(run, bytes.data() + 2, 10);
    return write_tap_record(run, bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

void close_tap_file(Run& run) {
    TapOutput& tap = *run.tap;
    if (tap.tap_file == nullptr) return;
    const bool failed = std::ferror(tap.tap_file) != 0;
    if (std::fclose(tap.tap_file) != 0 || failed) {
        report_output_problem(run, "writing the TAP file \"%s\" failed; it is incomplete", tap.file_name);
    }
    tap.tap_file = nullptr;
}
