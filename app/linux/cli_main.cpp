// The command line: `velliqor RECORDING` runs the whole job on one recording,
// as choosing it in the Windows program's open-file dialog does.
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/linux/png_snapshot.h"
#include "app/linux/present_linux.h"
#include "app/linux/progress.h"
#include "app/profile.h"
#include "app/run_driver.h"
#include "output/block_report.h"
#include "view/canvas.h"

namespace {
const char* const usage =
    "Usage: velliqor [OPTIONS] RECORDING\n"
    "Recovers the blocks of a ZX Spectrum tape from RECORDING, read as raw\n"
    "little-endian signed 16-bit mono samples at 48,000 per second (a WAV\n"
    "header is read as samples too). The blocks are written as TAP files, with\n"
    "\"Log.txt\", into a folder named after the recording, next to it.\n"
    "\n"
    "Options:\n"
    "  --snapshot FILE.png  keep a picture of the live view as it stands at the end\n"
    "  --help               show this help\n"
    "  --version            show the version\n"
    "\n"
    "Exit status: 0 all blocks good; 1 the run could not start; 2 a block failed\n"
    "its checksum or none was found; 3 output was lost or the recording could not\n"
    "be read to its end.\n";

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

// Called at every end of screen, where the Windows program takes one message.
void between_screens() {
    progress_tick();
    if (stop_requested == 0) return;
    progress_end();
    stop_run();
    std::fputs("velliqor: stopped; the blocks recovered so far are kept\n", stderr);
    std::exit(exit_not_run);
}

int usage_error(const char* message) {
    std::fprintf(stderr, "velliqor: %s\nTry 'velliqor --help'.\n", message);
    return exit_not_run;
}
}  // namespace

int main(int argc, char** argv) {
    const char* recording_arg = nullptr;
    std::string snapshot;
    for (int k = 1; k < argc; ++k) {
        const char* a = argv[k];
        if (std::strcmp(a, "--help") == 0) {
            std::fputs(usage, stdout);
            return exit_ok;
        } else if (std::strcmp(a, "--version") == 0) {
            std::printf("velliqor %s (%s)\n", build_profile.about_text + std::strlen("Velliqor "), build_profile.window_title);
            return exit_ok;
        } else if (std::strcmp(a, "--snapshot") == 0) {
            if (++k == argc) return usage_error("--snapshot needs a file name");
            snapshot = absolute_path(argv[k]);
        } else if (a[0] == '-' && a[1] != '\0') {
            return usage_error((std::string("unknown option ") + a).c_str());
        } else if (recording_arg != nullptr) {
            return usage_error("give one recording");
        } else {
            recording_arg = a;
        }
    }
    if (recording_arg == nullptr) return usage_error("no recording given");

    const std::string path = absolute_path(recording_arg);
    if (path.size() >= path_size) fatal_error(text_path_too_long);
    std::memcpy(recovery_run.chosen_path, path.c_str(), path.size() + 1);
    refuse_non_recordings(path);
    enter_recording_folder(path);
    install_stop_handlers();

    // Only a picture that will be kept is worth drawing.
    drawing_enabled = !snapshot.empty();
    if (!canvas_create(build_profile.canvas_width, build_profile.canvas_height)) {
        std::fputs(text_no_memory, stdout);
        return exit_not_run;
    }
    canvas_startup();

    log_echo = true;
    progress_begin(file_samples(path.c_str()));
    pump_hook = between_screens;
    int status = run_recording();
    progress_end();

    if (!snapshot.empty()) {
        std::string error;
        if (!write_png_snapshot(snapshot.c_str(), error)) {
            std::fprintf(stderr, "velliqor: %s\n", error.c_str());
            if (status == exit_ok || status == exit_blocks_bad) status = exit_output_lost;
        }
    }
    std::fflush(stdout);
    canvas_destroy();
    return status;
}
