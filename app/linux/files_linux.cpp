#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "app/linux/files_linux.h"
#include "app/platform_files.h"
#include "app/run_driver.h"

const char path_separator = '/';
const char* const text_file_not_found = "\xD0\xA4\xD0\xB0\xD0\xB9\xD0\xBB \xD0\xBD\xD0\xB5 "
                                        "\xD0\xBD\xD0\xB0\xD0\xB9\xD0\xB4\xD0\xB5\xD0\xBD!";  // UTF-8

void platform_choose_recording(char*) {}

RecordingSource recording_source;

std::FILE* platform_open_recording(const char* path) {
    if (!recording_source.convert) return std::fopen(path, "rb");
    std::string error;
    std::FILE* stream = open_converted_recording(path, recording_source.channel, error);
    if (stream == nullptr) std::fprintf(stderr, "velliqor: %s\n", error.c_str());
    return stream;
}

bool platform_current_directory(char* path, std::size_t size) { return getcwd(path, size) != nullptr; }

bool platform_make_directory(const char* path) { return mkdir(path, 0777) == 0; }

bool platform_change_directory(const char* path) { return chdir(path) == 0; }
