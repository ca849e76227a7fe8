#include "app/linux/child_run.h"

#include <fcntl.h>

#include <cstdio>
#include <cstdlib>

namespace {
bool open_descriptor(int fd) { return fd >= 0 && fcntl(fd, F_GETFD) != -1; }
}  // namespace

std::string child_run_text(int summary_fd, int output_slot) {
    return std::to_string(summary_fd) + " " + std::to_string(output_slot);
}

void take_child_run(CliOptions& options) {
    const char* text = std::getenv(child_run_variable);
    if (text == nullptr) return;
    int summary_fd = -1, slot = 1;
    char rest = 0;
    const bool read = std::sscanf(text, "%d %d%c", &summary_fd, &slot, &rest) == 2;
    unsetenv(child_run_variable);
    if (!read) return;
    if (open_descriptor(summary_fd)) options.summary_fd = summary_fd;
    if (slot >= 1) options.output_slot = slot;
}
