// Output that could not be written is never passed over in silence: each
// problem is told on standard error at once and remembered for the exit status.
#pragma once

#include "common/run.h"

struct OutputProblems {
    bool output_lost = false;              // a file of the output could not be created or written
    char output_problem_text[1024] = "";   // the problems told so far, one a line (the first few), for a message box at the end
};

// Prints "velliqor: <message>" on standard error and sets output_lost.
void report_output_problem(Run& run, const char* format, ...) __attribute__((format(printf, 2, 3)));
