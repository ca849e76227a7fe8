// The core without a front end: the whole job through run_recording, on a
// recording made here, with the live view drawn by the core's own text
// drawer and the output kept in memory. It links against the core library
// and a build profile alone, so a platform dependency creeping into the core
// fails the build; it exits non-zero unless both blocks come out.
#include <cstdio>
#include <string>

#include "common/run.h"
#include "recovery/run_recording.h"
#include "tools/tape_encoder.h"
#include "view/canvas.h"

int main() {
    EncoderOptions options;
    options.pilot_pulses = 800;
    const std::vector<TapBlock> tape{make_header(3, "alone", 4, 32768, 32768), make_data_block(0xFF, {1, 2, 3, 4})};
    const std::vector<std::int16_t> samples = encode_blocks(tape, options);

    if (!canvas_create(800, 680)) return 1;
    RunSettings settings;
    settings.screen_width = 800;
    settings.recording = "alone.raw";
    settings.open_recording = [&](const char*, std::string&) {
        std::FILE* f = std::tmpfile();
        if (f == nullptr) return f;
        std::fwrite(samples.data(), sizeof(std::int16_t), samples.size(), f);
        std::rewind(f);
        return f;
    };
    settings.create_output = [](int, const char*, bool) { return std::tmpfile(); };  // nothing that lasts
    canvas_startup(settings.platform, settings.drawing);
    Run run;
    const RunResult result = run_recording(run, settings);
    canvas_destroy();
    std::printf("%d blocks, %d checksum errors, status %d\n", result.blocks_reported, result.checksum_errors,
                result.status);
    return result.status == exit_ok && result.blocks_reported == 2 ? 0 : 1;
}
