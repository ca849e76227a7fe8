#include "app/run_driver.h"

#include <cstdio>
#include <cstring>
#include <new>

#include "analysis/pulse_ring.h"
#include "analysis/signal_analyser.h"
#include "app/platform_files.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "input/sample_stream.h"
#include "output/block_report.h"
#include "output/log_file.h"
#include "output/output_files.h"
#include "output/output_problems.h"
#include "output/tap_writer.h"
#include "view/canvas.h"
#include "view/platform.h"
#include "view/screen_cycle.h"

RecoveryRun recovery_run;

namespace {
void free_buffers() {
    delete[] block_buffer.bytes;
    block_buffer.bytes = nullptr;
    delete[] block_buffer.weights;
    block_buffer.weights = nullptr;
    delete[] sample_window.slots;
    sample_window.slots = nullptr;
}

int shut_down(int status) {
    close_outputs();
    free_buffers();
    if (status != exit_ok) return status;
    if (output_problems.output_lost || sample_source.recording_read_error || sample_source.recording_too_long) return exit_output_lost;
    if (block_report.blocks_reported == 0 || block_report.checksum_errors != 0) return exit_blocks_bad;
    return exit_ok;
}

void enter_output_folder() {
    // One that can be neither made nor entered stops the run: writing beside
    // the recording instead would mix this run's files with others' and could
    // replace their TAP files.
    if (const char* error =
            platform_enter_output_folder(recovery_run.chosen_path, recovery_run.output_folder, output_files.folder)) {
        fatal_error(error);
    }
}

}  // namespace

// Every record of the core back to its start values: those its definition gives.
// Streams a test left open are closed first, not lost with their records.
void reset_program_state() {
    if (sample_source.recording != nullptr) std::fclose(sample_source.recording);
    if (log_output.LogFile != nullptr) std::fclose(log_output.LogFile);
    if (tap_output.tap_file != nullptr) std::fclose(tap_output.tap_file);
    sample_window = SampleWindow{};
    sample_source = SampleSource{};
    analysis = SignalAnalysis{};
    pulse_ring = PulseRing{};
    pulse_detector = PulseDetector{};
    decoder = Decoder{};
    block_buffer = BlockBuffer{};
    decode_stats = DecodeStats{};
    bit_recorder = BitRecorder{};
    reset_data_phase();
    block_report = BlockReport{};
    log_output = LogOutput{};
    output_problems = OutputProblems{};
    tap_output = TapOutput{};
    output_files = OutputFiles{};
    screen = ScreenCycle{};
}

void close_outputs() {
    if (log_output.LogFile != nullptr) {
        const bool failed = std::ferror(log_output.LogFile) != 0;
        if (std::fclose(log_output.LogFile) != 0 || failed) report_output_problem("writing \"Log.txt\" failed; it is incomplete");
        log_output.LogFile = nullptr;
    }
    close_tap_file();
}

void stop_run() {
    if (sample_source.recording != nullptr) std::fclose(sample_source.recording);
    sample_source.recording = nullptr;
    close_outputs();
}

int run_recording(const RunSettings& settings) {
    reset_program_state();
    drawing_enabled = settings.drawing;
    log_output.echo = settings.echo;
    platform_hooks = settings.platform;
    output_files.create = settings.create_output;
    block_report.sink = settings.block_sink;
    SampleWindow& w = sample_window;
    w.slots = new (std::nothrow) float[window_slots]();  // the 4000 slots of history start at 0.0
    if (w.slots == nullptr) {
        std::fputs(text_no_memory, stdout);
        return shut_down(exit_not_run);
    }
    block_buffer.bytes = new (std::nothrow) std::uint8_t[block_buffer_size]();
    if (block_buffer.bytes == nullptr) {
        std::fputs(text_no_memory, stdout);
        return shut_down(exit_not_run);
    }
    // What the decoder knows of each bit is kept only for a front end that keeps the blocks.
    if (settings.block_sink != nullptr) {
        block_buffer.weights = new (std::nothrow) std::uint8_t[static_cast<std::size_t>(block_buffer_size) * 8]();
        if (block_buffer.weights == nullptr) {
            std::fputs(text_no_memory, stdout);
            return shut_down(exit_not_run);
        }
    }
    // A recording placed later in the positions' range (tests) moves the window and the view there.
    w.origin_offset += 2 * settings.first_sample_index;
    screen.Disp += 4 * settings.first_sample_index;

    platform_choose_recording(recovery_run.chosen_path);
    if (std::strlen(recovery_run.chosen_path) >= path_size - 1) fatal_error(text_path_too_long);
    sample_source.recording = platform_open_recording(recovery_run.chosen_path);
    if (sample_source.recording == nullptr) fatal_error(text_file_not_found);
    enter_output_folder();
    log_output.LogFile = create_output_file("Log.txt", true);  // line ends are written as CR LF by the log itself
    if (log_output.LogFile == nullptr) fatal_error(text_no_log);

    // Every start value is its record's own (reset_program_state); the cursor
    // is at the first sample.
    read_samples(history_slots);
    level_lane_reset();

    for (;;) {
        const PulseResult r = decode_block(block_report.header_seen);
        finish_block();
        if (r == end_of_data) break;
    }
    std::fclose(sample_source.recording);
    sample_source.recording = nullptr;
    if (sample_source.recording_read_error) {
        std::fprintf(stderr, "velliqor: reading the recording failed after %d samples; the run ended there\n",
                     absolute_index(sample_window.data_end));
    }
    if (sample_source.recording_too_long) {
        std::fprintf(stderr,
                     "velliqor: the recording is longer than %lld samples (12 h 25 min at 48,000 a second); "
                     "it was read up to there and the rest is left out\n",
                     static_cast<long long>(last_sample_index + 1));
    }
    return shut_down(exit_ok);
}
