#include "common/run.h"

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
#include "view/platform.h"
#include "view/screen_cycle.h"

Run::Run()
    : window(std::make_unique<SampleWindow>()),
      source(std::make_unique<SampleSource>()),
      analysis(std::make_unique<SignalAnalysis>()),
      ring(std::make_unique<PulseRing>()),
      detector(std::make_unique<PulseDetector>()),
      decoder(std::make_unique<Decoder>()),
      buffer(std::make_unique<BlockBuffer>()),
      stats(std::make_unique<DecodeStats>()),
      recorder(std::make_unique<BitRecorder>()),
      phase(std::make_unique<DataPhase>()),
      report(std::make_unique<BlockReport>()),
      log(std::make_unique<LogOutput>()),
      tap(std::make_unique<TapOutput>()),
      files(std::make_unique<OutputFiles>()),
      problems(std::make_unique<OutputProblems>()),
      screen(std::make_unique<ScreenCycle>()),
      hooks(std::make_unique<PlatformHooks>()) {}

Run::~Run() { release_run(*this); }

// The buffers and streams a run holds, given back. Streams a test left open
// are closed, not lost with their records.
void release_run(Run& run) {
    SampleWindow& window = *run.window;
    SampleSource& source = *run.source;
    BlockBuffer& buffer = *run.buffer;
    LogOutput& log = *run.log;
    TapOutput& tap = *run.tap;
    if (source.recording != nullptr) std::fclose(source.recording);
    source.recording = nullptr;
    if (log.LogFile != nullptr) std::fclose(log.LogFile);
    log.LogFile = nullptr;
    if (tap.tap_file != nullptr) std::fclose(tap.tap_file);
    tap.tap_file = nullptr;
    delete[] buffer.bytes;
    buffer.bytes = nullptr;
    delete[] buffer.weights;
    buffer.weights = nullptr;
    delete[] buffer.positions;
    buffer.positions = nullptr;
    delete[] window.slots;
    window.slots = nullptr;
}

void reset_run(Run& run) {
    release_run(run);
    *run.window = SampleWindow{};
    *run.source = SampleSource{};
    *run.analysis = SignalAnalysis{};
    *run.ring = PulseRing{};
    *run.detector = PulseDetector{};
    *run.decoder = Decoder{};
    *run.buffer = BlockBuffer{};
    *run.stats = DecodeStats{};
    *run.recorder = BitRecorder{};
    *run.phase = DataPhase{};
    *run.report = BlockReport{};
    *run.log = LogOutput{};
    *run.problems = OutputProblems{};
    *run.tap = TapOutput{};
    *run.files = OutputFiles{};
    *run.screen = ScreenCycle{};
    *run.hooks = PlatformHooks{};
    run.drawing = false;
}

