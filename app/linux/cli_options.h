// What the command line was asked to do.
#pragma once

#include <string>
#include <vector>

#include "app/linux/audio_convert.h"
#include "app/linux/take_blocks.h"

// A usage error (an unknown option, a missing or bad value, options that do
// not go together): nothing was run. Apart from the run statuses 0 to 3, so
// that a script can tell a mistyped command from a recording that failed.
constexpr int exit_usage = 64;

struct CliOptions {
    std::vector<std::string> recordings;  // "-" is standard input
    std::string snapshot;             // --snapshot FILE.png (absolute)
    std::string frames;               // --frames DIR (absolute)
    int frames_every = 1;             // --frames-every N: one frame every N seconds of recording
    std::string out;                  // --out DIR: output folders go there (absolute)
    bool convert = false;             // --convert
    bool raw = false;                 // --raw: read the bytes as samples whatever a header says
    bool channel_given = false;       // --channel was given
    ChannelChoice channel = ChannelChoice::left;
    bool window = true;               // not --no-window
    bool hold = true;                 // not --no-hold
    bool quiet = false;               // --quiet: no log lines on standard output
    bool json = false;                // --json: each run's report on standard output, in place of the log lines
    double pace = 0.0;                // --pace X; 0: as fast as it goes
    int jobs = 0;                     // -j N; 0: one per core
    // Set by a batch for its children only, never from the command line (see child_run.h):
    int summary_fd = -1;              // where the child reports its counts, a stop or its error
    int output_slot = 1;              // the output folder's first candidate: 1 "name", 2 "name-2", ...
    bool merge = false;               // --merge: the recordings are takes of one tape
    bool tzx = false;                 // --tzx: also a TZX file of the recovered blocks
    bool one_pass = true;             // the reference reading; the main command sets it off unless --one-pass
    bool progress = true;             // show progress on a terminal; not for a merge's takes, which the merge shows
};

// Reads the options into `options`; returns -1 to go on, or the exit status
// (0 after --help or --version, exit_usage after a usage error).
int parse_cli_options(int argc, char** argv, CliOptions& options);

// One recording, in this process; on this thread alone, so that a merge can
// run its takes at once. `kept`, when given, gets the blocks for a merge.
int run_one(const CliOptions& options, const std::string& recording, std::vector<TakeBlock>* kept = nullptr);
// Several recordings, each in a process of its own; prints the summary table.
int run_batch(const CliOptions& options);
// Several takes of one tape: each decoded as a single run, then merged.
int run_merge(const CliOptions& options);

// `path` made absolute against the folder the command was started in.
std::string absolute_path(const std::string& path);
