// libFuzzer target: any bytes as a file given to --convert, decoded and
// resampled with the left channel and with the channels mixed, and once more
// through a descriptor asking for the right channel; then the checks of the
// file's header that runs without --convert make.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "app/linux/audio_convert.h"

namespace {
std::string path;  // the input as a file, rewritten for every run
void remove_input() { unlink(path.c_str()); }

// A few bytes of FLAC can stand for hours of silence: a bounded read keeps every input quick.
void read_some_and_close(std::FILE* stream) {
    if (stream == nullptr) return;
    static char buffer[1 << 16];
    for (int k = 0; k < 128 && std::fread(buffer, 1, sizeof buffer, stream) > 0; ++k) {}
    std::fclose(stream);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (path.empty()) {
        char pattern[] = "/tmp/velliqor-convert-fuzz-XXXXXX";
        const int fd = mkstemp(pattern);
        if (fd < 0) abort();
        close(fd);
        path = pattern;
        atexit(remove_input);
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) abort();
    const bool written = std::fwrite(data, 1, size, f) == size;
    if (std::fclose(f) != 0 || !written) abort();

    std::string error;
    for (ChannelChoice channel : {ChannelChoice::left, ChannelChoice::mix}) {
        read_some_and_close(open_converted_recording(path.c_str(), channel, error));
    }
    converted_length(path.c_str());
    sniff_audio(path.c_str());
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) abort();
    read_some_and_close(open_converted_stream(fd, "the input", ChannelChoice::right, error));
    close(fd);
    return 0;
}
