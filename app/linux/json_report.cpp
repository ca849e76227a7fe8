#include "app/linux/json_report.h"

#include <nlohmann/json.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/linux/whole_file.h"
#include "common/basics.h"
#include "common/build_profile.h"
#include "recovery/run_recording.h"  // the exit statuses
#include "output/block_report.h"

namespace {
using Json = nlohmann::ordered_json;

Json header_of(const std::vector<std::uint8_t>& b) {
    if (!is_standard_header(b)) return nullptr;
    static const char* const types[4] = {"Program", "Number array", "Character array", "Code"};
    return Json{{"type", b[1]},
                {"type_name", types[b[1]]},
                {"name", header_name(b)},
                {"data_length", b[12] | b[13] << 8},
                {"param1", b[14] | b[15] << 8},
                {"param2", b[16] | b[17] << 8}};
}

Json doubtful_bits(const std::vector<DoubtfulBit>& doubtful) {
    Json bits = Json::array();
    for (const DoubtfulBit& d : doubtful) {
        bits.push_back({{"bit", d.bit}, {"sample", d.sample < 0 ? Json(nullptr) : Json(d.sample)},
                        {"kind", d.filled ? "filled" : "guessed"}});
    }
    return bits;
}

Json block_of(const ReportedBlock& reported, std::size_t index) {
    const Block& b = reported.block;
    // The longest period is the slowest speed.
    const int slow = speed_percent(b.period_max), fast = speed_percent(b.period_min);
    char start[time_text_size], end[time_text_size];
    time_text(b.start, start);
    time_text(b.end, end);
    Json j{{"index", index},
           {"start_sample", b.start},
           {"end_sample", b.end},
           {"time", std::string(start) + "-" + end},
           {"tap_file", b.tap_file.empty() ? Json(nullptr) : Json(b.tap_file)},
           {"tap_record", b.tap_record < 0 ? Json(nullptr) : Json(b.tap_record)},
           {"flag", b.bytes.empty() ? Json(nullptr) : Json(b.bytes[0])},
           {"length", b.bytes.size()},
           {"header", header_of(b.bytes)},
           {"checksum", b.checksum_ok ? "OK" : "Error"},
           {"speed_percent", fast < 0 || slow < 0 ? Json(nullptr) : Json{{"low", slow}, {"high", fast}}},
           {"repairs",
            {{"rest0", b.rest_zeros}, {"float0", b.float_zeros}, {"mid0", b.mid0_count}, {"mid1", b.mid1_count},
             {"overlen", b.overlen}}},
           {"doubtful_bits", doubtful_bits(reported.doubtful)},
           {"second_pass", b.second_pass.empty() ? Json(nullptr) : Json(b.second_pass)},
           {"fragment", b.fragment}};
    if (!b.takes.empty()) j["merge"] = {{"takes", b.takes}, {"chosen", b.chosen}};
    return j;
}
}  // namespace

ReportedBlock reported_block(const Block& b) {
    ReportedBlock r{b, {}};
    for (std::size_t k = 0; k < b.weights.size() && k < b.bits.size(); ++k) {
        if (b.weights[k] == weight_clean) continue;
        r.doubtful.push_back({k, k < b.positions.size() ? b.positions[k] : -1, b.weights[k] == weight_filled});
    }
    r.block.bits.clear();
    r.block.weights.clear();
    r.block.positions.clear();
    r.block.bits.shrink_to_fit();
    r.block.weights.shrink_to_fit();
    r.block.positions.shrink_to_fit();
    return r;
}

std::string json_report_text(const JsonReport& r, bool one_line) {
    Json blocks = Json::array();
    for (std::size_t k = 0; k < r.blocks.size(); ++k) blocks.push_back(block_of(r.blocks[k], k));
    const Json report{{"recording", r.recording},
                      {"program", "velliqor"},
                      {"version", build_profile.about_text + std::string("Velliqor ").size()},
                      {"build", build_profile.name},
                      {"reading", r.second_chances ? "second chances" : "one pass"},
                      {"merged", r.merged},
                      {"sample_rate", samples_per_second},
                      {"blocks", blocks},
                      {"summary",
                       {{"blocks", r.blocks_reported},
                        {"checksum_errors", r.checksum_errors},
                        {"repaired_bits", r.repaired_bits},
                        {"fragments", r.fragments},
                        {"second_readings", r.second_readings}}},
                      {"status", r.status}};
    // Names from the tape may hold any byte; replaced, not refused, where they are not UTF-8.
    return report.dump(one_line ? -1 : 2, ' ', false, Json::error_handler_t::replace) + "\n";
}

bool publish_json_report(JsonReport& report, int folder, const std::string& folder_path, const std::string& name,
                         bool print) {
    const std::string text = json_report_text(report, false);
    const bool written = write_whole_file(folder, name, std::vector<std::uint8_t>(text.begin(), text.end()));
    if (!written) {
        std::fprintf(stderr, "velliqor: writing %s/%s failed: %s\n", folder_path.c_str(), name.c_str(), std::strerror(errno));
        if (report.status == exit_ok || report.status == exit_blocks_bad) report.status = exit_output_lost;
    }
    if (print) std::fputs(json_report_text(report, true).c_str(), stdout);
    return written;
}
