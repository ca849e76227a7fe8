// A long, noisy run whose log and TAP files are pinned: changes made for speed
// must leave every output byte as it was.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/linux/present_linux.h"
#include "app/run_driver.h"
#include "support/test_files.h"
#include "support/test_tapes.h"
#include "view/canvas.h"

namespace {
std::uint64_t fnv1a(const std::vector<std::uint8_t>& bytes) {
    std::uint64_t h = 1469598103934665603ull;
    for (std::uint8_t b : bytes) h = (h ^ b) * 1099511628211ull;
    return h;
}

std::string digest_of_folder(const std::string& folder) {
    std::string text;
    for (const std::string& name : list_folder(folder)) {
        char line[128];
        std::snprintf(line, sizeof line, "%s %016llx\n", name.c_str(),
                      static_cast<unsigned long long>(fnv1a(read_bytes(folder + "/" + name))));
        text += line;
    }
    return text;
}

TEST(GoldenRun, NoisyTapeGivesThePinnedLogAndTapFiles) {
    const TempDir dir = make_temp_dir();
    std::vector<std::int16_t> samples;
    for (unsigned pass = 0; pass < 2; ++pass) {
        EncoderOptions options;
        options.waveform = Waveform::rounded;
        options.speed = 0.96 + 0.06 * pass;
        options.noise = 6000;
        options.seed = 7 + pass;
        const std::vector<std::int16_t> part = encode_blocks(test_tape(), options);
        samples.insert(samples.end(), part.begin(), part.end());
    }
    write_bytes(dir.path + "/golden.raw", samples_as_bytes(samples));
    const CliResult r = run_cli({"golden.raw"}, dir.path);
    EXPECT_EQ(r.status, 2) << r.err;
    EXPECT_EQ(digest_of_folder(dir.path + "/golden"), 
              "000_Noname.tap 1ad4e66b7294c949\n"
              "001_prog one.tap 0ff143c2b3e37c04\n"
              "002_proC_7_2__.tap 618a92edca0e357d\n"
              "Log.txt bde1e14d4778dea7\n") << r.out;
    remove_temp_dir(dir);
}
// Every presented screen of a drawn run, folded into one digest.
std::uint64_t frames_digest = 0;
int frames = 0;
void digest_frame() {
    std::uint64_t h = frames_digest ^ 1469598103934665603ull;
    for (std::size_t k = 0; k < static_cast<std::size_t>(canvas.W) * canvas.H; ++k) {
        h = (h ^ canvas.pixels[k]) * 1099511628211ull;
    }
    frames_digest = h;
    ++frames;
}

TEST(GoldenRun, EveryPresentedScreenIsPinned) {
    const TempDir dir = make_temp_dir();
    EncoderOptions options;
    options.waveform = Waveform::rounded;
    options.noise = 6000;
    options.speed = 0.97;
    const std::vector<Block> tape = test_tape();
    write_bytes(dir.path + "/frames.raw",
                samples_as_bytes(encode_blocks(std::vector<Block>(tape.begin(), tape.begin() + 4), options)));
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_EQ(chdir(dir.path.c_str()), 0);

    reset_program_state();
    drawing_enabled = true;
    ASSERT_TRUE(canvas_create(800, 680));
    frames_digest = 0;
    frames = 0;
    present_hook = digest_frame;
    canvas_startup();  // as the front ends do
    std::snprintf(recovery_run.chosen_path, path_size, "%s/frames.raw", dir.path.c_str());
    run_recording(RunSettings{});
    present_hook = nullptr;
    canvas_destroy();
    reset_program_state();

    EXPECT_EQ(frames, 1394);
    EXPECT_EQ(frames_digest, 5375927416130855621ull);
    ASSERT_EQ(chdir(previous), 0);
    remove_temp_dir(dir);
}
}  // namespace
