// The whole job on one recording in this process, as the command line makes
// it: the output folder claimed next to the recording and every file opened
// in it. The screen is as wide as the Canvas, when there is one.
#pragma once

#include <string>

#include "common/run.h"
#include "recovery/run_recording.h"

RunResult run_in_process(::Run& run, const std::string& recording, RunSettings settings = {});
