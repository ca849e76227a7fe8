#include "support/core_fixture.h"

#include <unistd.h>

#include "app/run_driver.h"
#include "decode/block_buffer.h"
#include "input/sample_stream.h"
#include "output/block_report.h"
#include "output/log_file.h"
#include "support/test_files.h"
#include "view/canvas.h"
#include "view/screen_cycle.h"

void CoreTest::SetUp() {
    char current[4096];
    previous_dir = getcwd(current, sizeof current) != nullptr ? current : "/tmp";
    dir = make_temp_dir();
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    reset_program_state();
    drawing_enabled = true;
    ASSERT_TRUE(canvas_create(800, 680));
    sample_window.slots = new float[window_slots]();
    block_buffer.bytes = new std::uint8_t[block_buffer_size]();
    log_output.LogFile = std::tmpfile();
}

void CoreTest::TearDown() {
    delete[] sample_window.slots;
    delete[] block_buffer.bytes;
    reset_program_state();
    canvas_destroy();
    if (chdir(previous_dir.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << previous_dir;
    remove_temp_dir(dir);
}

void CoreTest::open_recording_bytes(const std::vector<std::uint8_t>& bytes) {
    sample_source.recording = std::tmpfile();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), sample_source.recording);
    std::rewind(sample_source.recording);
    read_samples(history_slots);
    sample_window.cursor = history_slots;
    screen.Disp = 4 * absolute_index(sample_window.cursor);
}

void CoreTest::open_recording(const std::vector<std::int16_t>& samples) {
    open_recording_bytes(samples_as_bytes(samples));
}

std::vector<std::uint8_t> CoreTest::log_bytes() {
    std::fflush(log_output.LogFile);
    std::vector<std::uint8_t> bytes;
    std::rewind(log_output.LogFile);
    int c;
    while ((c = std::fgetc(log_output.LogFile)) != EOF) bytes.push_back(static_cast<std::uint8_t>(c));
    std::fseek(log_output.LogFile, 0, SEEK_END);
    return bytes;
}

std::string CoreTest::log_text() {
    std::string text;
    for (std::uint8_t b : log_bytes()) {
        if (b != '\r') text.push_back(static_cast<char>(b));
    }
    return text;
}
