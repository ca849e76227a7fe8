#include "output/log_file.h"

#include <cstdarg>

LogOutput log_output;

void log_write(const char* text) {
    if (log_output.echo) std::fputs(text, stdout);
    if (log_output.LogFile == nullptr) return;
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\n') std::fputc('\r', log_output.LogFile);
        std::fputc(*c, log_output.LogFile);
    }
}

void log_printf(const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    log_write(text);
}

// The echo is a courtesy: once standard output is gone (a closed pipe) it
// stops, and the log and the TAP files go on being written.
void log_flush() {
    if (log_output.LogFile != nullptr) std::fflush(log_output.LogFile);
    if (!log_output.echo) return;
    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) log_output.echo = false;
}
