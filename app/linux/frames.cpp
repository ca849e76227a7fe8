#include "app/linux/frames.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/linux/png_snapshot.h"
#include "common/basics.h"
#include "view/screen_cycle.h"

namespace {
struct Frames {
    std::string folder;
    int every = 1;                 // seconds of recording from one frame to the next
    long long last_period = -1;    // (second / every) of the latest frame written
    bool failed = false;
};
Frames frames;
}  // namespace

bool frames_begin(const std::string& folder, int every_seconds, std::string& error) {
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        error = "cannot make the frames folder " + folder + ": " + std::strerror(errno);
        return false;
    }
    frames = Frames{folder, every_seconds > 0 ? every_seconds : 1, -1, false};
    return true;
}

bool frames_enabled() { return !frames.folder.empty(); }

void frames_on_screen(long long first_sample) {
    if (frames.folder.empty()) return;
    const long long period = first_sample / samples_per_second / frames.every;
    if (period == frames.last_period) return;
    frames.last_period = period;
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
