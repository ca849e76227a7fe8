#include "app/linux/merged_output.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/linux/files_linux.h"
#include "app/linux/output_claim.h"
#include "app/linux/tzx_file.h"
#include "app/run_driver.h"
#include "common/overrun_trim.h"
#include "merge/merge.h"
#include "output/block_report.h"
#include "output/log_file.h"
#include "output/output_problems.h"
#include "output/tap_writer.h"
#include "output/tzx_writer.h"

namespace {
// How the blocks were chosen, and what the checksum says of them. A block
// counts once in the first five and, when it fails, once more.
struct MergeCounts {
    int blocks = 0, agreed = 0, one_take = 0, voted = 0, alone = 0;
    int failing = 0;
};

// "Checksum: OK" or "Checksum: Error" of the take's line, made the merged block's verdict.
std::string with_verdict(std::string line, const std::string& verdict) {
    const std::size_t at = line.find("Checksum: ");
    if (at == std::string::npos) return line;
    const std::size_t end = line.find(',', at);
    return line.substr(0, at) + "Checksum: " + verdict + (end == std::string::npos ? "" : line.substr(end));
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
    case MergeSource::failed: break;
    }
    return text + ", Voted: " + std::to_string(m.contested_bits) + " bits, Failed";
}

void count(const MergedBlock& m, std::size_t holders, MergeCounts& counts) {
    ++counts.blocks;
    if (holders == 1) ++counts.alone;
    else if (m.source == MergeSource::agreed) ++counts.agreed;
    else if (m.source == MergeSource::one_take) ++counts.one_take;
    else ++counts.voted;
    if (!m.passes) ++counts.failing;
}

// One block of the merged tape: combined, stored as a run stores it, and its
// line logged. `before` is the merged block before it: a standard header
// there announces the length this one is trimmed to, as in a run.
TzxBlock write_merged_block(const std::vector<Take>& takes, const MatchedBlock& group,
                            const std::vector<std::uint8_t>& before, MergeCounts& counts) {
    std::vector<TakeCopy> copies;
    std::vector<int> holders;
    const TakeBlock* first = nullptr;
    for (std::size_t t = 0; t < group.size(); ++t) {
        if (group[t] < 0) continue;
        const TakeBlock& b = takes[t].blocks[static_cast<std::size_t>(group[t])];
        if (first == nullptr) first = &b;
        copies.push_back(TakeCopy{takes[t].number, b.bits, b.weights, b.cut, static_cast<std::int32_t>(b.bytes.size())});
        holders.push_back(takes[t].number);
    }
    const bool after_header = before.size() == header_length && before[0] == 0x00 && before[1] <= 3;
    const std::int32_t announced = after_header ? before[12] | before[13] << 8 : 0;
    const MergedBlock m = merge_block(copies, [&](std::int32_t whole_bytes, std::uint8_t flag) {
        return reported_length(whole_bytes, flag, after_header, announced);
    });
    const std::vector<std::uint8_t>& bytes = m.bytes;
    const std::int32_t n = static_cast<std::int32_t>(bytes.size());
    // A program header names the TAP file of the blocks that follow, as in a run.
    if (n == header_length && bytes[0] == 0x00 && bytes[1] == 0) set_tap_name(bytes.data() + 2, 10);
    const TapWrite stored = write_tap_record(bytes.data(), n);
    const std::string line = with_verdict(first->line, m.passes ? "OK" : "Error") + provenance(holders, m);
    log_write((line + "\n").c_str());
    if (stored == TapWrite::too_long) {
        log_printf("*** Block not stored: %d bytes do not fit a TAP record (at most 65535) ***\n", n);
        report_output_problem("the merged block %.11s is %d bytes long, more than a TAP record can hold; it is not stored",
                              line.c_str(), n);
    }
    log_flush();
    count(m, holders.size(), counts);
    TzxBlock tzx;
    tzx.bytes = bytes;
    tzx.checksum_ok = m.passes;
    return tzx;
}

// The silence after group g as the first take that holds both it and the next one measured it.
std::uint16_t pause_after(const std::vector<Take>& takes, const std::vector<MatchedBlock>& groups, std::size_t g) {
    for (std::size_t t = 0; t < takes.size() && g + 1 < groups.size(); ++t) {
        const int here = groups[g][t], next = groups[g + 1][t];
        if (here < 0 || next < 0) continue;
        return pause_between(takes[t].blocks[static_cast<std::size_t>(here)].end,
                             takes[t].blocks[static_cast<std::size_t>(next)].start);
    }
    return TzxBlock{}.pause_ms;
}

// Claims the merged folder as every output folder is claimed: its owner is
// the merge of these takes, so that a recording of that name, or a merge of
// other takes, keeps its own. False, said why, when it cannot be had.
bool claim_merged_folder(std::string& folder, const std::vector<Take>& takes) {
    std::string owner = "merge of";
    for (const Take& t : takes) owner += "\n" + recording_owner(t.recording, false);
    char path[path_size];
    if (folder.size() >= sizeof path) {
        std::fprintf(stderr, "velliqor: %s\n", text_path_too_long);
        return false;
    }
    std::memcpy(path, folder.c_str(), folder.size() + 1);
    output_claim = OutputClaim{};
    if (const char* error = claim_output_folder(path, owner)) {
        std::fprintf(stderr, "velliqor: %s\n", error);
        return false;
    }
    folder = path;
    return true;
}
}  // namespace

int write_merged(const std::vector<Take>& takes, const std::vector<MatchedBlock>& groups, std::string folder,
                 const CliOptions& options) {
    if (!claim_merged_folder(folder, takes)) return exit_not_run;
    reset_program_state();
    output_files.create = linux_create_output;
    log_output.LogFile = linux_create_output("Log.txt", true);
    if (log_output.LogFile == nullptr) {
        std::fprintf(stderr, "velliqor: cannot write %s/Log.txt: %s\n", folder.c_str(), std::strerror(errno));
        return exit_not_run;
    }
    log_output.echo = !options.quiet;
    MergeCounts counts;
    std::vector<TzxBlock> tzx;
    for (std::size_t g = 0; g < groups.size(); ++g) {
        tzx.push_back(write_merged_block(takes, groups[g], g > 0 ? tzx.back().bytes : std::vector<std::uint8_t>{}, counts));
        tzx.back().pause_ms = pause_after(takes, groups, g);
    }
    char summary[320];
    std::snprintf(summary, sizeof summary,
                  "\n*** Merged %d blocks of %zu takes: %d agreed, %d from one take, %d voted, %d alone; "
                  "%d still failing ***\n",
                  counts.blocks, takes.size(), counts.agreed, counts.one_take, counts.voted, counts.alone,
                  counts.failing);
    log_write(summary);
    close_tap_file();
    const bool log_failed = std::ferror(log_output.LogFile) != 0;
    if (std::fclose(log_output.LogFile) != 0 || log_failed) report_output_problem("writing the merged \"Log.txt\" failed");
    log_output.LogFile = nullptr;
    bool tzx_kept = true;
    if (options.tzx) tzx_kept = write_tzx_file(folder + "/" + folder.substr(folder.find_last_of('/') + 1) + ".tzx", tzx);
    if (options.quiet) std::fputs(summary + 1, stdout);
    std::printf("Merged into %s\n", folder.c_str());
    if (output_problems.output_lost || !tzx_kept) return exit_output_lost;
    return counts.blocks == 0 || counts.failing > 0 ? exit_blocks_bad : exit_ok;
}
