#include "support/x_display.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

bool x_tools_installed() {
    return access("/usr/bin/Xvfb", X_OK) == 0 && access("/usr/bin/xdotool", X_OK) == 0 &&
           access("/usr/bin/import", X_OK) == 0;
}

bool x_display_start(XDisplay& display) {
    int fds[2];
    char log[] = "/tmp/velliqor-xvfb-XXXXXX";
    const int log_fd = mkstemp(log);
    if (log_fd < 0) return false;
    display.log = log;
    if (pipe(fds) != 0) return false;
    display.server = fork();
    if (display.server == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        dup2(log_fd, STDERR_FILENO);
        // -noreset: a server resets when its last client leaves, and a client
        // that connects meanwhile is refused. The tests poll with X tools that
        // come and go, so the program's own connection could fall into a
        // reset and find no display.
        execl("/usr/bin/Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1024x768x24", "-nolisten", "tcp",
              "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    close(log_fd);
    // Xvfb writes the number of the display it chose once it is ready, and the
    // line end separately: the pipe stays open until the display stops, since
    // a write into a closed pipe ends the server.
    display.report_fd = fds[0];
    std::string number;
    char c = 0;
    while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
    if (number.empty()) return false;
    display.name = ":" + number;
    return true;
}

void x_display_stop(XDisplay& display) {
    if (display.server <= 0) return;
    kill(display.server, SIGTERM);
    waitpid(display.server, nullptr, 0);
    display.server = -1;
    close(display.report_fd);
    unlink(display.log.c_str());
}

std::string x_display_state(const XDisplay& display) {
    std::string state = "display " + display.name + ": the server ";
    siginfo_t ended{};
    // WNOWAIT: the server stays for x_display_stop to reap.
    const bool runs = display.server > 0 &&
                      waitid(P_PID, display.server, &ended, WEXITED | WNOHANG | WNOWAIT) == 0 && ended.si_pid == 0;
    state += runs ? "runs" : "has ended";
    state += x_command(display, "xdotool getdisplaygeometry").empty() ? " and does not answer" : " and answers";
    state += "; it wrote: ";
    if (FILE* f = std::fopen(display.log.c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, f) != nullptr) state += buffer;
        std::fclose(f);
    }
    return state;
}

std::string x_command(const XDisplay& display, const std::string& command) {
    // No X tool may hang a test: ImageMagick's import has been seen to wait
    // for ever on a virtual display that was busy.
    const std::string line = "DISPLAY=" + display.name + " timeout 20 " + command + " 2>/dev/null";
    std::string out;
    if (FILE* p = popen(line.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, p) != nullptr) out += buffer;
        pclose(p);
    }
    return out;
}
