// Throughput of the decoding core, in seconds of audio per second of run time
// ("audio_s_per_s"), on a recording made by the project's encoder.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "analysis/pulse_ring.h"
#include "analysis/signal_analyser.h"
#include "app/linux/text_render.h"
#include "app/run_driver.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "input/sample_stream.h"
#include "tools/tape_encoder.h"
#include "view/canvas.h"
#include "view/platform.h"
#include "view/screen_cycle.h"

namespace {
constexpr double sample_rate = 48000.0;

// A tape of a program, a screen and a code block at 98 % speed with a little noise.
const std::string& bench_recording(std::size_t& samples) {
    static std::string path;
    static std::size_t count = 0;
    if (path.empty()) {
        std::vector<std::uint8_t> program(400), screen(6912), code(3000);
        for (std::size_t k = 0; k < program.size(); ++k) program[k] = static_cast<std::uint8_t>(k * 7);
        for (std::size_t k = 0; k < screen.size(); ++k) screen[k] = static_cast<std::uint8_t>((k * 13) ^ (k >> 5));
        for (std::size_t k = 0; k < code.size(); ++k) code[k] = static_cast<std::uint8_t>(k * 31 + 3);
        EncoderOptions options;
        options.speed = 0.98;
        options.noise = 400;
        const std::vector<std::int16_t> s = encode_blocks(
            {make_header(0, "bench", 400, 10, 400), make_data_block(0xFF, program), make_header(3, "pic", 6912, 16384, 0),
             make_data_block(0xFF, screen), make_header(3, "code", 3000, 32768, 0), make_data_block(0xFF, code)},
            options);
        char dir[] = "/tmp/velliqor-bench-XXXXXX";
        path = std::string(mkdtemp(dir)) + "/bench.raw";
        write_samples(path, s, false, 48000);
        count = s.size();
    }
    samples = count;
    return path;
}

// Opens the bench recording and fills the window, as the run driver does.
void open_bench_recording(const std::string& path) {
    reset_program_state();
    sample_window.slots = new float[window_slots]();
    block_buffer.bytes = new std::uint8_t[block_buffer_size]();
    sample_source.recording = std::fopen(path.c_str(), "rb");
    read_samples(history_slots);
}

void close_bench_recording() {
    std::fclose(sample_source.recording);
    sample_source.recording = nullptr;
    delete[] sample_window.slots;
    delete[] block_buffer.bytes;
    sample_window.slots = nullptr;
    block_buffer.bytes = nullptr;
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
    drawing_enabled = true;
    platform_hooks = command_line_hooks();
    canvas_create(800, 680);
    canvas_startup();
    for (auto _ : state) {
        for (std::size_t k = 0; k < samples; ++k) {
            if (k % 23 == 0) mark_pulse(screen.x, 0xFAC800, PulseClasses{});  // a pulse marker as often as '0' cycles come
            view_step(static_cast<std::int32_t>(k + 1));
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
    drawing_enabled = false;
    canvas_create(800, 680);
    for (auto _ : state) {
        open_bench_recording(path);
        stage();
        close_bench_recording();
    }
    canvas_destroy();
    count_audio(state, samples);
}

// The signal analysis alone: one step per sample with the window length of the data phase.
void BM_Analysis(benchmark::State& state) {
    bench_stage(state, [] {
        analysis.window_length = 23;
        while (sample_window.cursor < sample_window.data_end) {
            analyse_step();
            if (sample_window.cursor >= slide_threshold) slide_window();
        }
    });
}
BENCHMARK(BM_Analysis)->Unit(benchmark::kMillisecond);

// The analysis and the pulse detector alone, with the decoder's search values.
void BM_AnalysisAndDetection(benchmark::State& state) {
    bench_stage(state, [] {
        while (next_pulse() != end_of_data) {
        }
    });
}
BENCHMARK(BM_AnalysisAndDetection)->Unit(benchmark::kMillisecond);

// Analysis, detection and decoding of every block, without the report and the files.
void BM_Decoding(benchmark::State& state) {
    bench_stage(state, [] {
        while (decode_block(false) != end_of_data) {
        }
    });
}
BENCHMARK(BM_Decoding)->Unit(benchmark::kMillisecond);

// The whole run, as the command line makes it: decoding, log, TAP files, and the live view if drawn.
void BM_WholeRun(benchmark::State& state) {
    std::size_t samples = 0;
    const std::string& path = bench_recording(samples);
    const std::string folder = path.substr(0, path.rfind('/'));
    drawing_enabled = state.range(0) != 0;
    canvas_create(800, 680);
    for (auto _ : state) {
        if (chdir(folder.c_str()) != 0) state.SkipWithError("cannot enter the recording's folder");
        reset_program_state();
        std::snprintf(recovery_run.chosen_path, path_size, "%s", path.c_str());
        RunSettings settings;
        settings.drawing = drawing_enabled;
        settings.platform = command_line_hooks();
        benchmark::DoNotOptimize(run_recording(settings));
    }
    canvas_destroy();
    state.SetLabel(drawing_enabled ? "live view drawn" : "no drawing");
    count_audio(state, samples);
}
BENCHMARK(BM_WholeRun)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);
}  // namespace
