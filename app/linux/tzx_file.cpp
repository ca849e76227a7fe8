#include "app/linux/tzx_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "common/build_profile.h"

bool write_tzx_file(const std::string& path, const std::vector<TzxBlock>& blocks) {
    const std::vector<std::uint8_t> image = tzx_image(blocks, build_profile.about_text);
    const std::string part = path + ".part";
    std::FILE* f = std::fopen(part.c_str(), "wb");
    const bool written = f != nullptr && std::fwrite(image.data(), 1, image.size(), f) == image.size();
    const bool closed = f != nullptr && std::fclose(f) == 0;
    if (written && closed && std::rename(part.c_str(), path.c_str()) == 0) return true;
    std::remove(part.c_str());
    std::fprintf(stderr, "velliqor: writing %s failed: %s\n", path.c_str(), std::strerror(errno));
    return false;
}
