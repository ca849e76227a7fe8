// The errors that stop a run on the command line: a message on standard error
// naming the recording, and a line for a batch's summary table.
#pragma once

// Tells the error; the run then ends with exit_not_run (the run driver's hook).
void tell_fatal_error(const char* text);
// Tells the error and ends the process with exit_not_run: for errors found
// before the run begins.
[[noreturn]] void fatal_error(const char* text);
