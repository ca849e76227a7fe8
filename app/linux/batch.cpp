// Several recordings in one command: each is a complete, independent run in a
// process of its own, up to -j at once, and a summary table at the end in the
// order of the command line.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <string>
#include <vector>

#include "app/linux/cli_options.h"
#include "app/run_driver.h"

namespace {
struct Job {
    std::string recording;
    pid_t pid = -1;
    int counts_fd = -1;                       // the child writes "blocks errors repaired"
    std::chrono::steady_clock::time_point started;
    double seconds = 0.0;
    int status = exit_not_run;
    bool done = false;
    int blocks = -1, errors = -1, repaired = -1;  // -1: the run told nothing
};

volatile std::sig_atomic_t interrupted = 0;
void note_interrupt(int) { interrupted = 1; }

std::string own_program() {
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<std::size_t>(n)) : "velliqor";
}

const char* channel_name(ChannelChoice c) {
    return c == ChannelChoice::left ? "left" : c == ChannelChoice::right ? "right" : "mix";
}

void start(Job& job, const CliOptions& options, const std::string& program) {
    int fds[2];
    if (pipe(fds) != 0) return;
    job.started = std::chrono::steady_clock::now();
    job.pid = fork();
    if (job.pid == 0) {
        close(fds[0]);
        std::vector<std::string> args{program, "--no-window", "--quiet", "--summary-fd", std::to_string(fds[1])};
        if (options.convert) args.insert(args.end(), {"--convert", "--channel", channel_name(options.channel)});
        if (!options.out.empty()) args.insert(args.end(), {"--out", options.out});
        args.push_back(job.recording);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(exit_not_run);
    }
    close(fds[1]);
    job.counts_fd = fds[0];
}

void finish(Job& job, int wait_status) {
    job.done = true;
    job.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - job.started).count();
    job.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : exit_not_run;
    char text[96] = {};
    const ssize_t n = read(job.counts_fd, text, sizeof text - 1);
    close(job.counts_fd);
    if (n > 0) std::sscanf(text, "%d %d %d", &job.blocks, &job.errors, &job.repaired);
}

// Worst first: could not run or stopped, output lost, bad blocks, all good.
int severity(int status) {
    switch (status) {
    case exit_ok: return 0;
    case exit_blocks_bad: return 1;
    case exit_output_lost: return 2;
    default: return 3;
    }
}

const char* verdict(const Job& job) {
    switch (job.status) {
    case exit_ok: return "ok";
    case exit_blocks_bad: return job.blocks == 0 ? "no blocks" : "checksum errors";
    case exit_output_lost: return "output lost";
    default: return "not run";
    }
}

void show_progress(const std::vector<Job>& jobs, bool on_terminal) {
    if (!on_terminal) return;
    int done = 0;
    std::string running;
    for (const Job& j : jobs) {
        if (j.done) ++done;
        else if (j.pid > 0) running += " " + j.recording.substr(j.recording.find_last_of('/') + 1);
    }
    std::fprintf(stderr, "\r\033[K%d of %zu done; running:%s", done, jobs.size(), running.c_str());
    std::fflush(stderr);
}

void print_table(const std::vector<Job>& jobs) {
    std::size_t width = 9;
    for (const Job& j : jobs) width = std::max(width, j.recording.size());
    std::printf("%-*s  %6s  %6s  %8s  %8s  %s\n", static_cast<int>(width), "recording", "blocks", "errors", "repaired",
                "time", "status");
    for (const Job& j : jobs) {
        const auto count = [](int v) { return v < 0 ? std::string("-") : std::to_string(v); };
        std::printf("%-*s  %6s  %6s  %8s  %6.2f s  %s\n", static_cast<int>(width), j.recording.c_str(),
                    count(j.blocks).c_str(), count(j.errors).c_str(), count(j.repaired).c_str(), j.seconds,
                    verdict(j));
    }
}
}  // namespace

int run_batch(const CliOptions& options, const char*) {
    const std::string program = own_program();
    std::vector<Job> jobs;
    for (const std::string& r : options.recordings) {
        Job job;
        job.recording = r;
        jobs.push_back(job);
    }
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    const std::size_t at_once = options.jobs > 0 ? static_cast<std::size_t>(options.jobs) : static_cast<std::size_t>(cores > 0 ? cores : 1);
    const bool on_terminal = isatty(STDERR_FILENO) != 0;

    // Ctrl+C reaches the children too; they keep what they recovered, and the table still comes.
    struct sigaction action {};
    action.sa_handler = note_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::size_t next = 0, running = 0;
    while (next < jobs.size() || running > 0) {
        while (interrupted == 0 && running < at_once && next < jobs.size()) {
            start(jobs[next++], options, program);
            ++running;
        }
        show_progress(jobs, on_terminal);
        int wait_status = 0;
        const pid_t pid = waitpid(-1, &wait_status, 0);
        if (pid < 0) {
            if (errno == EINTR) continue;
            break;
        }
        for (Job& j : jobs) {
            if (j.pid == pid && !j.done) {
                finish(j, wait_status);
                --running;
            }
        }
        if (interrupted != 0 && running == 0) break;
    }
    if (on_terminal) std::fputs("\r\033[K", stderr);

    print_table(jobs);
    int worst = exit_ok;
    for (const Job& j : jobs) {
        if (severity(j.status) > severity(worst)) worst = j.status;
    }
    return worst;
}
