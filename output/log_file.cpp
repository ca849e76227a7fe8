#include "output/log_file.h"

#include <cstdarg>

void log_write(Run& run, const char* text) {
    LogOutput& log = *run.log;
    if (log.echo) std::fputs(text, stdout);
    if (log.LogFile == nullptr) return;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\n') std::fputc('\r', log.LogFile);
        std::fputc(*c, log.LogFile);
    }
}

void log_printf(Run& run, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    log_write(run, text);
}

// The echo is a courtesy: once standard output is gone (a closed pipe) it
// stops, and the log and the TAP files go on being written.
void log_flush(Run& run) {
    LogOutput& log = *run.log;
    if (log.LogFile != nullptr) std::fflush(log.LogFile);
    if (!log.echo) return;
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) log.echo = false;
}
