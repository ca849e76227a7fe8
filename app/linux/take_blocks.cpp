#include "app/linux/take_blocks.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "decode/block_buffer.h"
#include "merge/merge.h"

namespace {
std::FILE* kept_file = nullptr;  // open for the whole run; closed with the process
int kept_errno = 0;              // the first failed write
}  // namespace

bool keep_blocks_in(int fd) {
    kept_file = fdopen(fd, "wb");
    return kept_file != nullptr;
}

// A line "block START END LENGTH OK LINE_LENGTH BITS", then the log line, the
// bits (one byte each, 0 or 1) and their weights. The reported bytes are the
// first LENGTH x 8 bits.
void keep_block(const ReportedBlock& block) {
    if (kept_file == nullptr) return;
    const std::size_t line_length = std::strlen(block.line);
    std::fprintf(kept_file, "block %d %d %d %d %zu %d\n", block.start, block.end, block.length,
                 block.checksum_ok ? 1 : 0, line_length, block.bit_count);
    std::fwrite(block.line, 1, line_length, kept_file);
    const std::size_t count = static_cast<std::size_t>(block.bit_count);
    std::vector<std::uint8_t> bits(count);
    for (std::size_t k = 0; k < count; ++k) bits[k] = static_cast<std::uint8_t>(reported_bit(block, static_cast<std::int32_t>(k)));
    std::fwrite(bits.data(), 1, count, kept_file);
    if (block.weights != nullptr) {
        std::fwrite(block.weights, 1, count, kept_file);
    } else {
        const std::vector<std::uint8_t> clean(count, weight_clean);  // a run without weights: every bit read
        std::fwrite(clean.data(), 1, count, kept_file);
    }
    if (std::fflush(kept_file) != 0 && kept_errno == 0) kept_errno = errno != 0 ? errno : EIO;
}

std::string keep_blocks_end(std::int64_t recording_end) {
    if (kept_file == nullptr) return "";
    std::fprintf(kept_file, "end %lld\n", static_cast<long long>(recording_end));
    if (std::fflush(kept_file) != 0 && kept_errno == 0) kept_errno = errno != 0 ? errno : EIO;
    return kept_errno == 0 ? "" : std::strerror(kept_errno);
}

bool read_kept_blocks(int fd, std::vector<TakeBlock>& blocks) {
    const int own = dup(fd);
    std::FILE* f = own >= 0 && lseek(own, 0, SEEK_SET) == 0 ? fdopen(own, "rb") : nullptr;
    if (f == nullptr) {
        if (own >= 0) close(own);
        return false;
    }
    bool complete = false;
    for (;;) {
        TakeBlock b;
        int length = 0, ok = 0, bit_count = 0;
        std::size_t line_length = 0;
        char word[8] = "";
        if (std::fscanf(f, "%7s", word) != 1) break;
        if (std::strcmp(word, "end") == 0) {
            long long recording_end = 0;
            complete = std::fscanf(f, " %lld", &recording_end) == 1 && std::fgetc(f) == '\n';
            if (!blocks.empty()) blocks.back().cut = ended_inside(blocks.back().end, recording_end);
            break;
        }
        const int fields =
            std::fscanf(f, " %d %d %d %d %zu %d", &b.start, &b.end, &length, &ok, &line_length, &bit_count);
        // The report never holds more than was decoded, nor the decoder more than its buffer.
        if (std::strcmp(word, "block") != 0 || fields != 6 || std::fgetc(f) != '\n' || length < 0 ||
            bit_count < 0 || bit_count > block_buffer_size * 8 || length > bit_count / 8 || line_length > 4096) {
            break;
        }
        b.checksum_ok = ok != 0;
        b.line.resize(line_length);
        b.bits.resize(static_cast<std::size_t>(bit_count));
        b.weights.resize(static_cast<std::size_t>(bit_count));
        if (std::fread(&b.line[0], 1, line_length, f) != line_length ||
            std::fread(b.bits.data(), 1, b.bits.size(), f) != b.bits.size() ||
            std::fread(b.weights.data(), 1, b.weights.size(), f) != b.weights.size()) {
            break;
        }
        if (std::any_of(b.bits.begin(), b.bits.end(), [](std::uint8_t bit) { return bit > 1; })) break;
        b.bytes = bytes_of(std::vector<std::uint8_t>(b.bits.begin(), b.bits.begin() + 8 * length));
        blocks.push_back(std::move(b));
    }
    std::fclose(f);
    return complete;
}
