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
#include <string>
#include <thread>
#include <vector>

#include "app/linux/audio_convert.h"
#include "app/linux/cli_options.h"
#include "app/linux/fatal_error.h"
#include "app/linux/files_linux.h"
#include "app/linux/frames.h"
#include "app/linux/json_report.h"
#include "app/linux/live_window.h"
#include "app/linux/png_snapshot.h"
#include "app/linux/output_claim.h"
#include "app/linux/progress.h"
#include "app/linux/recording_place.h"
#include "app/linux/run_summary.h"
#include "app/linux/stop_signal.h"
#include "app/linux/take_blocks.h"
#include "app/linux/tzx_file.h"
#include "app/linux/text_render.h"
#include "common/build_profile.h"
#include "recovery/run_recording.h"
#include "common/basics.h"
#include "common/run.h"
#include "input/sample_stream.h"
#include "output/tzx_writer.h"
#include "view/canvas.h"
#include "view/platform.h"
#include "view/screen_cycle.h"

namespace {
thread_local const CliOptions* run_options = nullptr;
thread_local Run* current_run = nullptr;  // this thread's run, for the window's hooks
thread_local std::chrono::steady_clock::time_point run_started;

// The output folder goes into the recording's folder, or the one --out names
// (made when missing): opened now, before anything is made in it, and handed
// down to the claim inside the run. False, the error told, when it cannot be.
bool hand_down_output_parent(const RecordingPlace& place, int first_slot) {
    char error[path_size + 256];
    if (!run_options->out.empty() && mkdir(place.parent.c_str(), 0777) != 0 && errno != EEXIST) {
        std::snprintf(error, sizeof error, "%s (%s: %s)", text_no_folder, place.parent.c_str(), std::strerror(errno));
        tell_fatal_error(error);
        return false;
    }
    const int parent_fd = open_output_parent(place.parent);
    if (parent_fd < 0) {
        std::snprintf(error, sizeof error, "%s (%s: %s)", text_no_folder, place.parent.c_str(), std::strerror(errno));
        tell_fatal_error(error);
        return false;
    }
    OutputClaim& c = output_claim();
    c.first_slot = first_slot;
    c.fresh = place.standard_input;
    c.parent_fd = parent_fd;
    c.parent = place.parent;
    c.base = place.base;
    c.owner = place.owner;
    return true;
}

std::int64_t file_samples(const RecordingPlace& place) {
    struct stat info {};
    if (!place.regular || (place.standard_input ? fstat(STDIN_FILENO, &info) : stat(place.path.c_str(), &info)) != 0) {
        return 0;
    }
    return static_cast<std::int64_t>(info.st_size) / 2;
}

// Waits until the analysis is no further ahead than the pace asked for,
// serving the window meanwhile; a stop asked for during the wait ends it.
void keep_pace(std::int32_t position) {
    const double seconds = static_cast<double>(position) / samples_per_second;
    const auto due = run_started + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                                       std::chrono::duration<double>(seconds / run_options->pace));
    if (!live_window_wait_until(due)) request_stop();
}

// Each completed screen, before the Canvas moves on.
void on_screen_complete() {
    live_window_present();
    // The start-up picture, before the run, stands at the recording's start.
    frames_on_screen(current_run != nullptr ? current_run->screen->Disp / 4 : 0);
}

// Called at every end of screen, where the Windows program takes one
// message; true stops the run there.
bool between_screens() {
    const Run& run = *current_run;
    const std::int32_t position = absolute_index(run, run.window->cursor);
    progress_tick(position);
    if (run_options->pace > 0.0) keep_pace(position);
    if (!live_window_serve_events()) request_stop();
    return stop_requested();
}

void hold_with_summary(const RunResult& result) {
    char summary[path_size + 128];
    std::snprintf(summary, sizeof summary, "%d blocks, %d checksum errors. Output: %s", result.blocks_reported,
                  result.checksum_errors, result.output_folder.c_str());
    live_window_hold(summary);
}

// A 48 kHz 16-bit mono WAV read as raw samples whose data chunk claims more
// than the file holds: its bytes are read as always, but the recording is cut.
thread_local std::string plain_cut;

// Whether to decode the recording: asked for, or a file whose header says it
// is audio of another shape than 48 kHz 16-bit mono (said in one line). A
// header that libsndfile cannot decode stops the run: its bytes are no
// samples (`undecodable` says why).
bool decode_recording(const CliOptions& options, const RecordingPlace& place, std::string& undecodable) {
    if (options.convert) return true;
    if (options.raw || !place.regular || place.standard_input) return false;
    const AudioSniff sniff = sniff_audio(place.path.c_str());
    if (sniff.shape == AudioShape::damaged) {
        undecodable = "the header says it is " + sniff.format + ", but it cannot be decoded (" + sniff.description +
                      "); --raw reads its bytes as samples";
        return false;
    }
    plain_cut = sniff.cut;
    if (sniff.shape != AudioShape::foreign) return false;
    const std::string reasons = conversion_reasons(sniff, options.channel);
    std::fprintf(stderr, "velliqor: %s is %s%s%s; converting it to 48 kHz 16-bit mono (--raw reads its bytes as samples)\n",
                 place.path.c_str(), sniff.format.c_str(), reasons.empty() ? "" : ": ", reasons.c_str());
    return true;
}

// Every reported block, for the TZX file.
thread_local TzxTape tzx_tape;

// Every reported block, for NAME.json.
thread_local std::vector<ReportedBlock> report_blocks;

void on_block(const Block& b) {
    if (run_options->tzx) collect_tzx(tzx_tape, b);
    report_blocks.push_back(reported_block(b));
}

// NAME.json in the output folder, and with --json on standard output too;
// returns the status, 3 when the file could not be written.
int write_report(const RecordingPlace& place, const CliOptions& options, const RunResult& result, int status) {
    JsonReport report;
    report.recording = place.standard_input ? "standard input" : place.path;
    report.second_chances = !options.one_pass;
    report.blocks = std::move(report_blocks);
    report.blocks_reported = result.blocks_reported;
    report.checksum_errors = result.checksum_errors;
    report.repaired_bits = result.repaired_bits;
    report.fragments = result.fragments;
    report.second_readings = result.second_chances;
    report.status = status;
    const std::string name = place.base + ".json";
    if (publish_json_report(report, output_claim().folder_fd, output_claim().folder, name, options.json)) {
        summary_report(output_claim().folder + "/" + name);
    }
    return report.status;
}

// NAME.tzx in the output folder.
bool write_tzx(const RecordingPlace& place) {
    const std::string recording =
        place.standard_input ? "standard input" : place.path.substr(place.path.find_last_of('/') + 1);
    return write_tzx_file(output_claim().folder_fd, output_claim().folder, place.base + ".tzx", tzx_tape.blocks, recording);
}

}  // namespace

int run_one(const CliOptions& options, const std::string& recording, std::vector<TakeBlock>* kept) {
    run_options = &options;
    summary_begin(options.summary_fd);
    tzx_tape = TzxTape{};
    report_blocks.clear();
    RecordingPlace place;
    std::string refusal;
    const bool placed = place_recording(recording, options.out, place, refusal);
    recording_source() = RecordingSource{};
    recording_source().path = place.path;
    recording_source().standard_input = place.standard_input;
    recording_source().name = recording;
    if (!placed) {
        tell_fatal_error(refusal.c_str());
        return exit_not_run;
    }
    // A picture must never replace the recording it shows, nor land among the
    // run's output: refused before anything is made.
    const bool pictures = !options.snapshot.empty() || !options.frames.empty();
    if (pictures && place.standard_input) {
        protect_from_pictures(STDIN_FILENO);
    } else if (pictures) {
        protect_from_pictures(place.path);
    }
    if (!options.snapshot.empty() && is_protected_from_pictures(options.snapshot.c_str())) {
        std::fprintf(stderr, "velliqor: --snapshot %s would replace the recording itself; name another file\n",
                     options.snapshot.c_str());
        return exit_usage;
    }
    const std::string holding = options.snapshot.empty() ? "" : output_folder_holding(place, options.snapshot);
    if (!holding.empty()) {
        std::fprintf(stderr, "velliqor: --snapshot %s is inside the output folder %s; name a file outside it\n",
                     options.snapshot.c_str(), holding.c_str());
        return exit_usage;
    }
    std::string undecodable;
    const bool convert = decode_recording(options, place, undecodable);
    if (!undecodable.empty()) {
        tell_fatal_error(undecodable.c_str());
        return exit_not_run;
    }
    recording_source().convert = convert;
    recording_source().channel = options.channel;
    recording_source().stream = place.stream;
    if (!hand_down_output_parent(place, options.output_slot)) return exit_not_run;
    // A merge's takes run on threads of the merge, which listens for the stop itself.
    if (kept == nullptr) install_stop_handlers();

    // Only what may be seen is drawn, and only then is there a Canvas.
    RunSettings settings;
    const bool may_draw = options.window || pictures;
    if (may_draw && !canvas_create(build_profile.canvas_width, build_profile.canvas_height)) {
        std::fputs(settings.text_no_memory, stdout);
        return exit_not_run;
    }
    if (!options.frames.empty()) {
        std::string error;
        if (!frames_begin(options.frames, options.frames_every, error)) {
            std::fprintf(stderr, "velliqor: %s\n", error.c_str());
            summary_error(error);
            return exit_not_run;
        }
    }
    const bool window = options.window && live_window_open(build_profile.window_title);
    // Only a picture that someone will see is worth drawing.
    settings.drawing = window || !options.snapshot.empty() || frames_enabled();
    settings.echo = !options.quiet && !options.json;
    settings.platform = {freetype_text_out, freetype_text_centred_left, on_screen_complete, between_screens};
    settings.block_sink = on_block;
    if (options.tzx) settings.tzx_name = place.base + ".tzx";
    settings.keep_blocks = kept != nullptr;
    settings.leave_out_fragments = !options.one_pass;
    settings.second_chances = !options.one_pass;
    settings.recording = place.path;
    settings.open_recording = open_recording;
    settings.enter_output_folder = enter_output_folder;
    settings.create_output = open_in_output_folder;
    settings.fatal_error = tell_fatal_error;
    // The start-up picture comes before the run.
    canvas_startup(settings.platform, settings.drawing);

    if (options.progress) progress_begin(convert ? (place.regular && !place.standard_input ? converted_length(place.path.c_str()) : 0)
                                   : file_samples(place));
    run_started = std::chrono::steady_clock::now();
    Run run;
    current_run = &run;
    const RunResult result = run_recording(run, settings);
    current_run = nullptr;
    if (options.progress) progress_end();
    const auto close_window = [&] {
        if (options.window) live_window_close();
        if (may_draw) canvas_destroy();
    };
    if (result.stopped) {
        summary_folder(output_claim().folder);
        summary_counts(result.blocks_reported, result.checksum_errors, result.repaired_bits);
        summary_stopped();
        close_window();
        std::fputs("velliqor: stopped; the blocks recovered so far are kept\n", stderr);
        return exit_not_run;
    }
    if (!result.started) {
        close_window();
        return exit_not_run;
    }
    int status = result.status;
    if (convert && !converted_read_failure().empty()) {
        std::fprintf(stderr, "velliqor: %s\n", converted_read_failure().c_str());
    }
    // Read raw to its last byte, as it always was, but not to the end of the recording.
    if (!plain_cut.empty()) {
        std::fprintf(stderr, "velliqor: %s: %s; its bytes were read as samples up to there\n", place.path.c_str(),
                     plain_cut.c_str());
        if (status == exit_ok || status == exit_blocks_bad) status = exit_output_lost;
    }
    const bool recording_unread = result.read_error || result.too_long || !plain_cut.empty();
    if (convert && converted_samples_clipped() > 0) {
        // Named, since under -j the lines of several recordings mix.
        const long long clipped = converted_samples_clipped();
        std::fprintf(stderr, "velliqor: %s: %lld sample%s past the 16-bit range in the conversion and %s clipped\n",
                     place.path.c_str(), clipped, clipped == 1 ? " went" : "s went", clipped == 1 ? "was" : "were");
    }

    bool extras_kept = frames_all_written();
    if (!options.snapshot.empty()) {
        std::string error;
        if (!write_png_snapshot(options.snapshot.c_str(), error)) {
            std::fprintf(stderr, "velliqor: %s\n", error.c_str());
            extras_kept = false;
        }
    }
    if (options.tzx && !output_claim().folder.empty() && !write_tzx(place)) extras_kept = false;
    if (!extras_kept && (status == exit_ok || status == exit_blocks_bad)) status = exit_output_lost;
    if (!output_claim().folder.empty()) status = write_report(place, options, result, status);
    if (kept != nullptr) *kept = take_blocks(result.blocks, result.recording_end);
    std::fflush(stdout);
    summary_folder(output_claim().folder);
    summary_counts(result.blocks_reported, result.checksum_errors, result.repaired_bits);
    // Status 3 for the recording alone, with every output whole: the table says so.
    if (recording_unread && extras_kept && !result.output_lost) summary_unread();
    if (window && options.hold) hold_with_summary(result);
    close_window();
    return status;
}
