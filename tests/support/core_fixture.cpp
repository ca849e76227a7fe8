#include "support/core_fixture.h"

#include <unistd.h>

#include "decode/block_buffer.h"
#include "input/sample_stream.h"
#include "output/block_report.h"
#include "output/log_file.h"
#include "recovery/run_recording.h"
#include "support/test_files.h"
#include "view/canvas.h"
#include "view/screen_cycle.h"

void CoreTest::SetUp() {
    char current[4096];
    previous_dir = getcwd(current, sizeof current) != nullptr ? current : "/tmp";
    dir = make_temp_dir();
    ASSERT_EQ(chdir(dir.path.c_str()), 0);
    reset_run(run);
    run.drawing = true;
    ASSERT_TRUE(canvas_create(800, 680));
    run.screen->W = 800;
    run.window->slots = new float[window_slots]();
    run.buffer->bytes = new std::uint8_t[block_buffer_size]();
    run.log->LogFile = std::tmpfile();
}

void CoreTest::TearDown() {
    reset_run(run);
    canvas_destroy();
    if (chdir(previous_dir.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << previous_dir;
    remove_temp_dir(dir);
}

void CoreTest::open_recording_bytes(const std::vector<std::uint8_t>& bytes) {
    run.source->recording = std::tmpfile();
    if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), run.source->recording);
    std::rewind(run.source->recording);
    read_samples(run, history_slots);
    run.window->cursor = history_slots;
    run.screen->Disp = 4 * absolute_index(run, run.window->cursor);
}

void CoreTest::open_recording(const std::vector<std::int16_t>& samples) {
    open_recording_bytes(samples_as_bytes(samples));
}

std::vector<std::uint8_t> CoreTest::log_bytes() {
    std::fflush(run.log->LogFile);
    std::vector<std::uint8_t> bytes;
    std::rewind(run.log->LogFile);
    int c;
    while ((c = std::fgetc(run.log->LogFile)) != EOF) bytes.push_back(static_cast<std::uint8_t>(c));
    std::fseek(run.log->LogFile, 0, SEEK_END);
    return bytes;
}

std::string CoreTest::log_text() {
    std::string text;
    for (std::uint8_t b : log_bytes()) {
        if (b != '\r') text.push_back(static_cast<char>(b));
    }
    return text;
}
