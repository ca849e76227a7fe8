#include "output/output_problems.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void report_output_problem(Run& run, const char* format, ...) {
    OutputProblems& problems = *run.problems;
    problems.output_lost = true;
    char message[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    std::fprintf(stderr, "velliqor: %s\n", message);
    const std::size_t used = std::strlen(problems.output_problem_text);
    std::snprintf(problems.output_problem_text + used, sizeof problems.output_problem_text - used, "%s\n", message);
}
