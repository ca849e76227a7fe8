#include "recovery/run_recording.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "analysis/pulse_ring.h"
#include "analysis/signal_analyser.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "input/sample_stream.h"
#include "output/block_report.h"
#include "output/log_file.h"
#include "output/output_files.h"
#include "output/output_problems.h"
#include "output/tap_writer.h"
#include "recovery/second_chance.h"
#include "view/platform.h"
#include "view/screen_cycle.h"

namespace {
RunResult shut_down(Run& run, RunResult result) {
    SampleSource& source = *run.source;
    BlockReport& report = *run.report;
    OutputProblems& problems = *run.problems;
    close_outputs(run);
    release_run(run);
    result.blocks_reported = report.blocks_reported;
    result.checksum_errors = report.checksum_errors;
    result.repaired_bits = report.repaired_bits;
    result.fragments = report.fragments;
    result.second_chances = report.second_chances;
    result.output_lost = problems.output_lost;
    result.output_problems = problems.output_problem_text;
    result.read_error = source.recording_read_error;
    result.too_long = source.recording_too_long;
    if (!result.started || result.stopped) {
        result.status = exit_not_run;
    } else if (result.output_lost || result.read_error || result.too_long) {
        result.status = exit_output_lost;
    } else if (result.blocks_reported == 0 || result.checksum_errors != 0) {
        result.status = exit_blocks_bad;
    } else {
        result.status = exit_ok;
    }
    return result;
}

RunResult not_started(Run& run, const RunSettings& settings, RunResult result, const char* error) {
    if (settings.fatal_error) settings.fatal_error(error);
    return shut_down(run, std::move(result));
}

bool allocate_buffers(Run& run, bool weights) {
    SampleWindow& window = *run.window;
    BlockBuffer& buffer = *run.buffer;
    window.slots = new (std::nothrow) float[window_slots]();  // the 4000 slots of history start at 0.0
    buffer.bytes = new (std::nothrow) std::uint8_t[block_buffer_size]();
    // What the decoder knows of each bit is kept only for a front end that keeps the blocks.
    if (weights) {
        buffer.weights = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(block_buffer_size) * 8]();
        buffer.positions = new (std::nothrow) std::int32_t[static_cast<std::size_t>(block_buffer_size) * 8]();
    }
    return window.slots != nullptr && buffer.bytes != nullptr &&
           (!weights || (buffer.weights != nullptr && buffer.positions != nullptr));
}
}  // namespace

void close_outputs(Run& run) {
    LogOutput& log = *run.log;
    if (log.LogFile != nullptr) {
        const bool failed = std::ferror(log.LogFile) != 0;
        if (std::fclose(log.LogFile) != 0 || failed) report_output_problem(run, "writing \"Log.txt\" failed; it is incomplete");
        log.LogFile = nullptr;
    }
    close_tap_file(run);
}

RunResult run_recording(Run& run, const RunSettings& settings) {
    SampleSource& source = *run.source;
    BlockReport& report = *run.report;
    ScreenCycle& screen = *run.screen;
    reset_run(run);
    run.drawing = settings.drawing;
    run.log->echo = settings.echo;
    *run.hooks = settings.platform;
    run.files->create = settings.create_output;
    screen.W = settings.screen_width;
    report.leave_out_fragments = settings.leave_out_fragments;
    report.tzx_name = settings.tzx_name;
    if (settings.second_chances) {
        run.source->keep_samples = true;
        run.source->kept_from = settings.first_sample_index;
        report.second_chance = read_by_zero_crossings_again;
    }
    RunResult result;
    const bool keep = settings.keep_blocks;
    report.sink = [&settings, &result, keep](const Block& b) {
        if (settings.block_sink) settings.block_sink(b);
        if (keep) result.blocks.push_back(b);
    };
    if (!allocate_buffers(run, keep || settings.block_sink)) {
        std::fputs(settings.text_no_memory, stdout);
        return shut_down(run, std::move(result));
    }
    // A recording placed later in the positions' range (tests) moves the window and the view there.
    run.window->origin_offset += 2 * settings.first_sample_index;
    screen.Disp += 4 * settings.first_sample_index;

    char chosen[path_size] = "";
    if (settings.choose_recording) {
        settings.choose_recording(chosen);
    } else if (settings.recording.size() < path_size) {
        std::memcpy(chosen, settings.recording.c_str(), settings.recording.size() + 1);
    } else {
        std::memcpy(chosen, settings.recording.c_str(), path_size - 1);
    }
    result.chosen_path = chosen;
    if (std::strlen(chosen) >= path_size - 1) return not_started(run, settings, std::move(result), text_path_too_long);
    std::string open_error;
    source.recording = settings.open_recording ? settings.open_recording(chosen, open_error) : std::fopen(chosen, "rb");
    if (source.recording == nullptr) {
        return not_started(run, settings, std::move(result),
                           open_error.empty() ? settings.text_file_not_found : open_error.c_str());
    }
    // One that can be neither made nor entered stops the run: writing beside
    // the recording instead would mix this run's files with others' and could
    // replace their TAP files.
    char folder[path_size] = "";
    if (settings.enter_output_folder) {
        if (const char* error = settings.enter_output_folder(chosen, folder, run.files->folder)) {
            return not_started(run, settings, std::move(result), error);
        }
    }
    result.output_folder = folder;
    run.log->LogFile = create_output_file(run, "Log.txt", true);  // line ends are written as CR LF by the log itself
    if (run.log->LogFile == nullptr) return not_started(run, settings, std::move(result), text_no_log);
    result.started = true;

    // Every start value is its record's own (reset_run); the cursor is at the first sample.
    try {
        read_samples(run, history_slots);
        level_lane_reset(run);
        for (;;) {
            const PulseResult r = decode_block(run, report.header_seen);
            finish_block(run);
            if (r == end_of_data) break;
        }
        // The blocks a second reading gave, counted where the log ends.
        if (report.second_chances > 0) {
            log_printf(run, "\n*** Second pass: %d block%s read again by zero crossings ***\n", report.second_chances,
                       report.second_chances == 1 ? "" : "s");
        }
    } catch (const RunStopped&) {
        // The user quit: the blocks reported so far stay as they were written.
        result.stopped = true;
    }
    result.recording_end = absolute_index(run, run.window->data_end);
    std::fclose(source.recording);
    source.recording = nullptr;
    if (!result.stopped && source.recording_read_error) {
        std::fprintf(stderr, "velliqor: reading the recording failed after %d samples; the run ended there\n",
                     result.recording_end);
    }
    if (!result.stopped && source.recording_too_long) {
        std::fprintf(stderr,
                     "velliqor: the recording is longer than %lld samples (12 h 25 min at 48,000 a second); "
                     "it was read up to there and the rest is left out\n",
                     static_cast<long long>(last_sample_index + 1));
    }
    return shut_down(run, std::move(result));
}
