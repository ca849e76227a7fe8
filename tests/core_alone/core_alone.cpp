// The core without a front end: the block loop over a recording made here,
// with the live view drawn by the core's own text drawer. It links against the
// core library and a build profile alone, so a platform dependency creeping
// into the core fails the build; it exits non-zero unless both blocks come out.
#include <cstdio>
#include <string>

#include "analysis/pulse_ring.h"
#include "decode/block_buffer.h"
#include "decode/decoder.h"
#include "input/sample_stream.h"
#include "output/block_report.h"
#include "output/tap_writer.h"
#include "tools/tape_encoder.h"
#include "view/canvas.h"
#include "view/screen_cycle.h"

int main() {
    EncoderOptions options;
    options.pilot_pulses = 800;
    const std::vector<TapBlock> tape{make_header(3, "alone", 4, 32768, 32768), make_data_block(0xFF, {1, 2, 3, 4})};
    const std::vector<std::int16_t> samples = encode_blocks(tape, options);

    if (!canvas_create(800, 680)) return 1;
    drawing_enabled = true;
    canvas_startup();
    sample_window.slots = new float[window_slots]();
    block_buffer.bytes = new std::uint8_t[block_buffer_size]();
    sample_source.recording = std::tmpfile();
    if (sample_source.recording == nullptr) return 1;
    std::fwrite(samples.data(), sizeof(std::int16_t), samples.size(), sample_source.recording);
    std::rewind(sample_source.recording);
    tap_output.tap_file = std::tmpfile();  // the TAP writer's records go nowhere that lasts

    read_samples(history_slots);
    level_lane_reset();
    while (true) {
        const PulseResult r = decode_block(block_report.header_seen);
        finish_block();
        if (r == end_of_data) break;
    }
    const bool whole = block_report.blocks_reported == 2 && block_report.checksum_errors == 0;
    std::printf("%d blocks, %d checksum errors\n", block_report.blocks_reported, block_report.checksum_errors);
    return whole ? 0 : 1;
}
