// Pictures of completed screens kept while the recording is read.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_files.h"

namespace {
TEST(Frames, OnePicturePerSecondOfRecordingNamedToSort) {
    const TempDir dir = make_temp_dir();
    write_bytes(dir.path + "/quiet.raw", std::vector<std::uint8_t>(2 * 48000 * 3 + 2000, 0));  // 3 s of silence
    CliResult r = run_cli({"--no-window", "--frames", "pictures", "quiet.raw"}, dir.path);
    EXPECT_EQ(r.status, 2) << r.err;  // no block in silence
    EXPECT_EQ(list_folder(dir.path + "/pictures"),
              (std::vector<std::string>{"frame-0000000000.png", "frame-0000048000.png", "frame-0000096000.png",
                                        "frame-0000144000.png"}));
    // Every N counts those pictures (seconds), not screens.
    r = run_cli({"--no-window", "--frames", "every", "--frames-every", "2", "quiet.raw"}, dir.path);
    EXPECT_EQ(list_folder(dir.path + "/every"),
              (std::vector<std::string>{"frame-0000000000.png", "frame-0000096000.png"}));
    EXPECT_EQ(run_cli({"--frames-every", "2", "quiet.raw"}, dir.path).status, 64);  // needs --frames
    remove_temp_dir(dir);
}
}  // namespace
