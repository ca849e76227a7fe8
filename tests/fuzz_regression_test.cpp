// Inputs that once made the pipeline fail, kept so that the faults stay
// mended, and the fuzzer's seeds beside them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "recovery/run_recording.h"
#include "support/pipeline_runner.h"
#include "support/test_files.h"
#include "view/canvas.h"

namespace {
TEST(FuzzRegressions, EveryKeptInputRunsToTheEnd) {
    const std::string kept = std::string(VELLIQOR_SOURCE_DIR) + "/tests/fuzz/regressions";
    std::vector<std::string> inputs;
    for (const std::string& name : list_folder(kept)) {
        if (name.size() >= 4 && name.compare(name.size() - 4, 4, ".raw") == 0) inputs.push_back(name);
    }
    // An empty folder (a wrong path, files lost in a move) would pass while testing nothing.
    ASSERT_FALSE(inputs.empty()) << "no .raw input in " << kept << "; the fuzzer's seeds at least belong there";
    const TempDir dir = make_temp_dir();
    char previous[4096];
    ASSERT_NE(getcwd(previous, sizeof previous), nullptr);
    ASSERT_TRUE(canvas_create(800, 680));
    for (const std::string& name : inputs) {
        const std::vector<std::uint8_t> bytes = read_bytes(kept + "/" + name);
        EXPECT_FALSE(bytes.empty()) << name << " could not be read";
        const int status = run_pipeline_on_bytes(bytes.data(), bytes.size(), dir.path);
        EXPECT_TRUE(status == exit_ok || status == exit_blocks_bad) << name << ": " << status;
    }
    canvas_destroy();
    ASSERT_EQ(chdir(previous), 0);
    remove_temp_dir(dir);
}
}  // namespace
