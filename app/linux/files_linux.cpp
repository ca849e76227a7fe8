#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/linux/files_linux.h"

RecordingSource& recording_source() {
    thread_local RecordingSource source;
    return source;
}

namespace {
// "NAME: No such file or directory", with the recording as the user named it.
std::string cannot_open_named(const char* path) {
    const int reason = errno;
    const std::string name = recording_source().standard_input ? "standard input"
                             : recording_source().name.empty() ? path : recording_source().name;
    return name + ": " + std::strerror(reason);
}

std::FILE* open_converted(const char* path, std::string& error) {
    std::FILE* stream = nullptr;
    // Standard input is read from its descriptor, a file behind it too: never
    // from the stand-in path that only names its output folder.
    if (recording_source().stream || recording_source().standard_input) {
        const int fd = recording_source().standard_input ? dup(STDIN_FILENO) : open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            error = cannot_open_named(path);
            return nullptr;
        }
        stream = open_converted_stream(fd, recording_source().standard_input ? "standard input" : path,
                                       recording_source().channel, error);
    } else {
        // Opened once first, so that a file that cannot be opened says so as in a run without --convert.
        const int fd = open(path, O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            error = cannot_open_named(path);
            return nullptr;
        }
        close(fd);
        stream = open_converted_recording(path, recording_source().channel, error);
    }
    return stream;
}
}  // namespace

// A file that cannot be opened is named as the user named it, with the reason.
std::FILE* open_recording(const char* path, std::string& error) {
    if (recording_source().convert) return open_converted(path, error);
    std::FILE* file = recording_source().standard_input ? fdopen(dup(STDIN_FILENO), "rb") : std::fopen(path, "rb");
    if (file == nullptr) error = cannot_open_named(path);
    return file;
}

// A TAP file replaces whatever has its name, a symbolic link included: it is
// never written through a link into some other file. The log is only ever
// appended to, and a link there is the user's own (to a disk of their choice).
std::FILE* open_in_output_folder(int folder, const char* name, bool append) {
    const int at = folder >= 0 ? folder : AT_FDCWD;
    if (append) {
        const int fd = openat(at, name, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
        std::FILE* file = fd >= 0 ? fdopen(fd, "ab") : nullptr;
        if (file == nullptr && fd >= 0) close(fd);
        return file;
    }
    const int flags = O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC;
    int fd = openat(at, name, flags, 0666);
    if (fd < 0 && errno == ELOOP && unlinkat(at, name, 0) == 0) fd = openat(at, name, flags | O_EXCL, 0666);
    if (fd < 0) return nullptr;
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) close(fd);
    return file;
}
