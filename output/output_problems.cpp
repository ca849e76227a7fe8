#include "output/output_problems.h"

#include <cstdarg>
#include <cstdio>

void report_output_problem(const char* format, ...) {
    output_lost = true;
    va_list args;
    va_start(args, format);
    std::fputs("velliqor: ", stderr);
    std::vfprintf(stderr, format, args);
    std::fputc('\n', stderr);
    va_end(args);
}
