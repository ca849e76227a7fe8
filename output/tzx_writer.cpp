#include "output/tzx_writer.h"

#include <algorithm>
#include <utility>

#include "common/basics.h"
#include "common/rom_timing.h"
#include "output/block.h"  // is_standard_header, header_name

namespace {
constexpr std::size_t standard_block_max = 65535;  // a standard speed block's 16-bit length
constexpr std::size_t text_max = 255;

void put16(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v & 0xFF));
    out.push_back(static_cast<std::uint8_t>((v >> 8) & 0xFF));
}

void put24(std::vector<std::uint8_t>& out, std::uint32_t v) {
    put16(out, v);
    out.push_back(static_cast<std::uint8_t>((v >> 16) & 0xFF));
}

void text_block(std::vector<std::uint8_t>& out, const std::string& text) {
    const std::size_t n = std::min(text.size(), text_max);
    out.push_back(0x30);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
}

// The name of the first program header, without its trailing spaces; empty when none.
std::string title_of(const std::vector<TzxBlock>& blocks) {
    for (const TzxBlock& b : blocks) {
        if (!is_standard_header(b.bytes) || b.bytes[1] != 0) continue;
        const std::string name = header_name(b.bytes);
        return name.substr(0, name.find_last_not_of(' ') + 1);
    }
    return "";
}

void archive_info(std::vector<std::uint8_t>& out, const std::vector<TzxBlock>& blocks, const TzxSource& source) {
    std::size_t count = 0, failed = 0;
    for (const TzxBlock& b : blocks) {
        count += !b.bytes.empty();
        failed += !b.bytes.empty() && !b.checksum_ok;
    }
    const std::string comment = "Recovered by " + source.creator + " from " + source.recording + " on " + source.date +
                                ": " + std::to_string(count) + (count == 1 ? " block, " : " blocks, ") +
                                std::to_string(failed) + " failing its checksum";
    std::vector<std::pair<std::uint8_t, std::string>> entries;
    const std::string title = title_of(blocks);
    if (!title.empty()) entries.emplace_back(0x00, title);
    entries.emplace_back(0xFF, comment);
    std::vector<std::uint8_t> body{static_cast<std::uint8_t>(entries.size())};
    for (const auto& [id, text] : entries) {
        const std::size_t n = std::min(text.size(), text_max);
        body.push_back(id);
        body.push_back(static_cast<std::uint8_t>(n));
        body.insert(body.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
    }
    out.push_back(0x32);
    put16(out, static_cast<std::uint32_t>(body.size()));
    out.insert(out.end(), body.begin(), body.end());
}

void data_block(std::vector<std::uint8_t>& out, const TzxBlock& b) {
    if (b.bytes.size() <= standard_block_max) {
        out.push_back(0x10);
        put16(out, b.pause_ms);
        put16(out, static_cast<std::uint32_t>(b.bytes.size()));
    } else {
        // Too long for a standard block: the same signal, described in full, with a 24-bit length.
        out.push_back(0x11);
        put16(out, rom_pilot_pulse);
        put16(out, rom_sync1_pulse);
        put16(out, rom_sync2_pulse);
        put16(out, rom_zero_pulse);
        put16(out, rom_one_pulse);
        put16(out, b.bytes[0] < 128 ? rom_header_pilot_pulses : rom_data_pilot_pulses);
        out.push_back(8);  // every bit of the last byte is used
        put16(out, b.pause_ms);
        put24(out, static_cast<std::uint32_t>(b.bytes.size()));
    }
    out.insert(out.end(), b.bytes.begin(), b.bytes.end());
}
}  // namespace

std::vector<std::uint8_t> tzx_image(const std::vector<TzxBlock>& blocks, const TzxSource& source) {
    std::vector<std::uint8_t> out{'Z', 'X', 'T', 'a', 'p', 'e', '!', 0x1A, 1, 20};
    archive_info(out, blocks, source);
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        if (blocks[k].bytes.empty()) continue;
        if (!blocks[k].checksum_ok) text_block(out, "Block " + std::to_string(k + 1) + ": checksum error");
        data_block(out, blocks[k]);
    }
    return out;
}

std::uint16_t pause_between(std::int64_t end_of_block, std::int64_t start_of_next) {
    const std::int64_t ms = (start_of_next - end_of_block) * 1000 / samples_per_second;
    return static_cast<std::uint16_t>(std::clamp<std::int64_t>(ms, 0, 65535));
}
