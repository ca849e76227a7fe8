// One recovery of one recording: every record of every part, in one object
// that is handed by reference from run_recording down to the smallest step.
// Two Runs share nothing, so two recordings can be recovered at once, each
// on its own thread.
//
// Each record's type belongs to its part and is declared in that part's chief
// header; here it is only named, so that a part sees the records of the parts
// it may include and no others. The records live on the heap; every one
// starts from its own start values (reset_run puts them back).
#pragma once

#include <memory>

struct SampleWindow;
struct SampleSource;
struct SignalAnalysis;
struct PulseRing;
struct PulseDetector;
struct Decoder;
struct BlockBuffer;
struct DecodeStats;
struct BitRecorder;
struct DataPhase;
struct BlockReport;
struct LogOutput;
struct TapOutput;
struct OutputFiles;
struct OutputProblems;
struct ScreenCycle;
struct PlatformHooks;

// Thrown at an end of screen when the platform's pump asks the run to stop
// (the user quits); run_recording catches it and ends the run as stopped.
struct RunStopped {};

struct Run {
    Run();   // every record at its start values (recovery/run.cpp, where all are known)
    ~Run();
    Run(const Run&) = delete;
    Run& operator=(const Run&) = delete;

    // input: the recording as a sliding window of samples
    std::unique_ptr<SampleWindow> window;
    std::unique_ptr<SampleSource> source;
    // analysis: per-sample figures, the pulses found
    std::unique_ptr<SignalAnalysis> analysis;
    std::unique_ptr<PulseRing> ring;
    std::unique_ptr<PulseDetector> detector;
    // decode: the block attempt, its bytes and figures
    std::unique_ptr<Decoder> decoder;
    std::unique_ptr<BlockBuffer> buffer;
    std::unique_ptr<DecodeStats> stats;
    std::unique_ptr<BitRecorder> recorder;
    std::unique_ptr<DataPhase> phase;
    // output: the report of each block and the files it goes to
    std::unique_ptr<BlockReport> report;
    std::unique_ptr<LogOutput> log;
    std::unique_ptr<TapOutput> tap;
    std::unique_ptr<OutputFiles> files;
    std::unique_ptr<OutputProblems> problems;
    // view: where this run stands on the screen, and how it is shown
    std::unique_ptr<ScreenCycle> screen;
    std::unique_ptr<PlatformHooks> hooks;
    // The run draws on the Canvas, the front end's one per window. A run that
    // nobody will see draws nothing, and never touches the Canvas.
    bool drawing = false;
};

// Closes the streams `run` holds and frees its buffers.
void release_run(Run& run);
// Puts every record of `run` back to its start values, releasing what it held
// first (run_recording does it; tests that drive parts of the core alone too).
void reset_run(Run& run);
