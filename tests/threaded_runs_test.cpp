// Two recoveries in one process at once, each on its own thread with its own
// Run, write what each writes alone, and what the command line writes for it
// in a process of its own. Built with ThreadSanitizer too (threaded_runs in
// the test command), where any state the two share would show as a race.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "common/run.h"
#include "recovery/run_recording.h"
#include "support/test_files.h"
#include "support/test_tapes.h"

namespace {
using Files = std::map<std::string, std::string>;

// A file written to memory: its text is there once the run has closed it.
struct MemoryFile {
    std::string name;
    char* data = nullptr;
    std::size_t size = 0;
};

struct Recovered {
    int status = -1;
    Files files;
};

Recovered recover(const std::string& recording) {
    std::vector<std::unique_ptr<MemoryFile>> opened;
    std::mutex opening;  // the run opens its files on its own thread, one at a time; kept simple all the same
    RunSettings settings;
    settings.drawing = false;
    settings.recording = recording;
    settings.create_output = [&](int, const char* name, bool) {
        std::lock_guard<std::mutex> lock(opening);
        opened.push_back(std::make_unique<MemoryFile>());
        opened.back()->name = name;
        return open_memstream(&opened.back()->data, &opened.back()->size);
    };
    ::Run run;
    Recovered r;
    r.status = run_recording(run, settings).status;
    for (const auto& f : opened) {
        r.files[f->name] += std::string(f->data, f->size);  // a TAP file reopened by name goes on where it was
        std::free(f->data);
    }
    return r;
}

std::vector<std::int16_t> recording(int variant) {
    EncoderOptions options;
    options.waveform = variant == 0 ? Waveform::rounded : Waveform::square;
    options.speed = variant == 0 ? 0.97 : 1.04;
    options.noise = variant == 0 ? 3000 : 6500;
    options.seed = 7 + variant;
    return encode_blocks(test_tape(), options);
}

TEST(ThreadedRuns, TwoAtOnceWriteWhatEachWritesAlone) {
    const TempDir dir = make_temp_dir();
    std::vector<std::string> paths;
    for (int v = 0; v < 2; ++v) {
        paths.push_back(dir.path + "/take" + std::to_string(v) + ".raw");
        write_bytes(paths.back(), samples_as_bytes(recording(v)));
    }
    const Recovered alone[2] = {recover(paths[0]), recover(paths[1])};
    for (const Recovered& r : alone) ASSERT_GT(r.files.size(), 2u) << "the tape's blocks came out";
    Recovered together[2];
    std::thread other([&] { together[1] = recover(paths[1]); });
    together[0] = recover(paths[0]);
    other.join();
    for (int v = 0; v < 2; ++v) {
        EXPECT_EQ(together[v].status, alone[v].status) << paths[v];
        EXPECT_EQ(together[v].files, alone[v].files) << paths[v];
    }
    // The same bytes as the command line's, each recording in a process of its
    // own (where there is a command line: not in the ThreadSanitizer build).
    for (int v = 0; v < 2 && *VELLIQOR_CLI != '\0'; ++v) {
        const CliResult cli = run_cli({"--no-window", "--quiet", "--one-pass", paths[v]}, dir.path);
        EXPECT_EQ(cli.status, alone[v].status);
        const std::string folder = dir.path + "/take" + std::to_string(v);
        Files written;
        for (const std::string& name : list_folder(folder)) {
            // The folder's owner file and the report are the command line's own.
            if (name[0] == '.' || name == "take" + std::to_string(v) + ".json") continue;
            const std::vector<std::uint8_t> bytes = read_bytes(folder + "/" + name);
            written[name] = std::string(bytes.begin(), bytes.end());
        }
        EXPECT_EQ(written, alone[v].files) << paths[v];
    }
    remove_temp_dir(dir);
}
}  // namespace
