#include "app/linux/take_blocks.h"

#include <cstdio>
#include <cstring>

namespace {
std::FILE* kept_file = nullptr;  // open for the whole run; closed with the process
}  // namespace

bool keep_blocks_in(const std::string& path) {
    kept_file = std::fopen(path.c_str(), "wb");
    return kept_file != nullptr;
}

// A line "block START END LENGTH OK LINE_LENGTH", then the log line, the bytes and the weights.
void keep_block(const ReportedBlock& block) {
    if (kept_file == nullptr) return;
    const std::size_t line_length = std::strlen(block.line);
    std::fprintf(kept_file, "block %d %d %d %d %zu\n", block.start, block.end, block.length, block.checksum_ok ? 1 : 0,
                 line_length);
    std::fwrite(block.line, 1, line_length, kept_file);
    std::fwrite(block.bytes, 1, static_cast<std::size_t>(block.length), kept_file);
    const std::size_t bits = static_cast<std::size_t>(block.length) * 8;
    if (block.weights != nullptr) {
        std::fwrite(block.weights, 1, bits, kept_file);
    } else {
        const std::vector<std::uint8_t> clean(bits, weight_clean);  // a run without weights: every bit read
        std::fwrite(clean.data(), 1, bits, kept_file);
    }
    std::fflush(kept_file);
}

bool read_kept_blocks(const std::string& path, std::vector<TakeBlock>& blocks) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) return false;
    bool whole = true;
    for (;;) {
        TakeBlock b;
        int length = 0, ok = 0;
        std::size_t line_length = 0;
        const int fields = std::fscanf(f, "block %d %d %d %d %zu", &b.start, &b.end, &length, &ok, &line_length);
        if (fields == EOF) break;
        if (fields != 5 || std::fgetc(f) != '\n' || length < 0 || length > (1 << 20) || line_length > 4096) {
            whole = false;
            break;
        }
        b.checksum_ok = ok != 0;
        b.line.resize(line_length);
        b.bytes.resize(static_cast<std::size_t>(length));
        b.weights.resize(static_cast<std::size_t>(length) * 8);
        if (std::fread(&b.line[0], 1, line_length, f) != line_length ||
            std::fread(b.bytes.data(), 1, b.bytes.size(), f) != b.bytes.size() ||
            std::fread(b.weights.data(), 1, b.weights.size(), f) != b.weights.size()) {
            whole = false;
            break;
        }
        blocks.push_back(std::move(b));
    }
    std::fclose(f);
    return whole;
}
