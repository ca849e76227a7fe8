// One recording, in this process: as choosing it in the Windows program's
// open-file dialog does, with the live view in a window when there is a display.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "app/linux/audio_convert.h"
#include "app/linux/cli_options.h"
#include "app/linux/files_linux.h"
#include "app/linux/frames.h"
#include "app/linux/live_window.h"
#include "app/linux/png_snapshot.h"
#include "app/linux/present_linux.h"
#include "app/linux/progress.h"
#include "app/linux/stop_signal.h"
#include "app/profile.h"
#include "app/run_driver.h"
#include "input/sample_stream.h"
#include "output/block_report.h"
#include "output/time_text.h"
#include "view/canvas.h"

namespace {
const CliOptions* run_options = nullptr;
std::chrono::steady_clock::time_point run_started;

// The output folder lands in the current directory: the recording's folder,
// as after the open-file dialog, or the one --out names.
void enter_output_parent(const std::string& recording) {
    const std::string& out = run_options->out;
    if (!out.empty()) {
        if (mkdir(out.c_str(), 0777) != 0 && errno != EEXIST) fatal_error(text_no_folder);
        if (chdir(out.c_str()) != 0) fatal_error(text_no_folder);
        return;
    }
    const std::string folder = recording.substr(0, recording.find_last_of('/'));
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

// Waits until the analysis is no further ahead than the pace asked for.
void keep_pace() {
    const double seconds = static_cast<double>(absolute_index(sample_window.cursor)) / samples_per_second;
    const auto due = run_started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double>(seconds / run_options->pace));
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
    if (run_options->pace > 0.0) keep_pace();
    if (!live_window_serve_events()) request_stop();
    if (!stop_requested()) return;
    progress_end();
    stop_run();
    live_window_close();
    std::fputs("velliqor: stopped; the blocks recovered so far are kept\n", stderr);
    std::exit(exit_not_run);
}

void hold_with_summary() {
    char summary[path_size + 128];
    std::snprintf(summary, sizeof summary, "%d blocks, %d checksum errors. Output: %s",
                  block_report.blocks_reported, block_report.checksum_errors, recovery_run.output_folder);
    live_window_hold(summary);
}

void warn_about_foreign_format(const std::string& path) {
    const std::string format = foreign_format_of(path.c_str());
    if (format.empty()) return;
    std::fprintf(stderr,
                 "velliqor: %s is %s; it is read as raw 48 kHz 16-bit mono samples as it stands.\n"
                 "velliqor: use --convert to decode it.\n",
                 path.c_str(), format.c_str());
}

// For a batch run: the counts of the summary table, to the parent.
void report_counts(int fd) {
    char line[96];
    const int n = std::snprintf(line, sizeof line, "%d %d %d\n", block_report.blocks_reported,
                                block_report.checksum_errors, block_report.repaired_bits);
    if (write(fd, line, static_cast<std::size_t>(n)) != n) std::perror("velliqor: summary");
}
}  // namespace

int run_one(const CliOptions& options, const std::string& recording) {
    run_options = &options;
    const std::string path = absolute_path(recording);
    if (path.size() >= path_size) fatal_error(text_path_too_long);
    std::memcpy(recovery_run.chosen_path, path.c_str(), path.size() + 1);
    refuse_non_recordings(path);
    if (!options.convert) warn_about_foreign_format(path);
    recording_source.convert = options.convert;
    recording_source.channel = options.channel;
    enter_output_parent(path);
    install_stop_handlers();

    if (!canvas_create(build_profile.canvas_width, build_profile.canvas_height)) {
        std::fputs(text_no_memory, stdout);
        return exit_not_run;
    }
    if (!options.frames.empty()) {
        std::string error;
        if (!frames_begin(options.frames, options.frames_every, error)) {
            std::fprintf(stderr, "velliqor: %s\n", error.c_str());
            return exit_not_run;
        }
    }
    const bool window = options.window && live_window_open(build_profile.window_title);
    // Only a picture that someone will see is worth drawing.
    drawing_enabled = window || !options.snapshot.empty() || frames_enabled();
    present_hook = on_screen_complete;
    canvas_startup();

    log_echo = !options.quiet;
    progress_begin(options.convert ? converted_length(path.c_str()) : file_samples(path.c_str()));
    pump_hook = between_screens;
    run_started = std::chrono::steady_clock::now();
    int status = run_recording();
    progress_end();
    if (options.convert && converted_samples_clipped() > 0) {
        std::fprintf(stderr, "velliqor: %lld samples went past the 16-bit range in the conversion and were clipped\n",
                     converted_samples_clipped());
    }

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
    if (options.summary_fd >= 0) report_counts(options.summary_fd);
    if (window && options.hold) hold_with_summary();
    live_window_close();
    canvas_destroy();
    return status;
}
