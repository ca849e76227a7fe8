#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/linux/files_linux.h"
#include "app/linux/run_summary.h"
#include "app/linux/fatal_error.h"
#include "recovery/run_recording.h"

// On the command line the error box becomes a message on standard error (and
// a line for a batch's summary table).
void tell_fatal_error(const char* text) {
    const int reason = errno;
    std::string message = text;
    if (std::strcmp(text, text_no_log) == 0) {
        message += std::string(" (Log.txt: ") + std::strerror(reason) + ")";
    }
    std::fprintf(stderr, "velliqor: %s\n", message.c_str());
    // A message that begins with the recording's name ("NAME: No such file or
    // directory") has said which it is.
    const std::string name = recording_source().standard_input ? "standard input" : recording_source().name;
    const bool named = !name.empty() && message.compare(0, name.size() + 2, name + ": ") == 0;
    if (!named && recording_source().standard_input) {
        std::fputs("velliqor: recording: standard input\n", stderr);
    } else if (!named && !recording_source().path.empty()) {
        std::fprintf(stderr, "velliqor: recording: %s\n", recording_source().path.c_str());
    }
    summary_error(message);
}

void fatal_error(const char* text) {
    tell_fatal_error(text);
    std::exit(exit_not_run);
}
