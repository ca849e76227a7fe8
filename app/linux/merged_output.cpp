#include "app/linux/merged_output.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/linux/files_linux.h"
#include "app/linux/json_report.h"
#include "app/linux/output_claim.h"
#include "app/linux/tzx_file.h"
#include "recovery/run_recording.h"
#include "common/overrun_trim.h"
#include "merge/merge.h"
#include "output/block_report.h"
#include "output/log_file.h"
#include "output/output_files.h"
#include "output/output_problems.h"
#include "output/tap_writer.h"
#include "output/tzx_writer.h"

namespace {
// How the blocks were chosen, and what the checksum says of them. A block
// counts once in the first six and, when it fails and is not a fragment, once more.
struct MergeCounts {
    int blocks = 0, agreed = 0, one_take = 0, voted = 0, alone = 0, fragments = 0;
    int failing = 0;
};

// Noise that one take alone took for a block: shorter than any block worth
// keeping, failing its checksum, and matched by no other take. It is logged
// but not stored, so the merged tape holds the tape's blocks and not each
// take's noise.
bool is_fragment(const std::vector<Take>& takes, const MatchedBlock& group) {
    const TakeBlock* only = nullptr;
    for (std::size_t t = 0; t < group.size(); ++t) {
        if (group[t] < 0) continue;
        if (only != nullptr) return false;
        only = &takes[t].blocks[static_cast<std::size_t>(group[t])];
    }
    return only != nullptr && static_cast<std::int32_t>(only->block.bytes.size()) < fragment_bytes &&
           !passes_checksum(only->block.bytes);
}

// Where the block came from, for the archivist reading the log.
std::string provenance(const std::vector<int>& holders, const MergedBlock& m, bool fragment) {
    std::string text = ", Takes: ";
    for (std::size_t k = 0; k < holders.size(); ++k) text += (k == 0 ? "" : "+") + std::to_string(holders[k]);
    if (fragment) return text + ", Fragment: not stored";
    if (holders.size() == 1) return text + ", Alone";
    switch (m.source) {
    case MergeSource::agreed: return text + ", Agreed";
    case MergeSource::one_take: return text + ", From take " + std::to_string(m.from_take);
    case MergeSource::voted: return text + ", Voted: " + std::to_string(m.contested_bits) + " bits";
    case MergeSource::failed: break;
    }
    return text + ", Voted: " + std::to_string(m.contested_bits) + " bits, Failed";
}

// How the block was chosen, as the report names it.
std::string how_chosen(const std::vector<int>& holders, const MergedBlock& m, bool fragment) {
    if (fragment) return "fragment";
    if (holders.size() == 1) return "alone";
    switch (m.source) {
    case MergeSource::agreed: return "agreed";
    case MergeSource::one_take: return "one take";
    case MergeSource::voted: return "voted";
    case MergeSource::failed: break;
    }
    return "failed";
}

void count(const MergedBlock& m, std::size_t holders, bool fragment, MergeCounts& counts) {
    ++counts.blocks;
    if (fragment) {
        ++counts.fragments;
        return;
    }
    if (holders == 1) ++counts.alone;
    else if (m.source == MergeSource::agreed) ++counts.agreed;
    else if (m.source == MergeSource::one_take) ++counts.one_take;
    else ++counts.voted;
    if (!m.passes) ++counts.failing;
}

// One block of the merged tape: combined, and reported as a run reports its
// blocks (a fragment only logged). Its figures are those of the first take
// that holds it, its bytes and verdict the merge's own. `before` is the merged
// block before it: a standard header there announces the length this one is
// trimmed to, as in a run.
Block write_merged_block(Run& run, const std::vector<Take>& takes, const MatchedBlock& group, bool fragment,
                         const std::vector<std::uint8_t>& before, MergeCounts& counts) {
    std::vector<TakeCopy> copies;
    std::vector<int> holders;
    const TakeBlock* first = nullptr;
    for (std::size_t t = 0; t < group.size(); ++t) {
        if (group[t] < 0) continue;
        const TakeBlock& k = takes[t].blocks[static_cast<std::size_t>(group[t])];
        if (first == nullptr) first = &k;
        copies.push_back(TakeCopy{takes[t].number, k.block.bits, k.block.weights, k.cut,
                                  static_cast<std::int32_t>(k.block.bytes.size())});
        holders.push_back(takes[t].number);
    }
    const bool after_header = is_standard_header(before);
    const std::int32_t announced = after_header ? before[12] | before[13] << 8 : 0;
    const MergedBlock m = merge_block(copies, [&](std::int32_t whole_bytes, std::uint8_t flag) {
        return reported_length(whole_bytes, flag, after_header, announced);
    });
    Block merged = first->block;
    merged.bytes = m.bytes;
    merged.bits = bits_of(m.bytes);
    merged.weights.clear();
    merged.positions.clear();
    merged.checksum_ok = m.passes;
    merged.second_pass.clear();  // the bytes are the merge's, whichever reading each take's were
    merged.origin = provenance(holders, m, fragment);
    merged.fragment = fragment;
    merged.takes = holders;
    merged.chosen = how_chosen(holders, m, fragment);
    if (fragment) {
        merged.tap_file.clear();
        merged.tap_record = -1;
        log_write(run, (block_line(merged) + "\n").c_str());
        log_flush(run);
    } else {
        report_block(run, merged);
    }
    count(m, holders.size(), fragment, counts);
    return merged;
}

// The silence between group g and group `next` (the next one stored) as the
// first take that holds both measured it.
std::uint16_t pause_after(const std::vector<Take>& takes, const std::vector<MatchedBlock>& groups, std::size_t g,
                          std::size_t next_group) {
    for (std::size_t t = 0; t < takes.size() && next_group < groups.size(); ++t) {
        const int here = groups[g][t], next = groups[next_group][t];
        if (here < 0 || next < 0) continue;
        return pause_between(takes[t].blocks[static_cast<std::size_t>(here)].block.end,
                             takes[t].blocks[static_cast<std::size_t>(next)].block.start);
    }
    return TzxBlock{}.pause_ms;
}

// Claims the merged folder as every output folder is claimed: its owner is
// the merge of these takes, so that a recording of that name, or a merge of
// other takes, keeps its own. Returns it open, its path in `folder` (NAME-k
// when another owns NAME); -1, said why, when it cannot be had.
int claim_merged_folder(std::string& folder, const std::vector<Take>& takes) {
    std::string owner = "merge of";
    for (const Take& t : takes) {
        const bool piped = t.recording == "-";
        owner += "\n" + recording_owner(piped ? t.recording : absolute_path(t.recording), piped);
    }
    if (folder.size() >= path_size) {
        std::fprintf(stderr, "velliqor: %s\n", text_path_too_long);
        return -1;
    }
    const std::size_t cut = folder.find_last_of('/');
    const std::string parent = folder.substr(0, cut), base = folder.substr(cut + 1);
    output_claim() = OutputClaim{};
    const int parent_fd = open_output_parent(parent);
    if (parent_fd < 0) {
        std::fprintf(stderr, "velliqor: %s (%s: %s)\n", text_no_folder, folder.c_str(), std::strerror(errno));
        return -1;
    }
    const char* error = nullptr;
    const int claimed = claim_output_folder(parent_fd, parent, base, owner, error);
    close(parent_fd);
    if (claimed < 0) {
        std::fprintf(stderr, "velliqor: %s\n", error);
        return -1;
    }
    folder = output_claim().folder;
    return claimed;
}
}  // namespace

int write_merged(const std::vector<Take>& takes, const std::vector<MatchedBlock>& groups, std::string folder,
                 const CliOptions& options) {
    const int folder_fd = claim_merged_folder(folder, takes);
    if (folder_fd < 0) return exit_not_run;
    Run run;  // no live view of a merge: it does not draw
    run.files->create = open_in_output_folder;
    run.files->folder = folder_fd;
    run.log->LogFile = create_output_file(run, "Log.txt", true);
    if (run.log->LogFile == nullptr) {
        std::fprintf(stderr, "velliqor: cannot write %s/Log.txt: %s\n", folder.c_str(), std::strerror(errno));
        return exit_not_run;
    }
    run.log->echo = !options.quiet && !options.json;
    const std::string base = folder.substr(folder.find_last_of('/') + 1);
    if (options.tzx) run.report->tzx_name = base + ".tzx";
    MergeCounts counts;
    std::vector<bool> fragment(groups.size());
    for (std::size_t g = 0; g < groups.size(); ++g) fragment[g] = is_fragment(takes, groups[g]);
    std::vector<TzxBlock> tzx;
    std::vector<std::uint8_t> before;
    JsonReport report;
    report.merged = true;
    report.second_chances = !options.one_pass;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        const Block block = write_merged_block(run, takes, groups[g], fragment[g], before, counts);
        report.blocks.push_back(reported_block(block));
        before = block.bytes;
        if (fragment[g]) continue;
        std::size_t next = g + 1;
        while (next < groups.size() && fragment[next]) ++next;
        tzx.push_back(TzxBlock{block.bytes, pause_after(takes, groups, g, next), block.checksum_ok});
    }
    char summary[320];
    std::snprintf(summary, sizeof summary,
                  "\n*** Merged %d blocks of %zu takes: %d agreed, %d from one take, %d voted, %d alone, "
                  "%d fragment%s; %d still failing ***\n",
                  counts.blocks, takes.size(), counts.agreed, counts.one_take, counts.voted, counts.alone,
                  counts.fragments, counts.fragments == 1 ? "" : "s", counts.failing);
    log_write(run, summary);
    close_tap_file(run);
    const bool log_failed = std::ferror(run.log->LogFile) != 0;
    if (std::fclose(run.log->LogFile) != 0 || log_failed) report_output_problem(run, "writing the merged \"Log.txt\" failed");
    run.log->LogFile = nullptr;
    bool tzx_kept = true;
    std::string recordings;  // the takes, merged
    for (const Take& t : takes) recordings += (recordings.empty() ? "" : " + ") + t.recording.substr(t.recording.find_last_of('/') + 1);
    if (options.tzx) tzx_kept = write_tzx_file(folder_fd, folder, base + ".tzx", tzx, recordings);
    if (options.quiet && !options.json) std::fputs(summary + 1, stdout);
    if (!options.json) std::printf("Merged into %s\n", folder.c_str());
    // Fragments are noise, not blocks of the tape: they neither fail the merge nor count as found.
    const bool none_stored = counts.blocks == counts.fragments;
    int status = none_stored || counts.failing > 0 ? exit_blocks_bad : exit_ok;
    if (run.problems->output_lost || !tzx_kept) status = exit_output_lost;
    report.recording = recordings;
    report.blocks_reported = counts.blocks - counts.fragments;
    report.checksum_errors = counts.failing;
    report.fragments = counts.fragments;
    report.status = status;
    publish_json_report(report, folder_fd, folder, base + ".json", options.json);
    return report.status;
}
