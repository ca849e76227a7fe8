// The command line: `velliqor RECORDING` runs the whole job on one recording,
// as choosing it in the Windows program's open-file dialog does. With a
// display it shows the live view in a window.
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "app/linux/frames.h"
#include "app/linux/live_window.h"
#include "app/linux/png_snapshot.h"
#include "app/linux/present_linux.h"
#include "app/linux/progress.h"
#include "app/profile.h"
#include "app/run_driver.h"
#include "input/sample_stream.h"
#include "output/block_report.h"
#include "output/time_text.h"
#include "view/canvas.h"

namespace {
const char* const usage =
    "Usage: velliqor [OPTIONS] RECORDING\n"
    "Recovers the blocks of a ZX Spectrum tape from RECORDING, read as raw\n"
    "little-endian signed 16-bit mono samples at 48,000 per second (a WAV\n"
    "header is read as samples too). The blocks are written as TAP files, with\n"
    "\"Log.txt\", into a folder named after the recording, next to it.\n"
    "With a display, the live view is shown in a window while it works.\n"
    "\n"
    "Options:\n"
    "  --snapshot FILE.png  keep a picture of the live view as it stands at the end\n"
    "  --frames DIR         keep pictures of completed screens in DIR, one per second\n"
    "                       of recording, named after their first sample\n"
    "  --frames-every N     with --frames: every Nth screen instead\n"
    "  --no-window          do not open the window, even with a display\n"
    "  --pace X             run at X times real time, so that a person can follow\n"
    "  --no-hold            close the window at the end instead of keeping it open\n"
    "  --help               show this help\n"
    "  --version            show the version\n"
    "\n"
    "In the window: Escape or closing it stops the run (the blocks recovered so far\n"
    "are kept); F1 shows the About text.\n"
    "\n"
    "Exit status: 0 all blocks good; 1 the run could not start or was stopped;\n"
    "2 a block failed its checksum or none was found; 3 output was lost or the\n"
    "recording could not be read to its end.\n";

struct Options {
    const char* recording = nullptr;
    std::string snapshot;
    std::string frames;
    int frames_every = 0;
    bool window = true;
    bool hold = true;
    double pace = 0.0;  // 0: as fast as it goes
};
Options options;

std::string absolute_path(const char* path) {
    if (path[0] == '/') return path;
    char current[path_size];
    if (getcwd(current, sizeof current) == nullptr) return path;
    return std::string(current) + "/" + path;
}

// The recording's folder becomes the current directory, as after the open-file dialog.
void enter_recording_folder(const std::string& path) {
    const std::string folder = path.substr(0, path.find_last_of('/'));
    if (chdir(folder.empty() ? "/" : folder.c_str()) != 0) fatal_error(text_file_not_found);
}

// A folder or a device would be read as samples forever or not at all.
void refuse_non_recordings(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) return;  // opening it reports the missing file
    const char* what = S_ISDIR(info.st_mode)                           ? "a folder"
                       : S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode) ? "a device"
                                                                         : nullptr;
    if (what == nullptr) return;
    std::fprintf(stderr, "velliqor: %s is %s, not a recording\n", path.c_str(), what);
    std::exit(exit_not_run);
}

std::int64_t file_samples(const char* path) {
    struct stat info {};
    if (stat(path, &info) != 0) return 0;
    return static_cast<std::int64_t>(info.st_size) / 2;
}

// Ctrl+C and SIGTERM: the run stops at the next end of screen, where the
// log and the open TAP file are closed whole before the process ends.
volatile std::sig_atomic_t stop_requested = 0;

void request_stop(int) { stop_requested = 1; }

void install_stop_handlers() {
    struct sigaction action {};
    action.sa_handler = request_stop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

std::chrono::steady_clock::time_point run_started;

// Waits until the analysis is no further ahead than `pace` times real time.
void keep_pace() {
    const double seconds = static_cast<double>(absolute_index(sample_window.cursor)) / samples_per_second;
    const auto due = run_started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double>(seconds / options.pace));
    if (due > std::chrono::steady_clock::now()) std::this_thread::sleep_until(due);
}

// Each completed screen, before the Canvas moves on.
void on_screen_complete() {
    live_window_present();
    frames_on_screen();
}

// Called at every end of screen, where the Windows program takes one message.
void between_screens() {
    progress_tick();
    if (options.pace > 0.0) keep_pace();
    if (!live_window_serve_events()) stop_requested = 1;
    if (stop_requested == 0) return;
    progress_end();
    stop_run();
    live_window_close();
    std::fputs("velliqor: stopped; the blocks recovered so far are kept\n", stderr);
    std::exit(exit_not_run);
}

int usage_error(const std::string& message) {
    std::fprintf(stderr, "velliqor: %s\nTry 'velliqor --help'.\n", message.c_str());
    return exit_not_run;
}

// Reads the options; returns -1 to go on, or the exit status.
int parse_options(int argc, char** argv) {
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        const bool has_value = k + 1 < argc;
        if (a == "--help") {
            std::fputs(usage, stdout);
            return exit_ok;
        } else if (a == "--version") {
            std::printf("velliqor %s (%s)\n", build_profile.about_text + std::strlen("Velliqor "),
                        build_profile.window_title);
            return exit_ok;
        } else if (a == "--snapshot" || a == "--frames") {
            if (!has_value) return usage_error(a + " needs a file or folder name");
            (a == "--snapshot" ? options.snapshot : options.frames) = absolute_path(argv[++k]);
        } else if (a == "--frames-every") {
            char* end = nullptr;
            const long n = has_value ? std::strtol(argv[++k], &end, 10) : 0;
            if (!has_value || *end != '\0' || n < 1 || n > 1000000) return usage_error("--frames-every needs a whole number from 1");
            options.frames_every = static_cast<int>(n);
        } else if (a == "--pace") {
            char* end = nullptr;
            const double x = has_value ? std::strtod(argv[++k], &end) : 0.0;
            if (!has_value || *end != '\0' || !(x >= 0.01 && x <= 1e6)) return usage_error("--pace needs a speed such as 1 or 0.5");
            options.pace = x;
        } else if (a == "--no-window") {
            options.window = false;
        } else if (a == "--no-hold") {
            options.hold = false;
        } else if (a.size() > 1 && a[0] == '-') {
            return usage_error("unknown option " + a);
        } else if (options.recording != nullptr) {
            return usage_error("give one recording");
        } else {
            options.recording = argv[k];
        }
    }
    if (options.recording == nullptr) return usage_error("no recording given");
    if (options.frames_every > 0 && options.frames.empty()) return usage_error("--frames-every goes with --frames");
    return -1;
}

void hold_with_summary() {
    char summary[path_size + 128];
    std::snprintf(summary, sizeof summary, "%d blocks, %d checksum errors. Output: %s",
                  block_report.blocks_reported, block_report.checksum_errors, recovery_run.output_folder);
    live_window_hold(summary);
}
}  // namespace

int main(int argc, char** argv) {
    const int parsed = parse_options(argc, argv);
    if (parsed >= 0) return parsed;

    const std::string path = absolute_path(options.recording);
    if (path.size() >= path_size) fatal_error(text_path_too_long);
    std::memcpy(recovery_run.chosen_path, path.c_str(), path.size() + 1);
    refuse_non_recordings(path);
    enter_recording_folder(path);
    install_stop_handlers();

    if (!canvas_create(build_profile.canvas_width, build_profile.canvas_height)) {
        std::fputs(text_no_memory, stdout);
        return exit_not_run;
    }
    if (!options.frames.empty()) {
        std::string error;
        if (!frames_begin(options.frames, options.frames_every, error)) return usage_error(error);
    }
    const bool window = options.window && live_window_open(build_profile.window_title);
    // Only a picture that someone will see is worth drawing.
    drawing_enabled = window || !options.snapshot.empty() || frames_enabled();
    present_hook = on_screen_complete;
    canvas_startup();

    log_echo = true;
    progress_begin(file_samples(path.c_str()));
    pump_hook = between_screens;
    run_started = std::chrono::steady_clock::now();
    int status = run_recording();
    progress_end();

    bool pictures_kept = frames_all_written();
    if (!options.snapshot.empty()) {
        std::string error;
        if (!write_png_snapshot(options.snapshot.c_str(), error)) {
            std::fprintf(stderr, "velliqor: %s\n", error.c_str());
            pictures_kept = false;
        }
    }
    if (!pictures_kept && (status == exit_ok || status == exit_blocks_bad)) status = exit_output_lost;
    std::fflush(stdout);
    if (window && options.hold) hold_with_summary();
    live_window_close();
    canvas_destroy();
    return status;
}
