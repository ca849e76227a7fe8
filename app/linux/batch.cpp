// Several recordings in one command: each is a complete, independent run in a
// process of its own, up to -j at once, and a summary table at the end in the
// order of the command line. The parent gives every run its output folder
// before any starts, in command-line order, so that two recordings of the same
// name get NAME and NAME-2 whichever finishes first; two runs of the same
// recording share a folder and run one after the other.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/linux/batch.h"
#include "app/linux/child_run.h"
#include "app/linux/cli_options.h"
#include "app/linux/output_claim.h"
#include "app/linux/recording_place.h"
#include "app/linux/run_summary.h"
#include "recovery/run_recording.h"

namespace {

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

}  // namespace

void assign_folders(std::vector<Job>& jobs, const CliOptions& options) {
    std::map<std::string, std::string> owners;  // folder given -> its recording
    for (Job& job : jobs) {
        RecordingPlace place;
        std::string error;
        if (!place_recording(job.recording, options.out, place, error)) continue;  // the run itself says why
        std::set<std::string> others;
        for (const auto& [folder, owner] : owners) {
            if (owner != place.owner) others.insert(folder);
        }
        const int slot = find_output_slot(place.parent, place.base, place.owner, place.standard_input, 1, others);
        if (slot == 0) continue;
        job.slot = slot;
        job.folder = place.parent + "/" + slot_name(place.base, slot);
        owners.emplace(job.folder, place.owner);
    }
}

namespace {
// False when the system has no room for another process or pipe just now.
bool start(Job& job, const CliOptions& options, const std::string& program) {
    int fds[2];
    if (pipe(fds) != 0) {
        job.reason = std::string("cannot start: ") + std::strerror(errno);
        return false;
    }
    fcntl(fds[0], F_SETFD, FD_CLOEXEC);  // later children must not hold it open
    job.started = std::chrono::steady_clock::now();
    job.pid = fork();
    if (job.pid < 0) {
        job.reason = std::string("cannot start: ") + std::strerror(errno);
        close(fds[0]);
        close(fds[1]);
        return false;
    }
    if (job.pid == 0) {
        close(fds[0]);
        // A stop passed on before the run has its handlers would end it unheard:
        // blocked across exec, it waits for them (install_stop_handlers).
        sigset_t stops;
        sigemptyset(&stops);
        sigaddset(&stops, SIGINT);
        sigaddset(&stops, SIGTERM);
        sigprocmask(SIG_BLOCK, &stops, nullptr);
        setenv(child_run_variable, child_run_text(fds[1], job.slot).c_str(), 1);
        std::vector<std::string> args{program, "--no-window", "--quiet"};
        if (options.convert) args.emplace_back("--convert");
        if (!options.raw) args.insert(args.end(), {"--channel", channel_name(options.channel)});
        if (!options.out.empty()) args.insert(args.end(), {"--out", options.out});
        if (options.tzx) args.emplace_back("--tzx");
        if (options.raw) args.emplace_back("--raw");
        if (options.one_pass) args.emplace_back("--one-pass");
        args.insert(args.end(), {"--", job.recording});
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        const std::string line = "error cannot start " + program + ": " + std::strerror(errno) + "\n";
        if (write(fds[1], line.data(), line.size()) < 0) _exit(exit_not_run);
        _exit(exit_not_run);
    }
    close(fds[1]);
    job.summary_fd = fds[0];
    job.started_once = true;
    return true;
}

void finish(Job& job, int wait_status) {
    job.done = true;
    job.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - job.started).count();
    job.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : exit_not_run;
    job.signal = WIFSIGNALED(wait_status) ? WTERMSIG(wait_status) : 0;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(job.summary_fd, buffer, sizeof buffer);
        if (n > 0) {
            job.summary_text.append(buffer, static_cast<std::size_t>(n));
        } else if (n == 0 || errno != EINTR) {
            break;
        }
    }
    close(job.summary_fd);
    parse_summary(job.summary_text, job.summary);
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

std::string verdict(const Job& job) {
    if (job.signal != 0) return "ended by signal " + std::to_string(job.signal) + " (" + strsignal(job.signal) + ")";
    switch (job.status) {
    case exit_ok: return "ok";
    case exit_blocks_bad: return job.summary.blocks == 0 ? "no blocks" : "checksum errors";
    case exit_output_lost: return job.summary.unread ? "not read to its end" : "output lost";
    default: break;
    }
    if (job.summary.stopped) return "stopped";
    if (!job.summary.error.empty()) return "not run: " + job.summary.error;
    if (!job.reason.empty()) return "not run: " + job.reason;
    return "not run";
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

// The output folder as a user would type it: relative to here when inside it.
std::string shown_folder(const std::string& folder) {
    const std::string here = absolute_path(".");
    const std::string prefix = here.substr(0, here.size() - 1);  // "/current/"
    return folder.compare(0, prefix.size(), prefix) == 0 ? folder.substr(prefix.size()) : folder;
}

}  // namespace

void print_table(const std::vector<Job>& jobs) {
    std::size_t width = 9, folder_width = 6;
    for (const Job& j : jobs) {
        width = std::max(width, j.recording.size());
        folder_width = std::max(folder_width, shown_folder(j.summary.folder).size());
    }
    std::printf("%-*s  %6s  %6s  %8s  %8s  %-*s  %s\n", static_cast<int>(width), "recording", "blocks", "errors",
                "repaired", "time", static_cast<int>(folder_width), "output", "status");
    for (const Job& j : jobs) {
        const auto count = [](int v) { return v < 0 ? std::string("-") : std::to_string(v); };
        const std::string folder = j.summary.folder.empty() ? "-" : shown_folder(j.summary.folder);
        std::printf("%-*s  %6s  %6s  %8s  %6.2f s  %-*s  %s\n", static_cast<int>(width), j.recording.c_str(),
                    count(j.summary.blocks).c_str(), count(j.summary.errors).c_str(),
                    count(j.summary.repaired).c_str(), j.seconds, static_cast<int>(folder_width), folder.c_str(),
                    verdict(j).c_str());
    }
    std::fflush(stdout);
}

namespace {
// The next job that may start: not started, and its folder not in use by a running one.
Job* next_startable(std::vector<Job>& jobs) {
    for (Job& j : jobs) {
        if (j.started_once || j.done) continue;
        const bool folder_busy = !j.folder.empty() && std::any_of(jobs.begin(), jobs.end(), [&](const Job& k) {
            return k.pid > 0 && !k.done && k.folder == j.folder;
        });
        if (!folder_busy) return &j;
    }
    return nullptr;
}

void stop_children(std::vector<Job>& jobs) {
    for (Job& j : jobs) {
        if (j.pid > 0 && !j.done) kill(j.pid, SIGTERM);
    }
}
}  // namespace

std::vector<Job> jobs_of(const CliOptions& options) {
    std::vector<Job> jobs;
    for (const std::string& r : options.recordings) {
        Job job;
        job.recording = r;
        jobs.push_back(job);
    }
    return jobs;
}

void run_jobs(std::vector<Job>& jobs, const CliOptions& options) {
    const std::string program = own_program();
    assign_folders(jobs, options);
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    const std::size_t at_once = options.jobs > 0 ? static_cast<std::size_t>(options.jobs) : static_cast<std::size_t>(cores > 0 ? cores : 1);
    const bool on_terminal = isatty(STDERR_FILENO) != 0;

    // Ctrl+C on a terminal reaches the children too; a SIGTERM to this process
    // alone is passed on to them. They keep what they recovered, and the table still comes.
    struct sigaction action {};
    action.sa_handler = note_interrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::size_t running = 0;
    bool stopping = false;
    for (;;) {
        if (interrupted != 0 && !stopping) {
            stopping = true;
            stop_children(jobs);
        }
        while (!stopping && running < at_once) {
            Job* job = next_startable(jobs);
            if (job == nullptr) break;
            if (start(*job, options, program)) {
                ++running;
                job->reason.clear();
            } else if (running == 0) {
                job->done = true;  // nothing running to make room: it cannot run
            } else {
                break;  // try again when a run has ended
            }
        }
        if (running == 0) break;
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
    }
    if (on_terminal) std::fputs("\r\033[K", stderr);
    for (Job& j : jobs) {
        if (!j.started_once && j.reason.empty()) j.reason = "the batch was stopped before it";
    }
}

bool batch_interrupted() { return interrupted != 0; }

int worst_status(const std::vector<Job>& jobs) {
    int worst = exit_ok;
    for (const Job& j : jobs) {
        if (severity(j.status) > severity(worst)) worst = j.status;
    }
    return worst;
}

// Each run's JSON report on a line of its own, in the order the recordings
// were named; a run that wrote none (it did not start) has none.
void print_reports(const std::vector<Job>& jobs) {
    for (const Job& j : jobs) {
        if (j.summary.report.empty()) continue;
        const nlohmann::ordered_json report = nlohmann::ordered_json::parse(std::ifstream(j.summary.report), nullptr, false);
        if (!report.is_discarded()) std::puts(report.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    }
    std::fflush(stdout);
}

int run_batch(const CliOptions& options) {
    std::vector<Job> jobs = jobs_of(options);
    run_jobs(jobs, options);
    if (options.json) {
        print_reports(jobs);
    } else {
        print_table(jobs);
    }
    return worst_status(jobs);
}
