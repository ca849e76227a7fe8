// Several runs of the command line, each in a process of its own, up to -j
// at once: a batch of recordings. (A merge runs its takes on threads.)
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/linux/cli_options.h"
#include "app/linux/run_summary.h"
#include "recovery/run_recording.h"

struct Job {
    std::string recording;                 // as named on the command line
    int slot = 1;                          // of its output folder
    std::string folder;                    // the folder it is given ("" when its name gives none)
    pid_t pid = -1;
    int summary_fd = -1;                   // the child's lines (see run_summary.h)
    std::string summary_text;
    std::chrono::steady_clock::time_point started;
    double seconds = 0.0;
    int status = exit_not_run;
    int signal = 0;                        // the signal that ended the child, if one did
    bool started_once = false, done = false;
    RunSummary summary;
    std::string reason;                    // why the parent could not start it
};

// One job per recording of the command line.
std::vector<Job> jobs_of(const CliOptions& options);
// Gives every job its output folder in command-line order (the `slot` and
// `folder` of each), as their runs will claim them.
void assign_folders(std::vector<Job>& jobs, const CliOptions& options);
// Gives every job its output folder in command-line order, then runs them all,
// passing a stop on to them; returns when all have ended.
void run_jobs(std::vector<Job>& jobs, const CliOptions& options);
// The summary table, in the order of the jobs.
void print_table(const std::vector<Job>& jobs);
// The worst of their statuses, in the order 1, 3, 2, 0.
int worst_status(const std::vector<Job>& jobs);
// A stop (Ctrl+C, SIGTERM) came while the jobs ran.
bool batch_interrupted();
