// The live view in a real window under a virtual X display, driven like a user.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

#include "support/test_files.h"
#include "support/x_display.h"
#include "tools/tape_encoder.h"

namespace {
struct Rgb {
    int r, g, b;
};

// Reads an RGB or RGBA PNG into rows of pixels, top row first.
bool read_png(const std::string& path, std::vector<std::vector<Rgb>>& rows) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> bytes(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) return false;
    rows.assign(image.height, std::vector<Rgb>(image.width));
    for (png_uint_32 y = 0; y < image.height; ++y)
        for (png_uint_32 x = 0; x < image.width; ++x) {
            const png_byte* p = &bytes[(y * image.width + x) * 3];
            rows[y][x] = {p[0], p[1], p[2]};
        }
    return true;
}

std::string wait_for(const XDisplay& display, const std::string& command, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < deadline) {
        const std::string out = x_command(display, command);
        if (!out.empty()) return out;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return "";
}

// Whatever way the test leaves, the program and the display go with it.
struct WindowRun {
    XDisplay display;
    pid_t program = -1;
    TempDir dir = make_temp_dir();
    ~WindowRun() {
        if (program > 0 && waitpid(program, nullptr, WNOHANG) == 0) {
            kill(program, SIGKILL);
            waitpid(program, nullptr, 0);
        }
        x_display_stop(display);
        remove_temp_dir(dir);
    }
};

TEST(LiveWindow, ShowsTheCanvasAndEscapeStopsWithTheLogComplete) {
    if (!x_tools_installed()) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick is not installed";
    WindowRun w;
    XDisplay& display = w.display;
    const TempDir& dir = w.dir;
    ASSERT_TRUE(x_display_start(display));
    EncoderOptions options;
    options.pilot_pulses = 3000;
    std::vector<Block> blocks;
    for (int k = 0; k < 12; ++k) blocks.push_back(make_data_block(0xFF, std::vector<std::uint8_t>(400, 0x5A)));
    write_bytes(dir.path + "/tape.raw", samples_as_bytes(encode_blocks(blocks, options)));

    const pid_t run = w.program = start_program(VELLIQOR_CLI, {"--pace", "3", "tape.raw"}, dir.path, "out.txt",
                                                "err.txt", display.name.c_str());
    const std::string window = wait_for(display, "xdotool search --name 'Velliqor v2.01'", 20);
    ASSERT_FALSE(window.empty()) << "no window on " << display.name;
    const std::string id = window.substr(0, window.find('\n'));
    // Once a block has been reported, the picture holds lanes, markers and a verdict.
    for (int k = 0; k < 200; ++k) {
        const std::vector<std::uint8_t> log = read_bytes(dir.path + "/tape/Log.txt");
        if (std::string(log.begin(), log.end()).find("Checksum") != std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    x_command(display, "/usr/bin/import -window " + id + " " + dir.path + "/shot.png");
    std::vector<std::vector<Rgb>> shot;
    ASSERT_TRUE(read_png(dir.path + "/shot.png", shot));
    ASSERT_GE(shot.size(), 680u);
    ASSERT_GE(shot[0].size(), 800u);
    const auto at_up = [&](int x, int y) { return shot[679 - y][x]; };  // the Canvas' up-coordinates
    const auto is = [](Rgb p, int r, int g, int b) { return p.r == r && p.g == g && p.b == b; };
    EXPECT_TRUE(is(at_up(790, 670), 255, 255, 228));   // background above the lanes
    EXPECT_TRUE(is(at_up(401, 230), 155, 230, 255));   // level lane (odd column: no midline dot)
    EXPECT_TRUE(is(at_up(400, 260), 0, 100, 200));     // its dotted midline
    EXPECT_TRUE(is(at_up(0, 460), 255, 255, 228) || is(at_up(0, 460), 0, 200, 250) ||
                is(at_up(0, 460), 255, 240, 240));     // the trace band: background or a marker

    x_command(display, "xdotool windowfocus --sync " + id + " key Escape");
    int status = 0;
    waitpid(run, &status, 0);
    w.program = -1;
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::vector<std::uint8_t> log_bytes = read_bytes(dir.path + "/tape/Log.txt");
    const std::string log(log_bytes.begin(), log_bytes.end());
    std::size_t lines = 0;
    for (std::size_t at = log.find("Checksum: OK\r\n"); at != std::string::npos; at = log.find("Checksum: OK\r\n", at + 1)) ++lines;
    EXPECT_GE(lines, 1u);
    EXPECT_EQ(parse_tap(read_bytes(dir.path + "/tape/000_Noname.tap")).size(), lines);
}

TEST(Frames, OnePicturePerSecondOfRecordingNamedToSort) {
    const TempDir dir = make_temp_dir();
    write_bytes(dir.path + "/quiet.raw", std::vector<std::uint8_t>(2 * 48000 * 3 + 2000, 0));  // 3 s of silence
    CliResult r = run_cli({"--no-window", "--frames", "pictures", "quiet.raw"}, dir.path);
    EXPECT_EQ(r.status, 2) << r.err;  // no block in silence
    EXPECT_EQ(list_folder(dir.path + "/pictures"),
              (std::vector<std::string>{"frame-0000000000.png", "frame-0000048000.png", "frame-0000096000.png",
                                        "frame-0000144000.png"}));
    r = run_cli({"--no-window", "--frames", "every", "--frames-every", "60", "quiet.raw"}, dir.path);
    EXPECT_EQ(list_folder(dir.path + "/every").size(), 3u);  // screens 60, 120 and 180 of 182
    EXPECT_EQ(run_cli({"--frames-every", "2", "quiet.raw"}, dir.path).status, 1);  // needs --frames
    remove_temp_dir(dir);
}
}  // namespace
