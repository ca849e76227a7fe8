// What the command line was asked to do.
#pragma once

#include <string>
#include <vector>

#include "app/linux/audio_convert.h"

struct CliOptions {
    std::vector<std::string> recordings;
    std::string snapshot;             // --snapshot FILE.png
    std::string frames;               // --frames DIR
    int frames_every = 0;             // --frames-every N
    std::string out;                  // --out DIR: output folders go there
    bool convert = false;             // --convert
    ChannelChoice channel = ChannelChoice::left;
    bool window = true;               // not --no-window
    bool hold = true;                 // not --no-hold
    bool quiet = false;               // --quiet: no log lines on standard output
    double pace = 0.0;                // --pace X; 0: as fast as it goes
    int jobs = 0;                     // -j N; 0: one per core
    int summary_fd = -1;              // a batch run's child reports its counts here
};

// Reads the options into `options`; returns -1 to go on, or the exit status.
int parse_cli_options(int argc, char** argv, CliOptions& options);

// One recording, in this process.
int run_one(const CliOptions& options, const std::string& recording);
// Several recordings, each in a process of its own; prints the summary table.
int run_batch(const CliOptions& options, const char* program);

std::string absolute_path(const std::string& path);
