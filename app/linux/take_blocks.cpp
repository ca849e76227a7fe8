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

// A line "block START END LENGTH OK BITS OVERLEN REST0 FLOAT0 MID0 MID1
// PERIOD_MAX PERIOD_MIN" (the periods in hexadecimal, so that they come back
// exactly), then the bits (one byte each, 0 or 1) and their weights. The
// reported bytes are the first LENGTH x 8 bits.
void keep_block(const Block& block) {
    if (kept_file == nullptr) return;
    const std::size_t count = block.bits.size();
    std::fprintf(kept_file, "block %d %d %zu %d %zu %d %d %d %d %d %a %a\n", block.start, block.end, block.bytes.size(),
                 block.checksum_ok ? 1 : 0, count, block.overlen, block.rest_zeros, block.float_zeros,
                 block.mid0_count, block.mid1_count, static_cast<double>(block.period_max),
                 static_cast<double>(block.period_min));
    std::fwrite(block.bits.data(), 1, count, kept_file);
    if (block.weights.size() == count) {
        std::fwrite(block.weights.data(), 1, count, kept_file);
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
        TakeBlock t;
        Block& b = t.block;
        int length = 0, ok = 0, bit_count = 0;
        double period_max = 0.0, period_min = 0.0;
        char word[8] = "";
        if (std::fscanf(f, "%7s", word) != 1) break;
        if (std::strcmp(word, "end") == 0) {
            long long recording_end = 0;
            complete = std::fscanf(f, " %lld", &recording_end) == 1 && std::fgetc(f) == '\n';
            if (!blocks.empty()) blocks.back().cut = ended_inside(blocks.back().block.end, recording_end);
            break;
        }
        const int fields = std::fscanf(f, " %d %d %d %d %d %d %d %d %d %d %la %la", &b.start, &b.end, &length, &ok,
                                       &bit_count, &b.overlen, &b.rest_zeros, &b.float_zeros, &b.mid0_count,
                                       &b.mid1_count, &period_max, &period_min);
        // The report never holds more than was decoded, nor the decoder more than its buffer.
        if (std::strcmp(word, "block") != 0 || fields != 12 || std::fgetc(f) != '\n' || length < 0 || bit_count < 0 ||
            bit_count > block_buffer_size * 8 || length > bit_count / 8) {
            break;
        }
        b.checksum_ok = ok != 0;
        b.period_max = static_cast<float>(period_max);
        b.period_min = static_cast<float>(period_min);
        b.bits.resize(static_cast<std::size_t>(bit_count));
        b.weights.resize(static_cast<std::size_t>(bit_count));
        if (std::fread(b.bits.data(), 1, b.bits.size(), f) != b.bits.size() ||
            std::fread(b.weights.data(), 1, b.weights.size(), f) != b.weights.size()) {
            break;
        }
        if (std::any_of(b.bits.begin(), b.bits.end(), [](std::uint8_t bit) { return bit > 1; })) break;
        b.bytes = bytes_of(std::vector<std::uint8_t>(b.bits.begin(), b.bits.begin() + 8 * length));
        blocks.push_back(std::move(t));
    }
    std::fclose(f);
    return complete;
}
