#include "output/output_problems.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

OutputProblems output_problems;

void report_output_problem(const char* format, ...) {
    output_problems.output_lost = true;
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    std::fprintf(stderr, "velliqor: %s\n", message);
    const std::size_t used = std::strlen(output_problems.output_problem_text);
    std::snprintf(output_problems.output_problem_text + used, sizeof output_problems.output_problem_text - used, "%s\n", message);
}
