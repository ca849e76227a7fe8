// A virtual X display for tests of windows, and the X tools that drive them.
#pragma once

#include <sys/types.h>

#include <string>

struct XDisplay {
    pid_t server = -1;       // the Xvfb process
    std::string name;        // e.g. ":5"
    int report_fd = -1;      // where the server reported its display number
    std::string log;         // the server's standard error
};

// True when Xvfb, xdotool and ImageMagick's import are installed.
bool x_tools_installed();
// Starts Xvfb on a free display; false when it does not come up.
bool x_display_start(XDisplay& display);
void x_display_stop(XDisplay& display);
// Whether the server still runs and answers, and what it wrote: for a test
// that saw no window.
std::string x_display_state(const XDisplay& display);
// Runs a shell command with DISPLAY set; returns what it printed on standard output.
std::string x_command(const XDisplay& display, const std::string& command);
