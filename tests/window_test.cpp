// The live view in a real window under a virtual X display, driven like a user.
#include <gtest/gtest.h>
#include <png.h>
#include <signal.h>
#include <sys/stat.h>
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

std::string text_of(const std::string& path) {
    const std::vector<std::uint8_t> bytes = read_bytes(path);
    return std::string(bytes.begin(), bytes.end());
}

std::size_t count_of(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (std::size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

template <typename Done>
bool within(double seconds, Done done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// A program still running at the deadline is left to WindowRun to kill: a
// hang fails the test instead of holding up the suite.
bool ends_within(WindowRun& w, double seconds, int& status) {
    if (!within(seconds, [&] { return waitpid(w.program, &status, WNOHANG) == w.program; })) return false;
    w.program = -1;
    return WIFEXITED(status);
}

// Blocks of 0x5A bytes in `folder`/tape.raw; 400 bytes take about 4 s of recording.
void write_tape(const std::string& folder, int blocks, int bytes) {
    mkdir(folder.c_str(), 0700);
    EncoderOptions options;
    options.pilot_pulses = 3000;
    const std::vector<TapBlock> list(blocks, make_data_block(0xFF, std::vector<std::uint8_t>(bytes, 0x5A)));
    write_bytes(folder + "/tape.raw", samples_as_bytes(encode_blocks(list, options)));
}

void expect_log_and_tap_whole(const std::string& folder, std::size_t at_least) {
    const std::size_t lines = count_of(text_of(folder + "/tape/Log.txt"), "Checksum: OK\r\n");
    EXPECT_GE(lines, at_least);
    EXPECT_EQ(parse_tap(read_bytes(folder + "/tape/000_Noname.tap")).size(), lines);
}

// A picture of the window into `path`; a try that timed out is made again.
bool take_shot(const XDisplay& display, const std::string& id, const std::string& path, std::vector<std::vector<Rgb>>& shot) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        x_command(display, "/usr/bin/import -window " + id + " " + path);
        if (read_png(path, shot)) return true;
    }
    return false;
}

// The About panel: white paper with black text in the middle of the picture.
bool about_shown(const WindowRun& w, const std::string& id) {
    std::vector<std::vector<Rgb>> shot;
    if (!take_shot(w.display, id, w.dir.path + "/shot.png", shot) || shot.size() < 360 || shot[0].size() < 480) return false;
    int paper = 0, ink = 0;
    for (int y = 320; y < 360; ++y)
        for (int x = 320; x < 480; ++x) {
            paper += shot[y][x].r == 255 && shot[y][x].g == 255 && shot[y][x].b == 255;
            ink += shot[y][x].r == 0 && shot[y][x].g == 0 && shot[y][x].b == 0;
        }
    return paper > 3200 && ink > 50;
}

TEST(LiveWindow, ShowsTheCanvasAndEscapeStopsWithTheLogComplete) {
    if (!x_tools_installed()) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick is not installed";
    WindowRun w;
    XDisplay& display = w.display;
    const TempDir& dir = w.dir;
    ASSERT_TRUE(x_display_start(display));
    EncoderOptions options;
    options.pilot_pulses = 3000;
    std::vector<TapBlock> blocks;
    for (int k = 0; k < 12; ++k) blocks.push_back(make_data_block(0xFF, std::vector<std::uint8_t>(400, 0x5A)));
    write_bytes(dir.path + "/tape.raw", samples_as_bytes(encode_blocks(blocks, options)));

    const pid_t run = w.program = start_program(VELLIQOR_CLI, {"--pace", "3", "tape.raw"}, dir.path, "out.txt",
                                                "err.txt", display.name.c_str());
    const std::string window = wait_for(display, "xdotool search --name 'Velliqor v2.01'", 60);
    ASSERT_FALSE(window.empty()) << "no window; the program said: " << text_of(dir.path + "/err.txt")
                                 << x_display_state(display);
    const std::string id = window.substr(0, window.find('\n'));
    // Once a block has been reported, the picture holds lanes, markers and a verdict.
    for (int k = 0; k < 200; ++k) {
        const std::vector<std::uint8_t> log = read_bytes(dir.path + "/tape/Log.txt");
        if (std::string(log.begin(), log.end()).find("Checksum") != std::string::npos) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::vector<std::vector<Rgb>> shot;
    ASSERT_TRUE(take_shot(display, id, dir.path + "/shot.png", shot));
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

// The run is over when the window is held: a signal closes it as the user
// would, and the status is the run's own, not "stopped".
TEST(LiveWindow, SigtermWhileHeldEndsWithTheRunsStatusAndItsFilesWhole) {
    if (!x_tools_installed()) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick is not installed";
    WindowRun w;
    ASSERT_TRUE(x_display_start(w.display));
    write_tape(w.dir.path, 2, 100);
    w.program = start_program(VELLIQOR_CLI, {"tape.raw"}, w.dir.path, "out.txt", "err.txt", w.display.name.c_str());
    // A busy machine (the test command runs two tests at a time) can take long to show it.
    ASSERT_FALSE(wait_for(w.display, "xdotool search --name 'Velliqor v2.01'", 60).empty())
        << "no window; the program said: " << text_of(w.dir.path + "/err.txt") << x_display_state(w.display);
    // Standard output, a file here, is written out just before the hold.
    ASSERT_TRUE(within(20, [&] { return count_of(text_of(w.dir.path + "/out.txt"), "Checksum: OK") == 2; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    kill(w.program, SIGTERM);
    int status = 0;
    ASSERT_TRUE(ends_within(w, 5, status)) << "still holding the window after SIGTERM";
    EXPECT_EQ(WEXITSTATUS(status), 0);
    expect_log_and_tap_whole(w.dir.path, 2);
}

// A display named but out of reach gave SDL's invisible fallback window, held
// for a close that could never come.
TEST(LiveWindow, UnusableDisplayRunsWithoutWindowAndSaysSoOnce) {
    WindowRun w;
    int free_display = 87;
    while (exists("/tmp/.X11-unix/X" + std::to_string(free_display))) ++free_display;
    const std::vector<std::vector<std::string>> environments{  // for env(1), started with no display
        {"DISPLAY="},
        {"DISPLAY=:" + std::to_string(free_display)},
        {"XDG_RUNTIME_DIR=" + w.dir.path, "WAYLAND_DISPLAY=velliqor-none"},
        {"-u", "XDG_RUNTIME_DIR", "WAYLAND_DISPLAY=velliqor-none"}};
    for (std::size_t k = 0; k < environments.size(); ++k) {
        const std::string folder = w.dir.path + "/" + std::to_string(k);
        write_tape(folder, 1, 50);
        std::vector<std::string> args = environments[k];
        args.insert(args.end(), {VELLIQOR_CLI, "tape.raw"});
        w.program = start_program("/usr/bin/env", args, folder, "out.txt", "err.txt");
        int status = 0;
        ASSERT_TRUE(ends_within(w, 10, status)) << environments[k].back() << ": the run did not end by itself";
        EXPECT_EQ(WEXITSTATUS(status), 0);
        const std::string err = text_of(folder + "/err.txt");
        EXPECT_TRUE(count_of(err, "\n") == 1 && err.rfind("velliqor: no window: ", 0) == 0) << err;
        expect_log_and_tap_whole(folder, 1);
    }
}

// At --pace 0.01 each screen is waited for 1.7 s; a stop must not wait for it to end.
TEST(LiveWindow, SigtermDuringASlowPaceEndsTheRunPromptly) {
    if (!x_tools_installed()) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick is not installed";
    WindowRun w;
    ASSERT_TRUE(x_display_start(w.display));
    for (const char* display : {static_cast<const char*>(nullptr), w.display.name.c_str()}) {
        const std::string folder = w.dir.path + (display != nullptr ? "/window" : "/headless");
        write_tape(folder, 1, 50);
        w.program = start_program(VELLIQOR_CLI, {"--pace", "0.01", "tape.raw"}, folder, "out.txt", "err.txt", display);
        // The log is opened once the stop handlers are in place.
        ASSERT_TRUE(within(10, [&] { return exists(folder + "/tape/Log.txt"); }));
        const auto sent = std::chrono::steady_clock::now();
        kill(w.program, SIGTERM);
        int status = 0;
        ASSERT_TRUE(ends_within(w, 10, status));
        const auto waited = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - sent);
        EXPECT_LT(waited.count(), 800) << folder;
        EXPECT_EQ(WEXITSTATUS(status), 1) << folder;
    }
}

// F1 shows the About panel over the picture and processing waits, as for a
// modal box; a key or a click closes it, a signal ends the wait and the run.
TEST(LiveWindow, AboutPanelClosesOnKeyOrClickAndSigtermEndsItsWait) {
    if (!x_tools_installed()) GTEST_SKIP() << "Xvfb, xdotool or ImageMagick is not installed";
    WindowRun w;
    ASSERT_TRUE(x_display_start(w.display));
    write_tape(w.dir.path, 6, 400);  // still running at the end
    w.program = start_program(VELLIQOR_CLI, {"--pace", "1", "tape.raw"}, w.dir.path, "out.txt", "err.txt",
                              w.display.name.c_str());
    const std::string found = wait_for(w.display, "xdotool search --name 'Velliqor v2.01'", 60);
    ASSERT_FALSE(found.empty()) << "no window; the program said: " << text_of(w.dir.path + "/err.txt")
                                << x_display_state(w.display);
    const std::string id = found.substr(0, found.find('\n'));
    const std::string f1 = "xdotool windowfocus --sync " + id + " key F1";
    for (const std::string closer : {"key Escape", "click 1"}) {
        x_command(w.display, f1);
        ASSERT_TRUE(within(5, [&] { return about_shown(w, id); })) << "F1 showed no About panel";
        x_command(w.display, "xdotool mousemove --window " + id + " 400 340 " + closer);
        EXPECT_TRUE(within(5, [&] { return !about_shown(w, id); })) << closer << " left the About panel open";
        EXPECT_EQ(waitpid(w.program, nullptr, WNOHANG), 0) << closer << " ended the run";
    }
    x_command(w.display, f1);
    ASSERT_TRUE(within(5, [&] { return about_shown(w, id); }));
    kill(w.program, SIGTERM);
    int status = 0;
    ASSERT_TRUE(ends_within(w, 5, status)) << "the About panel kept waiting after SIGTERM";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    expect_log_and_tap_whole(w.dir.path, 0);
}

}  // namespace
