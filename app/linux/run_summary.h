// A batch's child tells the parent how its run went, a line at a time through
// a pipe (a merge's take, run on a thread, into a string), so that the summary table can show every run's counts, its output
// folder and, when it did not finish, why:
//   folder PATH            the output folder claimed
//   counts B E R           blocks reported, checksum errors, '0' bits repaired
//   stopped                the run was stopped (the counts are what it recovered)
//   unread                 the recording was not read to its end (cut short, a read
//                          error, too long), and that alone made the status 3
//   error TEXT             the run could not start, and why
//   report PATH            the run's JSON report
#pragma once

#include <string>

// Where the lines go: the pipe the parent gave (--summary-fd), or -1 for none.
void summary_begin(int fd);
// This thread's lines also go into `lines` (null: no more).
void summary_collect(std::string* lines);
void summary_folder(const std::string& path);
void summary_counts(int blocks, int errors, int repaired);
void summary_stopped();
void summary_unread();
void summary_error(const std::string& text);
void summary_report(const std::string& path);

// What the parent reads back.
struct RunSummary {
    std::string folder;
    int blocks = -1, errors = -1, repaired = -1;  // -1: the run told nothing
    bool stopped = false;
    bool unread = false;
    std::string error;
    std::string report;  // the JSON report's path; empty: none written
};
void parse_summary(const std::string& text, RunSummary& summary);
