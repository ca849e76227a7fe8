// `velliqor --merge TAKE...`: every take is decoded as a single run would,
// into its usual output folder, in parallel; each run also keeps its blocks
// with what the decoder knew of every bit. Then the blocks are matched across
// takes, combined, and written like a run's output into NAME-merged, the
// first take's folder with "-merged" added.
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
#include "app/linux/files_linux.h"
#include "app/linux/take_blocks.h"
#include "app/run_driver.h"
#include "merge/match.h"
#include "merge/merge.h"
#include "output/block_report.h"
#include "output/log_file.h"
#include "output/output_problems.h"
#include "output/tap_writer.h"

namespace {
constexpr double least_matched_share = 0.5;  // fewer blocks held by two takes: not one tape

struct Take {
    int number = 0;                 // 1-based, as on the command line
    std::vector<TakeBlock> blocks;
};

struct MergeCounts {
    int blocks = 0, agreed = 0, one_take = 0, voted = 0, failing = 0;
};

BlockInfo info_of(const TakeBlock& b) {
    BlockInfo info;
    info.flag = b.bytes.empty() ? 0 : b.bytes[0];
    info.length = static_cast<std::int32_t>(b.bytes.size());
    if (b.bytes.size() == header_length && b.bytes[0] == 0x00) info.header = b.bytes;
    return info;
}

// The takes whose runs left their blocks; the others are told of.
std::vector<Take> readable_takes(const std::vector<Job>& jobs, const std::string& folder) {
    std::vector<Take> takes;
    for (std::size_t k = 0; k < jobs.size(); ++k) {
        Take take;
        take.number = static_cast<int>(k) + 1;
        const bool ran = jobs[k].status == exit_ok || jobs[k].status == exit_blocks_bad || jobs[k].status == exit_output_lost;
        if (ran && read_kept_blocks(folder + "/take-" + std::to_string(k), take.blocks)) {
            takes.push_back(std::move(take));
        } else {
            std::fprintf(stderr, "velliqor: take %d (%s) could not be read; the other takes are merged\n", take.number,
                         jobs[k].recording.c_str());
        }
    }
    return takes;
}

// "Checksum: OK" or "Checksum: Error" of the take's line, made the merged block's verdict.
std::string with_verdict(std::string line, bool passes) {
    const std::size_t at = line.find("Checksum: ");
    if (at == std::string::npos) return line;
    const std::size_t end = line.find(',', at);
    return line.substr(0, at) + "Checksum: " + (passes ? "OK" : "Error") + (end == std::string::npos ? "" : line.substr(end));
}

// Where the block came from, for the archivist reading the log.
std::string provenance(const std::vector<int>& holders, const MergedBlock& m) {
    std::string text = ", Takes: ";
    for (std::size_t k = 0; k < holders.size(); ++k) text += (k == 0 ? "" : "+") + std::to_string(holders[k]);
    if (holders.size() == 1) return text + ", Alone";
    switch (m.source) {
    case MergeSource::agreed: return text + ", Agreed";
    case MergeSource::one_take: return text + ", From take " + std::to_string(m.from_take);
    case MergeSource::voted: return text + ", Voted: " + std::to_string(m.contested_bits) + " bits";
    case MergeSource::repaired: return text + ", Voted: " + std::to_string(m.contested_bits) + " bits, Repaired";
    case MergeSource::failed: break;
    }
    return text + ", Voted: " + std::to_string(m.contested_bits) + " bits, Failed";
}

// One block of the merged tape: combined, stored as a run stores it, and its line logged.
void write_merged_block(const std::vector<Take>& takes, const MatchedBlock& group, MergeCounts& counts) {
    std::vector<TakeCopy> copies;
    std::vector<int> holders;
    const TakeBlock* first = nullptr;
    for (std::size_t t = 0; t < group.size(); ++t) {
        if (group[t] < 0) continue;
        const TakeBlock& b = takes[t].blocks[static_cast<std::size_t>(group[t])];
        if (first == nullptr) first = &b;
        copies.push_back(TakeCopy{takes[t].number, bits_of(b.bytes), b.weights});
        holders.push_back(takes[t].number);
    }
    const MergedBlock m = merge_block(copies);
    const std::vector<std::uint8_t>& bytes = m.bytes;
    const std::int32_t n = static_cast<std::int32_t>(bytes.size());
    // A program header names the TAP file of the blocks that follow, as in a run.
    if (n == header_length && bytes[0] == 0x00 && bytes[1] == 0) set_tap_name(bytes.data() + 2, 10);
    write_tap_record(bytes.data(), n);
    log_write((with_verdict(first->line, m.passes) + provenance(holders, m) + "\n").c_str());
    log_flush();
    ++counts.blocks;
    counts.agreed += m.source == MergeSource::agreed ? 1 : 0;
    counts.one_take += m.source == MergeSource::one_take ? 1 : 0;
    counts.voted += m.source == MergeSource::voted || m.source == MergeSource::repaired ? 1 : 0;
    counts.failing += m.passes ? 0 : 1;
}

// Writes the merged tape into `folder`; returns the exit status it earns.
int write_merged(const std::vector<Take>& takes, const std::vector<MatchedBlock>& groups, const std::string& folder,
                 const CliOptions& options) {
    if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "velliqor: cannot make %s: %s\n", folder.c_str(), std::strerror(errno));
        return exit_not_run;
    }
    if (chdir(folder.c_str()) != 0) {
        std::fprintf(stderr, "velliqor: cannot enter %s: %s\n", folder.c_str(), std::strerror(errno));
        return exit_not_run;
    }
    reset_program_state();
    output_files.create = linux_create_output;
    log_output.LogFile = linux_create_output("Log.txt", true);
    if (log_output.LogFile == nullptr) {
        std::fprintf(stderr, "velliqor: cannot write %s/Log.txt: %s\n", folder.c_str(), std::strerror(errno));
        return exit_not_run;
    }
    log_output.echo = !options.quiet;
    MergeCounts counts;
    for (const MatchedBlock& group : groups) write_merged_block(takes, group, counts);
    char summary[256];
    std::snprintf(summary, sizeof summary,
                  "\n*** Merged %d blocks of %zu takes: %d agreed, %d from one take, %d voted, %d still failing ***\n",
                  counts.blocks, takes.size(), counts.agreed, counts.one_take, counts.voted, counts.failing);
    log_write(summary);
    close_tap_file();
    const bool log_failed = std::ferror(log_output.LogFile) != 0;
    if (std::fclose(log_output.LogFile) != 0 || log_failed) report_output_problem("writing the merged \"Log.txt\" failed");
    log_output.LogFile = nullptr;
    if (options.quiet) std::fputs(summary + 1, stdout);
    std::printf("Merged into %s\n", folder.c_str());
    if (output_problems.output_lost) return exit_output_lost;
    return counts.blocks == 0 || counts.failing > 0 ? exit_blocks_bad : exit_ok;
}

void remove_kept(const std::string& folder, std::size_t takes) {
    for (std::size_t k = 0; k < takes; ++k) std::remove((folder + "/take-" + std::to_string(k)).c_str());
    rmdir(folder.c_str());
}
}  // namespace

int run_merge(const CliOptions& options) {
    char pattern[] = "/tmp/velliqor-merge-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        std::fprintf(stderr, "velliqor: cannot make a temporary folder for the merge: %s\n", std::strerror(errno));
        return exit_not_run;
    }
    const std::string kept = pattern;
    std::vector<Job> jobs = jobs_of(options);
    for (std::size_t k = 0; k < jobs.size(); ++k) jobs[k].extra_args = {"--keep-blocks", kept + "/take-" + std::to_string(k)};
    run_jobs(jobs, options);
    print_table(jobs);
    if (batch_interrupted()) {
        remove_kept(kept, jobs.size());
        std::fputs("velliqor: stopped; nothing merged\n", stderr);
        return exit_not_run;
    }
    const std::vector<Take> takes = readable_takes(jobs, kept);
    remove_kept(kept, jobs.size());
    if (takes.size() < 2) {
        std::fputs("velliqor: fewer than two takes could be read; nothing merged\n", stderr);
        return exit_not_run;
    }
    std::vector<std::vector<BlockInfo>> infos;
    for (const Take& t : takes) {
        infos.emplace_back();
        for (const TakeBlock& b : t.blocks) infos.back().push_back(info_of(b));
        if (!infos.back().empty()) infos.back().back().last = true;
    }
    const std::vector<MatchedBlock> groups = match_blocks(infos);
    if (matched_share(groups) < least_matched_share) {
        std::fprintf(stderr,
                     "velliqor: the takes do not seem to be of one tape: only %.0f %% of the blocks are held by two "
                     "takes or more; nothing merged\n",
                     100.0 * matched_share(groups));
        return exit_not_run;
    }
    const Job& first = jobs.front();
    const std::string first_folder = !first.summary.folder.empty() ? first.summary.folder : first.folder;
    if (first_folder.empty()) {
        std::fputs("velliqor: the first take has no output folder to name the merge after; nothing merged\n", stderr);
        return exit_not_run;
    }
    return write_merged(takes, groups, first_folder + "-merged", options);
}
