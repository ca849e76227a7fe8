// `velliqor --merge TAKE...`: every take is decoded as a single run would,
// into its usual output folder, on threads of this process; each run also
// keeps its blocks with what the decoder knew of every bit, in memory. Then the blocks are matched across
// takes, combined, and written like a run's output into NAME-merged, the
// first readable take's folder with "-merged" added.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/linux/batch.h"
#include "app/linux/cli_options.h"
#include "app/linux/merged_output.h"
#include "app/linux/run_summary.h"
#include "app/linux/stop_signal.h"
#include "app/linux/take_blocks.h"
#include "recovery/run_recording.h"
#include "merge/match.h"

namespace {
constexpr double least_matched_share = 0.5;  // fewer blocks held by two takes (noise fragments aside): not one tape

// The takes of the command line, each file once: the same file named twice,
// or under two names, is one take and not two that agree. Their 1-based
// numbers on the command line.
std::vector<int> distinct_takes(const std::vector<std::string>& recordings) {
    std::vector<int> numbers;
    std::vector<struct stat> seen;
    for (std::size_t k = 0; k < recordings.size(); ++k) {
        struct stat info {};
        const bool known = recordings[k] != "-" && stat(recordings[k].c_str(), &info) == 0;
        int same = -1;
        for (std::size_t s = 0; known && s < seen.size(); ++s) {
            if (seen[s].st_dev == info.st_dev && seen[s].st_ino == info.st_ino) same = numbers[s];
        }
        if (same > 0) {
            std::fprintf(stderr, "velliqor: take %zu (%s) is the same file as take %d (%s); it counts once\n", k + 1,
                         recordings[k].c_str(), same, recordings[static_cast<std::size_t>(same - 1)].c_str());
            continue;
        }
        numbers.push_back(static_cast<int>(k) + 1);
        struct stat unknown {};
        seen.push_back(known ? info : unknown);
    }
    return numbers;
}

// Why a take's run gave no blocks to merge; empty when it did.
std::string why_unread(const Job& job) {
    if (job.status == exit_ok || job.status == exit_blocks_bad || job.status == exit_output_lost) return "";
    if (job.signal != 0) return std::string("its run ended by signal ") + strsignal(job.signal);
    if (!job.summary.error.empty()) return job.summary.error;
    if (!job.reason.empty()) return job.reason;
    return "its run did not finish";
}

// The takes whose runs left their blocks; the others are told of.
std::vector<Take> readable_takes(const std::vector<Job>& jobs, const std::vector<int>& numbers,
                                 std::vector<std::vector<TakeBlock>>& blocks) {
    std::vector<Take> takes;
    for (std::size_t k = 0; k < jobs.size(); ++k) {
        Take take;
        take.number = numbers[k];
        take.folder = jobs[k].summary.folder;
        take.recording = jobs[k].recording;
        const std::string unread = why_unread(jobs[k]);
        if (!unread.empty()) {
            std::fprintf(stderr, "velliqor: take %d (%s) could not be read: %s; the other takes are merged\n",
                         take.number, jobs[k].recording.c_str(), unread.c_str());
            continue;
        }
        take.blocks = std::move(blocks[k]);
        takes.push_back(std::move(take));
    }
    return takes;
}

// The run of one take, as `velliqor --no-window --quiet TAKE` would make it,
// on this thread; its blocks go into `blocks`.
void run_take(Job& job, const CliOptions& options, std::vector<TakeBlock>& blocks) {
    CliOptions take = options;
    take.recordings = {job.recording};
    take.merge = false;
    take.window = false;
    take.hold = false;
    take.quiet = true;
    take.json = false;  // the merge's report is the one on standard output
    take.progress = false;
    take.pace = 0.0;
    take.snapshot.clear();
    take.frames.clear();
    take.summary_fd = -1;
    take.output_slot = job.slot;
    std::string lines;
    summary_collect(&lines);
    job.started = std::chrono::steady_clock::now();
    job.status = run_one(take, job.recording, &blocks);
    job.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - job.started).count();
    summary_collect(nullptr);
    parse_summary(lines, job.summary);
}

// Every take on a thread of this process, at most -j at once (one per core
// by default), each into its usual output folder; a stop (Ctrl+C, SIGTERM)
// ends the runs at their next screen, keeping what they recovered.
void run_takes(std::vector<Job>& jobs, const CliOptions& options, std::vector<std::vector<TakeBlock>>& blocks) {
    assign_folders(jobs, options);
    install_stop_handlers();
    const long cores = sysconf(_SC_NPROCESSORS_ONLN);
    const std::size_t limit = options.jobs > 0 ? static_cast<std::size_t>(options.jobs) : static_cast<std::size_t>(cores > 0 ? cores : 1);
    const std::size_t workers = std::min(limit, jobs.size());
    const bool on_terminal = isatty(STDERR_FILENO) != 0;
    std::atomic<std::size_t> next{0};
    std::mutex state;  // guards the jobs' started_once and done, `finished` and `active`
    std::condition_variable changed;
    std::size_t finished = 0, active = workers;
    std::vector<std::thread> threads;
    for (std::size_t w = 0; w < workers; ++w) {
        threads.emplace_back([&] {
            for (std::size_t k = next++; k < jobs.size() && !stop_requested(); k = next++) {
                {
                    std::lock_guard<std::mutex> lock(state);
                    jobs[k].started_once = true;
                }
                run_take(jobs[k], options, blocks[k]);
                std::lock_guard<std::mutex> lock(state);
                jobs[k].done = true;
                ++finished;
                changed.notify_all();
            }
            std::lock_guard<std::mutex> lock(state);
            --active;
            changed.notify_all();
        });
    }
    {
        std::unique_lock<std::mutex> lock(state);
        while (active > 0) {
            if (on_terminal) {
                std::string running;
                for (const Job& j : jobs) {
                    if (j.started_once && !j.done) running += " " + j.recording.substr(j.recording.find_last_of('/') + 1);
                }
                std::fprintf(stderr, "\r\033[K%zu of %zu done; running:%s", finished, jobs.size(), running.c_str());
                std::fflush(stderr);
            }
            changed.wait_for(lock, std::chrono::milliseconds(200));
        }
    }
    for (std::thread& t : threads) t.join();
    if (on_terminal) std::fputs("\r\033[K", stderr);
    for (Job& j : jobs) {
        if (!j.started_once) j.reason = "the merge was stopped before it";
    }
}
}  // namespace

int run_merge(const CliOptions& options) {
    const std::vector<int> numbers = distinct_takes(options.recordings);
    if (numbers.size() < 2) {
        std::fputs("velliqor: --merge needs two different takes or more; nothing merged\n", stderr);
        return exit_usage;
    }
    std::vector<Job> jobs;
    for (int number : numbers) {
        Job job;
        job.recording = options.recordings[static_cast<std::size_t>(number - 1)];
        jobs.push_back(std::move(job));
    }
    std::vector<std::vector<TakeBlock>> blocks(jobs.size());
    run_takes(jobs, options, blocks);
    if (!options.json) print_table(jobs);
    if (stop_requested()) {
        std::fputs("velliqor: stopped; nothing merged\n", stderr);
        return exit_not_run;
    }
    const std::vector<Take> takes = readable_takes(jobs, numbers, blocks);
    if (takes.size() < 2) {
        std::fputs("velliqor: fewer than two takes could be read; nothing merged\n", stderr);
        return exit_not_run;
    }
    std::vector<std::vector<BlockInfo>> infos;
    for (const Take& t : takes) {
        infos.emplace_back();
        for (const TakeBlock& b : t.blocks) infos.back().push_back(block_info(b.block.bytes));
        if (!infos.back().empty()) infos.back().back().last = true;
    }
    const std::vector<MatchedBlock> groups = match_blocks(infos);
    const double share = matched_share(groups, infos);
    if (share < least_matched_share) {
        std::fprintf(stderr,
                     "velliqor: the takes do not seem to be of one tape: only %.0f %% of the blocks (of %d bytes or "
                     "more) are held by two takes or more; nothing merged\n",
                     100.0 * share, fragment_bytes);
        return exit_not_run;
    }
    if (takes.front().folder.empty()) {
        std::fputs("velliqor: the first readable take has no output folder to name the merge after; nothing merged\n",
                   stderr);
        return exit_not_run;
    }
    return write_merged(takes, groups, takes.front().folder + "-merged", options);
}
