#include "app/linux/tzx_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/linux/whole_file.h"
#include "common/build_profile.h"

bool write_tzx_file(int folder, const std::string& folder_path, const std::string& name,
                    const std::vector<TzxBlock>& blocks) {
    if (write_whole_file(folder, name, tzx_image(blocks, build_profile.about_text))) return true;
    std::fprintf(stderr, "velliqor: writing %s/%s failed: %s\n", folder_path.c_str(), name.c_str(), std::strerror(errno));
    return false;
}
