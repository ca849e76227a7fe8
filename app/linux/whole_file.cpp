#include "app/linux/whole_file.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

std::FILE* create_temporary_beside(const std::string& path, std::string& temporary) {
    const std::size_t cut = path.find_last_of('/');
    temporary = (cut == std::string::npos ? std::string(".") : path.substr(0, cut)) + "/.velliqor-XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return nullptr;
    const mode_t mask = umask(0);
    umask(mask);
    fchmod(fd, 0666 & ~mask);
    std::FILE* file = fdopen(fd, "wb");
    if (file == nullptr) {
        const int reason = errno;
        close(fd);
        unlink(temporary.c_str());
        errno = reason;
    }
    return file;
}

bool finish_temporary(std::FILE* file, const std::string& temporary, const std::string& path, bool written) {
    const bool closed = std::fclose(file) == 0;
    if (written && closed && std::rename(temporary.c_str(), path.c_str()) == 0) return true;
    const int reason = errno;
    std::remove(temporary.c_str());
    errno = reason;
    return false;
}

bool write_whole_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::string temporary;
    std::FILE* file = create_temporary_beside(path, temporary);
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return finish_temporary(file, temporary, path, written);
}
