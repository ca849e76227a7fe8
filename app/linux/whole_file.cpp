#include "app/linux/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>

namespace {
// Six letters or digits, as mkstemp would choose them; mkstemp itself knows no folder handle.
std::string unique_letters(unsigned long long seed) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::string text;
    for (int k = 0; k < 6; ++k, seed /= 62) text += letters[seed % 62];
    return text;
}
}  // namespace

namespace {
// The process's file mode mask, read without changing it: setting it to read
// it back would, for that moment, change the mode of files other threads make.
mode_t current_umask() {
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        unsigned mask = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status) != nullptr) found = std::sscanf(line, "Umask: %o", &mask) == 1;
        std::fclose(status);
        if (found) return static_cast<mode_t>(mask);
    }
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}
}  // namespace

std::FILE* create_temporary_beside(int folder, const std::string& path, std::string& temporary) {
    const std::size_t cut = path.find_last_of('/');
    const std::string beside = cut == std::string::npos ? "" : path.substr(0, cut + 1);
    static std::atomic<unsigned long long> counter{0};  // files a merge's takes make at once get other names
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 1000; ++attempt) {
        const auto now = std::chrono::steady_clock::now().time_since_epoch().count();
        const unsigned long long seed = static_cast<unsigned long long>(now) * 2654435761u +
                                        static_cast<unsigned long long>(getpid()) * 40503u + ++counter * 0x9E3779B97F4A7C15u;
        temporary = beside + ".velliqor-" + unique_letters(seed);
        fd = openat(folder, temporary.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) return nullptr;
    }
    if (fd < 0) return nullptr;
    fchmod(fd, 0666 & ~current_umask());
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        const int reason = errno;
        close(fd);
        unlinkat(folder, temporary.c_str(), 0);
        errno = reason;
    }
    return file;
}

bool finish_temporary(std::FILE* file, int folder, const std::string& temporary, const std::string& path, bool written) {
    const bool closed = std::fclose(file) == 0;
    if (written && closed && renameat(folder, temporary.c_str(), folder, path.c_str()) == 0) return true;
    const int reason = errno;
    unlinkat(folder, temporary.c_str(), 0);
    errno = reason;
    return false;
}

bool write_whole_file(int folder, const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::string temporary;
    std::FILE* file = create_temporary_beside(folder, path, temporary);
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return finish_temporary(file, folder, temporary, path, written);
}
