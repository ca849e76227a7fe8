#include "app/linux/tzx_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "app/linux/whole_file.h"
#include "common/build_profile.h"

void collect_tzx(TzxTape& tape, const Block& block) {
    if (block.fragment) return;  // noise, left out of the tape as of the TAP files
    if (!tape.blocks.empty()) tape.blocks.back().pause_ms = pause_between(tape.last_end, block.start);
    tape.blocks.push_back(TzxBlock{block.bytes, TzxBlock{}.pause_ms, block.checksum_ok});
    tape.last_end = block.end;
}

bool write_tzx_file(int folder, const std::string& folder_path, const std::string& name,
                    const std::vector<TzxBlock>& blocks) {
    if (write_whole_file(folder, name, tzx_image(blocks, build_profile.about_text))) return true;
    std::fprintf(stderr, "velliqor: writing %s/%s failed: %s\n", folder_path.c_str(), name.c_str(), std::strerror(errno));
    return false;
}
