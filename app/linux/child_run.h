// What a batch hands one of its runs besides the command line.
// It travels in an environment variable, not in options, so that nothing a
// user types (an abbreviation such as `--keep`) can reach it: a mistyped
// option must never turn a recording into somebody else's output.
#pragma once

#include <string>

#include "app/linux/cli_options.h"

constexpr const char* child_run_variable = "VELLIQOR_BATCH_CHILD";

// The variable's value for a child: its summary pipe and its output slot.
std::string child_run_text(int summary_fd, int output_slot);

// Takes the child's settings from the environment into `options` and removes
// the variable. Settings that name no open descriptor are ignored.
void take_child_run(CliOptions& options);
