// libFuzzer target: any bytes as the recording, through analysis, decoding,
// the block report, TAP writing and the drawn live view.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "support/pipeline_runner.h"
#include "view/canvas.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static std::string folder;
    if (folder.empty()) {
        char pattern[] = "/tmp/velliqor-fuzz-XXXXXX";
        if (mkdtemp(pattern) == nullptr) std::abort();
        folder = pattern;
        if (!canvas_create(800, 680)) std::abort();
    }
    run_pipeline_on_bytes(data, size, folder);
    return 0;
}
