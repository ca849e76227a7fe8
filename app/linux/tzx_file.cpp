#include "app/linux/tzx_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/linux/whole_file.h"
#include "common/build_profile.h"

bool write_tzx_file(const std::string& path, const std::vector<TzxBlock>& blocks) {
    if (write_whole_file(path, tzx_image(blocks, build_profile.about_text))) return true;
    std::fprintf(stderr, "velliqor: writing %s failed: %s\n", path.c_str(), std::strerror(errno));
    return false;
}
