// "Log.txt": opened for appending by the run driver, written by the block
// report and the TAP writer. Every line feed written here is stored as CR LF,
// on every platform, and each text can be echoed on standard output.
#pragma once

#include "common/run.h"
#include <cstdio>

struct LogOutput {
    std::FILE* LogFile = nullptr;  // "Log.txt"; opened and closed by the run driver
    bool echo = false;          // every text written is also shown on standard output; off once that fails
};

void log_write(Run& run, const char* text);
void log_printf(Run& run, const char* format, ...) __attribute__((format(printf, 2, 3)));
// Puts what was written on the disk (and before a watching user) now: at the end of each block line.
void log_flush(Run& run);
