// Pictures of the live view saved as PNG files.
#include <gtest/gtest.h>
#include <png.h>

#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/linux/png_snapshot.h"
#include "view/canvas.h"

namespace {

namespace fs = std::filesystem;

struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint8_t> rgb;  // top row first, as stored in the file
};

bool read_png(const fs::path& path, Picture& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
}

class PngSnapshot : public ::testing::Test {
protected:
    fs::path folder;
    void SetUp() override {
        folder = fs::path(::testing::TempDir()) /
                 ("png_snapshot_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        ASSERT_TRUE(canvas_create(3, 2));
    }
    void TearDown() override {
        canvas_destroy();
        fs::remove_all(folder);
    }
};

TEST_F(PngSnapshot, WritesTopRowFirstWithRedInTheLowByte) {
    // Bottom row (y = 0) then top row (y = 1), colours 0x00BBGGRR.
    const std::uint32_t colours[6] = {0x00030201, 0x00060504, 0x00090807,
                                      0x00332211, 0x00665544, 0x00998877};
    std::copy(colours, colours + 6, canvas.pixels);
    const fs::path path = folder / "view.png";
    std::string error;
    ASSERT_TRUE(write_png_snapshot(path.c_str(), error)) << error;
    EXPECT_TRUE(error.empty());

    Picture picture;
    ASSERT_TRUE(read_png(path, picture));
    EXPECT_EQ(picture.width, 3);
    EXPECT_EQ(picture.height, 2);
    const std::vector<std::uint8_t> expected = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99,
                                                0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09};
    EXPECT_EQ(picture.rgb, expected);
    EXPECT_FALSE(fs::exists(folder / "view.png.part"));
}

TEST_F(PngSnapshot, ReplacesAnEarlierPicture) {
    const fs::path path = folder / "view.png";
    std::ofstream(path) << "not a picture";
    std::string error;
    ASSERT_TRUE(write_png_snapshot(path.c_str(), error)) << error;
    Picture picture;
    ASSERT_TRUE(read_png(path, picture));
    EXPECT_EQ(picture.rgb, std::vector<std::uint8_t>(18, 0));
}

TEST_F(PngSnapshot, AnyNameThatFitsTheFolderFitsItsTemporaryFileToo) {
    const fs::path path = folder / (std::string(251, 'p') + ".png");  // 255 bytes, the most a name may have
    std::string error;
    EXPECT_TRUE(write_png_snapshot(path.c_str(), error)) << error;
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(PngSnapshot, MissingFolderFailsWithThePathAndLeavesNoFile) {
    const fs::path path = folder / "absent" / "view.png";
    std::string error;
    EXPECT_FALSE(write_png_snapshot(path.c_str(), error));
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
    EXPECT_FALSE(fs::exists(path));
    EXPECT_FALSE(fs::exists(path.string() + ".part"));
}

TEST_F(PngSnapshot, WriteErrorPartWayFailsAndLeavesNoFile) {
    // A busy picture that cannot compress below the file size limit.
    ASSERT_TRUE(canvas_create(790, 540));
    std::uint32_t state = 12345;
    for (int i = 0; i < 790 * 540; ++i) canvas.pixels[i] = (state = state * 1664525u + 1013904223u) >> 8;
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    rlimit small = saved;
    small.rlim_cur = 4096;
    auto* previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const fs::path path = folder / "view.png";
    std::string error;
    const bool written = write_png_snapshot(path.c_str(), error);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
    EXPECT_TRUE(fs::is_empty(folder));  // no temporary file left either
}

TEST_F(PngSnapshot, FailureAtTheFinalRenameLeavesNoPartFile) {
    // A non-empty folder where the picture should go cannot be replaced.
    const fs::path path = folder / "taken";
    fs::create_directories(path / "inside");
    std::string error;
    EXPECT_FALSE(write_png_snapshot(path.c_str(), error));
    EXPECT_NE(error.find(path.string()), std::string::npos) << error;
    EXPECT_TRUE(fs::is_directory(path));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);
}

TEST_F(PngSnapshot, NoPictureIsAFailure) {
    canvas_destroy();
    const fs::path path = folder / "view.png";
    std::string error;
    EXPECT_FALSE(write_png_snapshot(path.c_str(), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(fs::exists(path));
}

}  // namespace
