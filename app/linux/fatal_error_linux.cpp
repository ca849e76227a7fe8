#include <cstdio>
#include <cstdlib>

#include "app/run_driver.h"

// On the command line the error box becomes a message on standard error.
[[noreturn]] void fatal_error(const char* text) {
    std::fprintf(stderr, "velliqor: %s\n", text);
    if (recovery_run.chosen_path[0] != '\0') {
        std::fprintf(stderr, "velliqor: recording: %s\n", recovery_run.chosen_path);
    }
    std::exit(exit_not_run);
}
