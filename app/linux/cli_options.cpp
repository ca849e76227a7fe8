#include "app/linux/cli_options.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/profile.h"
#include "app/run_driver.h"

namespace {
const char* const usage =
    "Usage: velliqor [OPTIONS] RECORDING...\n"
    "Recovers the blocks of ZX Spectrum tapes from recordings. A recording is read\n"
    "as raw little-endian signed 16-bit mono samples at 48,000 per second (a WAV\n"
    "header is read as samples too); --convert decodes real audio files instead.\n"
    "The blocks are written as TAP files, with \"Log.txt\", into a folder named after\n"
    "the recording, next to it. With a display, the live view is shown in a window.\n"
    "\n"
    "Options:\n"
    "  --convert            decode the recording (WAV, FLAC, AIFF, OGG; 8 to 32-bit or\n"
    "                       float; any rate and channels) and resample it to 48 kHz\n"
    "  --channel C          with --convert: left (the default), right or mix\n"
    "  --out DIR            put the output folders under DIR, not next to the recordings\n"
    "  -j N                 with several recordings: run up to N at once (default: one\n"
    "                       per core); each run is complete and independent\n"
    "  --quiet              do not show the log lines on standard output\n"
    "  --snapshot FILE.png  keep a picture of the live view as it stands at the end\n"
    "  --frames DIR         keep pictures of completed screens in DIR, one per second\n"
    "                       of recording, named after their first sample\n"
    "  --frames-every N     with --frames: every Nth screen instead\n"
    "  --no-window          do not open the window, even with a display\n"
    "  --pace X             run at X times real time, so that a person can follow\n"
    "  --no-hold            close the window at the end instead of keeping it open\n"
    "  --help               show this help\n"
    "  --version            show the version\n"
    "\n"
    "In the window: Escape or closing it stops the run (the blocks recovered so far\n"
    "are kept); F1 shows the About text.\n"
    "\n"
    "Exit status: 0 all blocks good; 1 the run could not start or was stopped;\n"
    "2 a block failed its checksum or none was found; 3 output was lost or the\n"
    "recording could not be read to its end. Several recordings: the worst of\n"
    "their statuses, in the order 1, 3, 2, 0.\n";

int usage_error(const std::string& message) {
    std::fprintf(stderr, "velliqor: %s\nTry 'velliqor --help'.\n", message.c_str());
    return exit_not_run;
}

bool whole_number(const char* text, long low, long high, long& value) {
    char* end = nullptr;
    value = std::strtol(text, &end, 10);
    return end != text && *end == '\0' && value >= low && value <= high;
}
}  // namespace

std::string absolute_path(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    char current[path_size];
    if (getcwd(current, sizeof current) == nullptr) return path;
    return std::string(current) + "/" + path;
}

int parse_cli_options(int argc, char** argv, CliOptions& options) {
    for (int k = 1; k < argc; ++k) {
        const std::string a = argv[k];
        const char* value = k + 1 < argc ? argv[k + 1] : nullptr;
        long n = 0;
        if (a == "--help") {
            std::fputs(usage, stdout);
            return exit_ok;
        } else if (a == "--version") {
            std::printf("velliqor %s (%s)\n", build_profile.about_text + std::strlen("Velliqor "),
                        build_profile.window_title);
            return exit_ok;
        } else if (a == "--snapshot" || a == "--frames" || a == "--out") {
            if (value == nullptr) return usage_error(a + " needs a file or folder name");
            (a == "--snapshot" ? options.snapshot : a == "--frames" ? options.frames : options.out) =
                absolute_path(argv[++k]);
        } else if (a == "--frames-every" || a == "-j" || a == "--summary-fd") {
            if (value == nullptr || !whole_number(value, a == "--summary-fd" ? 0 : 1, 1000000, n)) {
                return usage_error(a + " needs a whole number from 1");
            }
            ++k;
            (a == "--frames-every" ? options.frames_every : a == "-j" ? options.jobs : options.summary_fd) =
                static_cast<int>(n);
        } else if (a == "--channel") {
            const std::string c = value != nullptr ? value : "";
            if (c != "left" && c != "right" && c != "mix") return usage_error("--channel takes left, right or mix");
            options.channel = c == "left" ? ChannelChoice::left : c == "right" ? ChannelChoice::right : ChannelChoice::mix;
            ++k;
        } else if (a == "--pace") {
            char* end = nullptr;
            const double x = value != nullptr ? std::strtod(value, &end) : 0.0;
            if (value == nullptr || *end != '\0' || !(x >= 0.01 && x <= 1e6)) {
                return usage_error("--pace needs a speed such as 1 or 0.5");
            }
            options.pace = x;
            ++k;
        } else if (a == "--convert") {
            options.convert = true;
        } else if (a == "--no-window") {
            options.window = false;
        } else if (a == "--no-hold") {
            options.hold = false;
        } else if (a == "--quiet") {
            options.quiet = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return usage_error("unknown option " + a);
        } else {
            options.recordings.push_back(a);
        }
    }
    if (options.recordings.empty()) return usage_error("no recording given");
    if (options.frames_every > 0 && options.frames.empty()) return usage_error("--frames-every goes with --frames");
    if (options.recordings.size() > 1 && (!options.snapshot.empty() || !options.frames.empty())) {
        return usage_error("--snapshot and --frames take one recording");
    }
    return -1;
}
