#include "app/linux/cli_options.h"

#include <getopt.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "common/build_profile.h"
#include "recovery/run_recording.h"

namespace {
const char* const usage =
    "Usage: velliqor [OPTIONS] RECORDING...\n"
    "Recovers the blocks of ZX Spectrum tapes from recordings. An audio file (WAV,\n"
    "FLAC, AIFF, OGG, MP3, ...) of any rate, width and channel count is decoded and\n"
    "resampled to 48 kHz mono; a 48 kHz 16-bit mono WAV, and a file without an audio\n"
    "header, is read as raw little-endian signed 16-bit samples, header and all.\n"
    "A recording named - is read from standard input; a named pipe is read once.\n"
    "The blocks are written as TAP files, with \"Log.txt\", into a folder named after\n"
    "the recording, next to it (NAME-2, NAME-3, ... when NAME belongs to another\n"
    "recording, or to this one before its contents changed). With a display, the\n"
    "live view is shown in a window.\n"
    "\n"
    "Options:\n"
    "  --convert            decode the recording even when its header would not ask for\n"
    "                       it (a 48 kHz 16-bit mono WAV); any rate, width, channels\n"
    "  --raw                read the bytes as samples whatever a header says\n"
    "  --channel C          of decoded audio: left (the default), right or mix\n"
    "  --out DIR            put the output folders under DIR, not next to the recordings\n"
    "  --tzx                also write the blocks as one TZX file, NAME.tzx, beside the\n"
    "                       TAP files (a block too long for a TAP record included)\n"
    "  -j, --jobs N         with several recordings: run up to N at once (default: one\n"
    "                       per core); each run is complete and independent\n"
    "  -q, --quiet          do not show the log lines on standard output\n"
    "  --json               print each run's report (NAME.json) on standard output, one\n"
    "                       object a line, in place of the log lines and the table\n"
    "  --snapshot FILE.png  keep a picture of the live view as it stands at the end\n"
    "                       (neither the recording nor inside its output folders)\n"
    "  --frames DIR         keep pictures of completed screens in DIR, one per second\n"
    "                       of recording, named after their first sample\n"
    "  --frames-every N     with --frames: one picture every N seconds instead\n"
    "  --no-window          do not open the window, even with a display\n"
    "  --pace X             run at X times real time, so that a person can follow\n"
    "  --no-hold            close the window at the end instead of keeping it open\n"
    "  --one-pass           give the reference reading byte for byte. Without it a\n"
    "                       block that fails is read again by zero crossings (kept\n"
    "                       when two such readings agree and pass), and a failing\n"
    "                       block of fewer than 4 bytes is noise, left out\n"
    "  --merge              the recordings are takes of one tape: decode each as usual,\n"
    "                       then combine them block by block into NAME-merged; a\n"
    "                       block is OK only when a take or a vote passes the checksum\n"
    "  -h, --help           show this help\n"
    "  -V, --version        show the version\n"
    "\n"
    "In the window: Escape or closing it stops the run (the blocks recovered so far\n"
    "are kept); F1 shows the About text.\n"
    "\n"
    "Exit status: 0 all blocks good; 1 the run could not start or was stopped;\n"
    "2 a block failed its checksum or none was found;\n"
    "3 output was lost or the recording could not be read to its end; 64 the command\n"
    "was wrong (nothing was run). Several recordings: the worst of their statuses,\n"
    "in the order 1, 3, 2, 0.\n";

// Long options only; the values are these codes.
enum OptionCode {
    opt_convert = 256, opt_channel, opt_out, opt_quiet, opt_snapshot, opt_frames, opt_frames_every,
    opt_no_window, opt_pace, opt_no_hold, opt_merge, opt_tzx, opt_raw, opt_one_pass, opt_json,
};

const option long_options[] = {
    {"convert", no_argument, nullptr, opt_convert},
    {"channel", required_argument, nullptr, opt_channel},
    {"out", required_argument, nullptr, opt_out},
    {"jobs", required_argument, nullptr, 'j'},
    {"quiet", no_argument, nullptr, opt_quiet},
    {"snapshot", required_argument, nullptr, opt_snapshot},
    {"frames", required_argument, nullptr, opt_frames},
    {"frames-every", required_argument, nullptr, opt_frames_every},
    {"no-window", no_argument, nullptr, opt_no_window},
    {"pace", required_argument, nullptr, opt_pace},
    {"no-hold", no_argument, nullptr, opt_no_hold},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, 'V'},
    {"merge", no_argument, nullptr, opt_merge},
    {"tzx", no_argument, nullptr, opt_tzx},
    {"raw", no_argument, nullptr, opt_raw},
    {"one-pass", no_argument, nullptr, opt_one_pass},
    {"json", no_argument, nullptr, opt_json},
    {nullptr, 0, nullptr, 0},
};

int usage_error(const std::string& message) {
    std::fprintf(stderr, "velliqor: %s\nTry 'velliqor --help'.\n", message.c_str());
    return exit_usage;
}

bool whole_number(const char* text, long low, long high, int& value) {
    char* end = nullptr;
    errno = 0;
    const long n = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || errno != 0 || n < low || n > high) return false;
    value = static_cast<int>(n);
    return true;
}

void show_version() {
    std::printf("velliqor %s (%s, build %s, history of %d '0' cycles%s)\n",
                build_profile.about_text + std::strlen("Velliqor "), build_profile.window_title, build_profile.name,
                build_profile.history_length, build_profile.accept_unpaired_zeros ? ", 2.0 decoder switches" : "");
}

// One option; returns -1 to go on, or the exit status.
int take_option(int code, const char* value, CliOptions& options) {
    const std::string given = value != nullptr ? value : "";
    switch (code) {
    case 'h': std::fputs(usage, stdout); return exit_ok;
    case 'V': show_version(); return exit_ok;
    case opt_convert: options.convert = true; break;
    case opt_merge: options.merge = true; break;
    case opt_tzx: options.tzx = true; break;
    case opt_raw: options.raw = true; break;
    case opt_one_pass: options.one_pass = true; break;
    case opt_json: options.json = true; break;
    case 'q':
    case opt_quiet: options.quiet = true; break;
    case opt_no_window: options.window = false; break;
    case opt_no_hold: options.hold = false; break;
    case opt_out: options.out = absolute_path(given); break;
    case opt_snapshot: options.snapshot = absolute_path(given); break;
    case opt_frames: options.frames = absolute_path(given); break;
    case opt_channel:
        if (given != "left" && given != "right" && given != "mix") return usage_error("--channel takes left, right or mix");
        options.channel = given == "left" ? ChannelChoice::left : given == "right" ? ChannelChoice::right : ChannelChoice::mix;
        options.channel_given = true;
        break;
    case 'j':
        if (!whole_number(value, 1, 4096, options.jobs)) return usage_error("-j needs a whole number from 1 to 4096");
        break;
    case opt_frames_every:
        if (!whole_number(value, 1, 1000000, options.frames_every)) return usage_error("--frames-every needs a whole number of seconds from 1");
        break;
    case opt_pace: {
        char* end = nullptr;
        const double x = std::strtod(value, &end);
        if (*end != '\0' || !(x >= 0.01 && x <= 1e6)) return usage_error("--pace needs a speed such as 1 or 0.5");
        options.pace = x;
        break;
    }
    default: return exit_usage;  // getopt has said what was wrong
    }
    return -1;
}

// "TAP" or "TZX" when `name` ends in .tap or .tzx (any case), else empty.
// Peer tools take the output file after the recording; here it would be read
// as a second recording and give nothing but a folder of noise.
std::string tape_file_kind(const std::string& name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos) return "";
    std::string kind = name.substr(dot + 1);
    for (char& c : kind) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return kind == "TAP" || kind == "TZX" ? kind : "";
}

// Options that make sense only together, or only with one recording.
int check_combinations(const CliOptions& options, bool frames_every_given) {
    if (options.recordings.empty()) return usage_error("no recording given");
    for (const std::string& r : options.recordings) {
        const std::string kind = tape_file_kind(r);
        if (!kind.empty()) {
            return usage_error(r + " is a " + kind + " file, not a recording: the blocks go into a folder named after "
                               "the recording (--out DIR chooses where)");
        }
    }
    if (frames_every_given && options.frames.empty()) return usage_error("--frames-every goes with --frames");
    if (options.raw && options.convert) return usage_error("--raw and --convert exclude each other");
    if (options.channel_given && options.raw) return usage_error("--channel takes a channel of decoded audio, not of --raw");
    if (options.merge && options.recordings.size() < 2) return usage_error("--merge needs two takes or more");
    if (options.recordings.size() > 1) {
        if (!options.snapshot.empty() || !options.frames.empty()) return usage_error("--snapshot and --frames take one recording");
        if (options.pace > 0.0) return usage_error("--pace takes one recording: a batch runs without a window");
        int from_input = 0;
        for (const std::string& r : options.recordings) from_input += r == "-" ? 1 : 0;
        if (from_input > 1) return usage_error("standard input (-) can be read by one run only");
    }
    return -1;
}
}  // namespace

// The folder the command was started in, as the system names it, read once:
// the program never changes its current directory, so every relative name is
// resolved against this one. Empty when it cannot be named (removed, out of
// reach, no /proc): names then stay relative, and the system resolves them.
const std::string& start_directory() {
    static const std::string folder = [] {
        char text[PATH_MAX];
        const ssize_t n = readlink("/proc/self/cwd", text, sizeof text - 1);
        if (n <= 0) return std::string();
        const std::string named(text, static_cast<std::size_t>(n));
        // A removed folder reads "NAME (deleted)": the name must lead to this very folder.
        struct stat here {}, there {};
        const bool same = named[0] == '/' && stat(".", &here) == 0 && stat(named.c_str(), &there) == 0 &&
                          here.st_dev == there.st_dev && here.st_ino == there.st_ino;
        return same ? named : std::string();
    }();
    return folder;
}

std::string absolute_path(const std::string& path) {
    if (!path.empty() && path[0] == '/') return path;
    if (start_directory().empty()) return path;
    return start_directory() + "/" + path;
}

namespace {
// The long option of no value whose code is `code`, or null.
const option* no_value_option(int code) {
    for (const option* o = long_options; code != 0 && o->name != nullptr; ++o) {
        if (o->val == code && o->has_arg == no_argument) return o;
    }
    return nullptr;
}

// What getopt_long found wrong ('?' or ':'), in the user's words. A long
// option is the word just passed; getopt_long sets optopt to 0 for one it does
// not know, and to the code of one of no value that was given one. A short
// option's mistake is always the first letter of its word (-h, -V and -j end
// the word they begin), which is still the current word when it goes on.
std::string mistake(int code, int argc, char** argv) {
    const char* const after_dashes = "; a recording whose name begins with '-' goes after '--'";
    const std::string passed = optind >= 1 && optind <= argc ? argv[optind - 1] : "";
    const std::string named = passed.substr(0, passed.find('='));
    const bool given_value = passed.find('=') != std::string::npos;
    if (passed.rfind("--", 0) == 0 && (code == ':' || optopt == 0 || (given_value && no_value_option(optopt)))) {
        if (code == ':') return named + " needs a value";
        if (optopt != 0) return std::string("--") + no_value_option(optopt)->name + " takes no value";
        std::string candidates;
        int matches = 0;
        for (const option* o = long_options; o->name != nullptr; ++o) {
            if (std::strncmp(o->name, named.c_str() + 2, named.size() - 2) != 0) continue;
            candidates += std::string(matches++ == 0 ? "" : ", ") + "--" + o->name;
        }
        if (matches > 1) return "option " + named + " is ambiguous (" + candidates + ")";
        return "unknown option " + named + (access(passed.c_str(), F_OK) == 0 ? after_dashes : "");
    }
    const std::string letter = std::string("-") + static_cast<char>(optopt);
    if (code == ':') return letter + " needs a value";
    // "-dash.wav": a word of more than one letter is most likely a name.
    const bool word_goes_on =
        optind < argc && std::strncmp(argv[optind], letter.c_str(), 2) == 0 && argv[optind][2] != '\0';
    const std::string word = word_goes_on ? argv[optind] : letter;
    return "unknown option " + word + (word_goes_on || access(word.c_str(), F_OK) == 0 ? after_dashes : "");
}
}  // namespace

int parse_cli_options(int argc, char** argv, CliOptions& options) {
    optind = 0;  // a fresh scan, also when called again
    opterr = 0;  // our own words for mistakes
    bool frames_every_given = false;
    for (;;) {
        const int code = getopt_long(argc, argv, ":hVj:q", long_options, nullptr);
        if (code == -1) break;
        if (code == '?' || code == ':') return usage_error(mistake(code, argc, argv));
        frames_every_given = frames_every_given || code == opt_frames_every;
        const int status = take_option(code, optarg, options);
        if (status >= 0) return status;
    }
    for (int k = optind; k < argc; ++k) options.recordings.push_back(argv[k]);
    return check_combinations(options, frames_every_given);
}
