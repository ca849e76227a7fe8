#include "app/linux/run_summary.h"

#include <unistd.h>

#include <cstdio>
#include <sstream>

namespace {
thread_local int summary_fd = -1;
thread_local std::string* collected = nullptr;  // a merge's take, on a thread: the lines go here

void send(const std::string& line) {
    const std::string text = line + "\n";
    if (collected != nullptr) *collected += text;
    if (summary_fd < 0) return;
    // A pipe write of this size is atomic; a parent that has gone is no reason to stop.
    if (write(summary_fd, text.data(), text.size()) < 0) summary_fd = -1;
}

std::string one_line(std::string text) {
    for (char& c : text) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return text;
}
}  // namespace

void summary_begin(int fd) { summary_fd = fd; }

void summary_collect(std::string* lines) { collected = lines; }

void summary_folder(const std::string& path) { send("folder " + one_line(path)); }

void summary_counts(int blocks, int errors, int repaired) {
    send("counts " + std::to_string(blocks) + " " + std::to_string(errors) + " " + std::to_string(repaired));
}

void summary_stopped() { send("stopped"); }

void summary_unread() { send("unread"); }

void summary_error(const std::string& text) { send("error " + one_line(text)); }

void summary_report(const std::string& path) { send("report " + one_line(path)); }


void parse_summary(const std::string& text, RunSummary& summary) {
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        const std::string word = line.substr(0, line.find(' '));
        const std::string rest = line.size() > word.size() + 1 ? line.substr(word.size() + 1) : "";
        if (word == "folder") summary.folder = rest;
        if (word == "stopped") summary.stopped = true;
        if (word == "unread") summary.unread = true;
        if (word == "error") summary.error = rest;
        if (word == "report") summary.report = rest;
        if (word == "counts") std::sscanf(rest.c_str(), "%d %d %d", &summary.blocks, &summary.errors, &summary.repaired);
    }
}
