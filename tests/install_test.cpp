// What installation puts beside the program stays in step with it.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <regex>
#include <set>
#include <string>
#include <utility>

#include "support/test_files.h"
#include "tools/tape_encoder.h"

namespace {
std::string text_of_file(const std::string& path) {
    const std::vector<std::uint8_t> bytes = read_bytes(path);
    return std::string(bytes.begin(), bytes.end());
}

// Every option --help names.
std::set<std::string> options_in_help() {
    const TempDir dir = make_temp_dir();
    const std::string help = run_cli({"--help"}, dir.path).out;
    remove_temp_dir(dir);
    std::set<std::string> options;
    const std::regex option_line("^  (-[-a-zA-Z]+)(, (--[-a-z]+))?");
    std::smatch m;
    std::size_t at = 0;
    while (at < help.size()) {
        const std::size_t end = help.find('\n', at);
        const std::string line = help.substr(at, end == std::string::npos ? std::string::npos : end - at);
        if (std::regex_search(line, m, option_line)) {
            options.insert(m[1]);
            if (m[3].matched) options.insert(m[3]);
        }
        if (end == std::string::npos) break;
        at = end + 1;
    }
    return options;
}

TEST(Installation, TheManPageNamesEveryOptionOfTheHelp) {
    std::string page = text_of_file(std::string(VELLIQOR_SOURCE_DIR) + "/docs/velliqor.1");
    page = std::regex_replace(page, std::regex(R"(\\-)"), "-");
    const std::set<std::string> options = options_in_help();
    EXPECT_GE(options.size(), 18u);
    for (const std::string& o : options) EXPECT_NE(page.find(o), std::string::npos) << o << " is not in the man page";
}

TEST(Installation, ManRendersThePage) {
    if (access("/usr/bin/man", X_OK) != 0) GTEST_SKIP() << "man is not installed";
    const TempDir dir = make_temp_dir();
    const CliResult r = run_program("/usr/bin/man", {"-l", "-P", "cat", std::string(VELLIQOR_SOURCE_DIR) + "/docs/velliqor.1"}, dir.path);
    remove_temp_dir(dir);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("recover the blocks of ZX Spectrum tapes"), std::string::npos) << r.out;
    EXPECT_EQ(r.err.find("warning"), std::string::npos) << r.err;
}

TEST(Installation, BashCompletionOffersEveryOptionOfTheHelp) {
    const std::string completion = text_of_file(std::string(VELLIQOR_SOURCE_DIR) + "/resources/linux/velliqor.bash-completion");
    for (const std::string& o : options_in_help()) {
        EXPECT_TRUE(std::regex_search(completion, std::regex("(^|\\s|\")" + o + "(\\s|\"|$)"))) << o;
    }
}

// The words typed, the last one being completed, and what bash offers. The
// profile commands are among the words: each must have the completion too.
TEST(Installation, BashCompletesTheValuesOfOptionsInBothForms) {
    const TempDir dir = make_temp_dir();
    mkdir((dir.path + "/tapes").c_str(), 0777);
    write_bytes(dir.path + "/take.wav", {0});
    const std::string script = "source '" + std::string(VELLIQOR_SOURCE_DIR) +
                               "/resources/linux/velliqor.bash-completion'; COMP_WORDS=(\"$@\"); COMP_CWORD=$(($# - 1));"
                               " _velliqor; echo \"${COMPREPLY[*]}\"; complete -p \"$1\" >/dev/null";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"velliqor", "--channel", "=", ""}, "left right mix"},
        {{"velliqor-2.01", "--channel", "=", "m"}, "mix"},
        {{"velliqor-2.0", "--channel", "r"}, "right"},
        {{"velliqor-2.01-compact", "--out", "=", ""}, "tapes"},
        {{"velliqor-2.0-long", "--out", "t"}, "tapes"},
    };
    for (const auto& [words, offered] : cases) {
        std::vector<std::string> args{"-c", script, "bash"};
        args.insert(args.end(), words.begin(), words.end());
        const CliResult r = run_program("/bin/bash", args, dir.path);
        EXPECT_EQ(r.status, 0) << words[0] << " has no completion";
        EXPECT_EQ(r.out, offered + "\n") << words[1] << " " << words[2];
    }
    remove_temp_dir(dir);
}

TEST(Installation, TheDesktopEntryIsValidWithoutAHint) {
    if (access("/usr/bin/desktop-file-validate", X_OK) != 0) GTEST_SKIP() << "desktop-file-utils is not installed";
    const TempDir dir = make_temp_dir();
    const CliResult r = run_program("/usr/bin/desktop-file-validate",
                                    {std::string(VELLIQOR_SOURCE_DIR) + "/resources/linux/velliqor.desktop"}, dir.path);
    remove_temp_dir(dir);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out + r.err, "");
}
}  // namespace

namespace {
// The README's way of spreading a collection over machines, run on this one.
TEST(ManyMachines, GnuParallelRunsGiveWhatSingleRunsGive) {
    if (access("/usr/bin/parallel", X_OK) != 0) GTEST_SKIP() << "GNU parallel is not installed";
    const TempDir dir = make_temp_dir();
    std::vector<std::string> names;
    for (int k = 0; k < 3; ++k) {
        EncoderOptions options;
        options.pilot_pulses = 800;
        const std::string name = "tape" + std::to_string(k) + ".raw";
        write_bytes(dir.path + "/" + name,
                    samples_as_bytes(encode_blocks({make_header(0, "part" + std::to_string(k), 4, 10, 4),
                                                    make_data_block(0xFF, {1, 2, 3, static_cast<std::uint8_t>(k)})},
                                                   options)));
        names.push_back(name);
        ASSERT_EQ(run_cli({"--quiet", "--out", "single", name}, dir.path).status, 0);
    }
    std::vector<std::string> args{"--will-cite", "-j", "2", "--joblog", "jobs.log", VELLIQOR_CLI, "--quiet", "--no-window", "--out", "spread", "{}", ":::"};
    args.insert(args.end(), names.begin(), names.end());
    const CliResult r = run_program("/usr/bin/parallel", args, dir.path);
    EXPECT_EQ(r.status, 0) << r.err;
    for (const std::string& name : names) {
        // The job log keeps each recording's status: Exitval and Signal, then the command.
        EXPECT_NE(text_of_file(dir.path + "/jobs.log").find(std::string("\t0\t0\t") + VELLIQOR_CLI + " --quiet --no-window --out spread " + name + "\n"),
                  std::string::npos);
        const std::string folder = name.substr(0, name.size() - 4);
        EXPECT_EQ(list_folder(dir.path + "/single/" + folder), list_folder(dir.path + "/spread/" + folder));
        for (const std::string& f : list_folder(dir.path + "/single/" + folder)) {
            EXPECT_EQ(read_bytes(dir.path + "/single/" + folder + "/" + f), read_bytes(dir.path + "/spread/" + folder + "/" + f)) << f;
        }
    }
    remove_temp_dir(dir);
}
}  // namespace
