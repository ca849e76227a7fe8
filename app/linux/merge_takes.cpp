// `velliqor --merge TAKE...`: every take is decoded as a single run would,
// into its usual output folder, in parallel; each run also keeps its blocks
// with what the decoder knew of every bit. Then the blocks are matched across
// takes, combined, and written like a run's output into NAME-merged, the
// first readable take's folder with "-merged" added.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/linux/batch.h"
#include "app/linux/cli_options.h"
#include "app/linux/merged_output.h"
#include "app/linux/take_blocks.h"
#include "recovery/run_recording.h"
#include "merge/match.h"

namespace {
constexpr double least_matched_share = 0.5;  // fewer blocks held by two takes (noise fragments aside): not one tape

std::string temporary_folder() {
    const char* t = std::getenv("TMPDIR");
    return t != nullptr && *t != '\0' ? t : "/tmp";
}

// A file for one take's blocks, unlinked at once: nothing is left behind
// however the merge ends. -1 with `error` when the folder will not have it.
int kept_blocks_file(const std::string& folder, std::string& error) {
    std::string name = folder + "/velliqor-take-XXXXXX";
    const int fd = mkstemp(name.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return -1;
    }
    unlink(name.c_str());
    fcntl(fd, F_SETFD, FD_CLOEXEC);  // only the take's own run gets it
    return fd;
}

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
                                 const std::string& temporary) {
    std::vector<Take> takes;
    for (std::size_t k = 0; k < jobs.size(); ++k) {
        Take take;
        take.number = numbers[k];
        take.folder = jobs[k].summary.folder;
        take.recording = jobs[k].recording;
        const char* name = jobs[k].recording.c_str();
        const std::string unread = why_unread(jobs[k]);
        if (!unread.empty()) {
            std::fprintf(stderr, "velliqor: take %d (%s) could not be read: %s; the other takes are merged\n",
                         take.number, name, unread.c_str());
        } else if (!jobs[k].summary.unkept.empty()) {
            std::fprintf(stderr,
                         "velliqor: take %d (%s): its blocks could not be kept in the temporary folder %s (%s); "
                         "the other takes are merged\n",
                         take.number, name, temporary.c_str(), jobs[k].summary.unkept.c_str());
        } else if (!read_kept_blocks(jobs[k].keep_fd, take.blocks)) {
            std::fprintf(stderr,
                         "velliqor: take %d (%s): its blocks could not be read back from the temporary folder %s; "
                         "the other takes are merged\n",
                         take.number, name, temporary.c_str());
        } else {
            takes.push_back(std::move(take));
        }
    }
    return takes;
}

void close_kept(std::vector<Job>& jobs) {
    for (Job& j : jobs) {
        if (j.keep_fd >= 0) close(j.keep_fd);
        j.keep_fd = -1;
    }
}
}  // namespace

int run_merge(const CliOptions& options) {
    const std::vector<int> numbers = distinct_takes(options.recordings);
    if (numbers.size() < 2) {
        std::fputs("velliqor: --merge needs two different takes or more; nothing merged\n", stderr);
        return exit_usage;
    }
    const std::string temporary = temporary_folder();
    std::vector<Job> jobs;
    for (int number : numbers) {
        Job job;
        job.recording = options.recordings[static_cast<std::size_t>(number - 1)];
        std::string error;
        job.keep_fd = kept_blocks_file(temporary, error);
        if (job.keep_fd < 0) {
            std::fprintf(stderr, "velliqor: cannot make a file for the merge in the temporary folder %s (TMPDIR): %s\n",
                         temporary.c_str(), error.c_str());
            close_kept(jobs);
            return exit_not_run;
        }
        jobs.push_back(std::move(job));
    }
    run_jobs(jobs, options);
    print_table(jobs);
    if (batch_interrupted()) {
        close_kept(jobs);
        std::fputs("velliqor: stopped; nothing merged\n", stderr);
        return exit_not_run;
    }
    const std::vector<Take> takes = readable_takes(jobs, numbers, temporary);
    close_kept(jobs);
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
