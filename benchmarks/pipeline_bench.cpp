// Throughput of the decoding core, in seconds of audio per second of run time
// ("audio_s_per_s"), on a recording made by the project's encoder.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "analysis/pulse_ring.h"
#include "analysis/signal_analyser.h"
#include "app/linux/files_linux.h"
#include "app/linux/output_claim.h"
#include "app/linux/text_render.h"
#include "common/run.h"
#include "recovery/run_recording.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "input/sample_stream.h"
#include "tools/tape_encoder.h"
#include "view/canvas.h"
#include "view/platform.h"
#include "view/screen_cycle.h"

namespace {
constexpr double sample_rate = 48000.0;

// A tape of a program, a screen and a code block at 98 % speed with a little
// noise; `damaged`: silent for 10 ms every half second, so that every data
// block fails and is read again.
const std::string& bench_recording(std::size_t& samples, bool damaged = false) {
    static std::string paths[2];
    static std::size_t counts[2] = {0, 0};
    std::string& path = paths[damaged];
    std::size_t& count = counts[damaged];
    if (path.empty()) {
        std::vector<std::uint8_t> program(400), screen(6912), code(3000);
        for (std::size_t k = 0; k < program.size(); ++k) program[k] = static_cast<std::uint8_t>(k * 7);
        for (std::size_t k = 0; k < screen.size(); ++k) screen[k] = static_cast<std::uint8_t>((k * 13) ^ (k >> 5));
        for (std::size_t k = 0; k < code.size(); ++k) code[k] = static_cast<std::uint8_t>(k * 31 + 3);
        EncoderOptions options;
        options.speed = 0.98;
        options.noise = 400;
        std::vector<std::int16_t> s = encode_blocks(
            {make_header(0, "bench", 400, 10, 400), make_data_block(0xFF, program), make_header(3, "pic", 6912, 16384, 0),
             make_data_block(0xFF, screen), make_header(3, "code", 3000, 32768, 0), make_data_block(0xFF, code)},
            options);
        for (std::size_t at = 24000; damaged && at + 480 < s.size(); at += 24000) std::fill_n(s.begin() + at, 480, 0);
        char dir[] = "/tmp/velliqor-bench-XXXXXX";
        path = std::string(mkdtemp(dir)) + "/bench.raw";
        write_samples(path, s, false, 48000);
        count = s.size();
    }
    samples = count;
    return path;
}

// Opens the bench recording and fills the window, as the run driver does.
void open_bench_recording(Run& run, const std::string& path) {
    reset_run(run);
    run.screen->W = 800;
    run.window->slots = new float[window_slots]();
    run.buffer->bytes = new std::uint8_t[block_buffer_size]();
    run.source->recording = std::fopen(path.c_str(), "rb");
    read_samples(run, history_slots);
}

void count_audio(benchmark::State& state, std::size_t samples) {
    state.counters["audio_s_per_s"] =
        benchmark::Counter(static_cast<double>(samples) / sample_rate, benchmark::Counter::kIsIterationInvariantRate);
}

// Text as the command line draws it, through FreeType.
PlatformHooks command_line_hooks() { return {freetype_text_out, freetype_text_centred_left, nullptr, nullptr}; }

// The screen cycle with the live view drawn: a step per sample, a screen per 800.
void BM_ScreenCycle(benchmark::State& state) {
    std::size_t samples = 0;
    bench_recording(samples);
    Run run;
    run.drawing = true;
    *run.hooks = command_line_hooks();
    run.screen->W = 800;
    canvas_create(800, 680);
    canvas_startup(*run.hooks, true);
    for (auto _ : state) {
        for (std::size_t k = 0; k < samples; ++k) {
            if (k % 23 == 0) mark_pulse(run, run.screen->x, 0xFAC800, PulseClasses{});  // a pulse marker as often as '0' cycles come
            view_step(run, static_cast<std::int32_t>(k + 1));
        }
    }
    canvas_destroy();
    count_audio(state, samples);
}
BENCHMARK(BM_ScreenCycle)->Unit(benchmark::kMillisecond);

// Runs `stage` over the whole bench recording, undrawn, once per iteration.
template <typename Stage>
void bench_stage(benchmark::State& state, Stage stage) {
    std::size_t samples = 0;
    const std::string& path = bench_recording(samples);
    canvas_create(800, 680);
    Run run;
    for (auto _ : state) {
        open_bench_recording(run, path);
        stage(run);
    }
    reset_run(run);
    canvas_destroy();
    count_audio(state, samples);
}

// The signal analysis alone: one step per sample with the window length of the data phase.
void BM_Analysis(benchmark::State& state) {
    bench_stage(state, [](Run& run) {
        run.analysis->window_length = 23;
        while (run.window->cursor < run.window->data_end) {
            analyse_step(run);
            if (run.window->cursor >= slide_threshold) slide_window(run);
        }
    });
}
BENCHMARK(BM_Analysis)->Unit(benchmark::kMillisecond);

// The analysis and the pulse detector alone, with the decoder's search values.
void BM_AnalysisAndDetection(benchmark::State& state) {
    bench_stage(state, [](Run& run) {
        while (next_pulse(run) != end_of_data) {
        }
    });
}
BENCHMARK(BM_AnalysisAndDetection)->Unit(benchmark::kMillisecond);

// Analysis, detection and decoding of every block, without the report and the files.
void BM_Decoding(benchmark::State& state) {
    bench_stage(state, [](Run& run) {
        while (decode_block(run, false) != end_of_data) {
        }
    });
}
BENCHMARK(BM_Decoding)->Unit(benchmark::kMillisecond);

// The whole run, as the command line makes it: decoding, log, TAP files, and
// the live view if drawn; one pass or with second readings of failed blocks,
// of the clean recording or of the one where every data block fails.
void BM_WholeRun(benchmark::State& state) {
    std::size_t samples = 0;
    const bool drawing = state.range(0) != 0, second_chances = state.range(1) != 0, damaged = state.range(2) != 0;
    const std::string& path = bench_recording(samples, damaged);
    const std::string folder = path.substr(0, path.rfind('/'));
    canvas_create(800, 680);
    Run run;
    for (auto _ : state) {
        if (chdir(folder.c_str()) != 0) state.SkipWithError("cannot enter the recording's folder");
        RunSettings settings;
        settings.drawing = drawing;
        settings.second_chances = second_chances;
        settings.screen_width = 800;
        settings.platform = command_line_hooks();
        settings.recording = path;
        settings.enter_output_folder = enter_output_folder;
        settings.create_output = open_in_output_folder;
        benchmark::DoNotOptimize(run_recording(run, settings));
    }
    canvas_destroy();
    state.SetLabel(std::string(drawing ? "live view drawn" : "no drawing") + (second_chances ? ", second readings" : ", one pass") +
                   (damaged ? ", every block failing" : ""));
    count_audio(state, samples);
}
BENCHMARK(BM_WholeRun)
    ->Args({0, 0, 0})
    ->Args({1, 0, 0})
    ->Args({0, 1, 0})
    ->Args({0, 0, 1})
    ->Args({0, 1, 1})
    ->Unit(benchmark::kMillisecond);
}  // namespace
