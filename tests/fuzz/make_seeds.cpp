// Writes the fuzzer's first inputs: short recordings of real blocks in several
// shapes, so that mutations start from signals that reach every stage.
#include <cstdio>
#include <string>

#include "tools/tape_encoder.h"

namespace {
void seed(const std::string& folder, const char* name, const std::vector<std::int16_t>& samples) {
    write_samples(folder + "/" + name, samples, false, 48000);
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    EncoderOptions o;
    o.pilot_pulses = 240;
    o.lead_silence_s = 0.02;
    o.pause_s = 0.05;
    const TapBlock header = make_header(0, "seed", 4, 10, 4);
    const TapBlock data = make_data_block(0xFF, {0x00, 0xFF, 0x55, 0xAA});
    seed(folder, "header_and_data.raw", encode_blocks({header, data}, o));
    o.invert = true;
    o.waveform = Waveform::rounded;
    o.noise = 2500;
    seed(folder, "inverted_noisy.raw", encode_blocks({header, data}, o));
    o.invert = false;
    o.noise = 0;
    o.pause_s = 0.0;
    o.speed = 0.7;
    seed(folder, "slow_back_to_back.raw", encode_blocks({data, data}, o));
    o.speed = 1.3;
    seed(folder, "fast.raw", encode_blocks({make_data_block(0x00, std::vector<std::uint8_t>(30, 7))}, o));
    seed(folder, "silence.raw", std::vector<std::int16_t>(3000, 0));
    std::vector<std::int16_t> noise(4000);
    std::uint32_t x = 12345;
    for (std::int16_t& s : noise) s = static_cast<std::int16_t>((x = x * 1103515245u + 12345u) >> 16);
    seed(folder, "noise.raw", noise);
    return 0;
}
