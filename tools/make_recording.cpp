// make_recording: turns a TAP file into a recording of the signal the ROM's
// saving routine would put on tape, for the demo and for trying the decoder.
#include "tools/tape_encoder.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

namespace {

const char usage_text[] =
    "usage: make_recording [options] INPUT.tap OUTPUT\n"
    "Writes a 48 kHz mono 16-bit recording of the blocks of a TAP file.\n"
    "\n"
    "  --speed F       tape speed factor, 0.25..4 (1.05 plays 5 % fast; default 1)\n"
    "  --noise SIGMA   standard deviation of added white noise, 0..100000 (default 0)\n"
    "  --amplitude A   peak level in 16-bit units, above 0 up to 1000000;\n"
    "                  above 32767 clips (default 16000)\n"
    "  --invert        start with the negative half-wave\n"
    "  --rounded       raised-cosine edges about 100 us wide instead of jumps\n"
    "  --pause S       silence after each block in seconds, 0..3600 (default 1)\n"
    "  --lead S        silence before the first block in seconds, 0..3600 (default 0.5)\n"
    "  --seed N        noise generator seed, 0..4294967295 (default 1)\n"
    "  --wav           write a WAV file (default)\n"
    "  --raw           write raw little-endian 16-bit samples\n"
    "  --help          show this text\n"
    "\n"
    "Exit status: 0 done, 1 unreadable or bad input or failed write, 2 usage error.\n";

struct Arguments {
    EncoderOptions options;
    bool wav = true;
    bool help = false;
    std::string input;
    std::string output;
};

int usage_error(const std::string& message) {
    std::fprintf(stderr, "make_recording: %s\nTry 'make_recording --help'.\n", message.c_str());
    return 2;
}

int input_error(const std::string& message) {
    std::fprintf(stderr, "make_recording: %s\n", message.c_str());
    return 1;
}

// Whole-text decimal number within [low, high]; strtod alone accepts trailing junk.
bool parse_number(const char* text, double low, double high, double& value) {
    char* end = nullptr;
    errno = 0;
    const double parsed = std::strtod(text, &end);
    if (end == text || *end != '\0' || errno != 0 || !std::isfinite(parsed)) return false;
    if (parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

bool parse_seed(const char* text, std::uint32_t& value) {
    // strtoull would take "-1" as a huge number, so digits only.
    if (*text < '0' || *text > '9') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long parsed = std::strtoull(text, &end, 10);
    if (*end != '\0' || errno != 0 || parsed > 0xFFFFFFFFull) return false;
    value = static_cast<std::uint32_t>(parsed);
    return true;
}

// Returns 0 when the arguments are good, else the exit status after reporting.
int parse_arguments(int argc, char** argv, Arguments& args) {
    std::string positional[2];
    int positional_count = 0;
    bool options_done = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (options_done || arg.empty() || arg[0] != '-' || arg == "-") {
            if (positional_count == 2) return usage_error("too many arguments: '" + arg + "'");
            positional[positional_count++] = arg;
            continue;
        }
        if (arg == "--") { options_done = true; continue; }
        if (arg == "--help" || arg == "-h") { args.help = true; return 0; }
        if (arg == "--invert") { args.options.invert = true; continue; }
        if (arg == "--rounded") { args.options.waveform = Waveform::rounded; continue; }
        if (arg == "--wav") { args.wav = true; continue; }
        if (arg == "--raw") { args.wav = false; continue; }

        const bool takes_value = arg == "--speed" || arg == "--noise" || arg == "--amplitude" ||
                                 arg == "--pause" || arg == "--lead" || arg == "--seed";
        if (!takes_value) return usage_error("unknown option '" + arg + "'");
        if (i + 1 >= argc) return usage_error("option " + arg + " needs a value");
        const char* text = argv[++i];
        const std::string bad = "bad value for " + arg + ": '" + text + "'";
        EncoderOptions& o = args.options;
        bool good = false;
        if (arg == "--speed") good = parse_number(text, 0.25, 4.0, o.speed);
        else if (arg == "--noise") good = parse_number(text, 0.0, 100000.0, o.noise);
        else if (arg == "--amplitude") good = parse_number(text, 0.0, 1e6, o.amplitude) && o.amplitude > 0.0;
        else if (arg == "--pause") good = parse_number(text, 0.0, 3600.0, o.pause_s);
        else if (arg == "--lead") good = parse_number(text, 0.0, 3600.0, o.lead_silence_s);
        else good = parse_seed(text, o.seed);
        if (!good) return usage_error(bad);
    }
    if (positional_count < 2) return usage_error("expected INPUT.tap and OUTPUT");
    args.input = positional[0];
    args.output = positional[1];
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (const int status = parse_arguments(argc, argv, args)) return status;
    if (args.help) {
        std::fputs(usage_text, stdout);
        return 0;
    }

    std::vector<std::uint8_t> tap;
    if (!read_file(args.input, tap)) return input_error("cannot read '" + args.input + "'");
    const std::vector<TapBlock> blocks = parse_tap(tap);
    std::size_t used = 0;
    for (const TapBlock& block : blocks) used += 2 + block.size();
    if (used != tap.size())
        return input_error("'" + args.input + "': incomplete record at byte " + std::to_string(used) +
                           " (truncated, or not a TAP file)");
    if (blocks.empty()) return input_error("'" + args.input + "': no blocks");

    std::vector<std::int16_t> samples;
    try {
        samples = encode_blocks(blocks, args.options);
    } catch (const std::exception& error) {
        return input_error(std::string("cannot make the recording: ") + error.what());
    }
    if (!write_samples(args.output, samples, args.wav, args.options.sample_rate))
        return input_error("cannot write '" + args.output + "'");

    std::printf("%s: %zu blocks, %.2f s\n", args.output.c_str(), blocks.size(),
                static_cast<double>(samples.size()) / args.options.sample_rate);
    return 0;
}
