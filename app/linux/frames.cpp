#include "app/linux/frames.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/linux/png_snapshot.h"
#include "output/time_text.h"
#include "view/screen_cycle.h"

namespace {
struct Frames {
    std::string folder;
    int every = 0;                 // 0: one a second of recording
    long long screens = 0;         // completed screens seen
    long long last_second = -1;    // second of the latest frame written
    bool failed = false;
};
Frames frames;
}  // namespace

bool frames_begin(const std::string& folder, int every_screens, std::string& error) {
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        error = "cannot make the frames folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    frames = Frames{folder, every_screens, 0, -1, false};
    return true;
}

bool frames_enabled() { return !frames.folder.empty(); }

void frames_on_screen() {
    if (frames.folder.empty()) return;
    ++frames.screens;
    const long long first_sample = screen.Disp / 4;  // left edge of the screen just completed
    if (frames.every > 0) {
        if (frames.screens % frames.every != 0) return;
    } else {
        const long long second = first_sample / samples_per_second;
        if (second == frames.last_second) return;
        frames.last_second = second;
    }
    char name[64];
    std::snprintf(name, sizeof name, "/frame-%010lld.png", first_sample);
    std::string error;
    // Fast compression: frames come often and are looked at, not archived.
    if (!write_png_snapshot((frames.folder + name).c_str(), error, 1) && !frames.failed) {
        frames.failed = true;
        std::fprintf(stderr, "velliqor: %s\n", error.c_str());
    }
}

bool frames_all_written() { return !frames.failed; }
