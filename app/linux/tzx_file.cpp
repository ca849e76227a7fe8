#include "app/linux/tzx_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "app/linux/whole_file.h"
#include "common/build_profile.h"

void collect_tzx(TzxTape& tape, const Block& block) {
    if (block.fragment) return;  // noise, left out of the tape as of the TAP files
    if (!tape.blocks.empty()) tape.blocks.back().pause_ms = pause_between(tape.last_end, block.start);
    tape.blocks.push_back(TzxBlock{block.bytes, TzxBlock{}.pause_ms, block.checksum_ok});
    tape.last_end = block.end;
}

bool write_tzx_file(int folder, const std::string& folder_path, const std::string& name,
                    const std::vector<TzxBlock>& blocks, const std::string& recording) {
    char date[16] = "";
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) std::strftime(date, sizeof date, "%Y-%m-%d", &local);
    const TzxSource source{std::string(build_profile.about_text) + " (build " + build_profile.name + ")", recording, date};
    if (write_whole_file(folder, name, tzx_image(blocks, source))) return true;
    std::fprintf(stderr, "velliqor: writing %s/%s failed: %s\n", folder_path.c_str(), name.c_str(), std::strerror(errno));
    return false;
}
