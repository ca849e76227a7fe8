// Reads a recording (48 kHz 16-bit little-endian samples, a WAV header read
// as samples like the rest) with the zero-crossing front end alone and writes
// its blocks as a TAP file: to measure that front end on sets of recordings
// before its blocks are second chances of the program's (tools/lossy/).
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "decode/zero_crossings.h"
#include "merge/merge.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 5) {
        std::fputs("usage: zero_crossings_trial RECORDING OUTPUT.tap [HYSTERESIS [low-pass]]\n", stderr);
        return 64;
    }
    std::FILE* in = std::fopen(argv[1], "rb");
    if (in == nullptr) {
        std::perror(argv[1]);
        return 1;
    }
    std::vector<std::int16_t> samples;
    unsigned char pair[2];
    while (std::fread(pair, 1, 2, in) == 2) samples.push_back(static_cast<std::int16_t>(pair[0] | pair[1] << 8));
    std::fclose(in);
    std::FILE* out = std::fopen(argv[2], "wb");
    if (out == nullptr) {
        std::perror(argv[2]);
        return 1;
    }
    int blocks = 0, passing = 0;
    const double hysteresis = argc >= 4 ? std::atof(argv[3]) : 0.15;
    const CrossingFilter filter = argc == 5 ? CrossingFilter::low_pass : CrossingFilter::band_pass;
    const std::vector<std::vector<CrossingBlock>> readings = read_by_zero_crossings(samples.data(), samples.size(), 0, {{filter, hysteresis}});
    for (const CrossingBlock& b : readings[0]) {
        const std::vector<std::uint8_t> bytes = bytes_of(b.bits);
        const unsigned char length[2] = {static_cast<unsigned char>(bytes.size() & 0xFF), static_cast<unsigned char>(bytes.size() >> 8)};
        std::fwrite(length, 1, 2, out);
        std::fwrite(bytes.data(), 1, bytes.size(), out);
        ++blocks;
        passing += passes_checksum(bytes);
        if (std::getenv("TRIAL_VERBOSE") != nullptr)
            std::printf("%lld-%lld: %zu bytes%s\n", static_cast<long long>(b.start), static_cast<long long>(b.end),
                        bytes.size(), passes_checksum(bytes) ? ", passes" : "");
    }
    std::printf("%s: %d blocks, %d pass their checksum\n", argv[1], blocks, passing);
    return std::fclose(out) == 0 ? 0 : 1;
}
