#include "support/pipeline_runner.h"

#include <dirent.h>
#include <unistd.h>

#include <cstdio>

#include "support/in_process_run.h"

namespace {
void remove_folder_contents(const std::string& folder) {
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") std::remove((folder + "/" + name).c_str());
        }
        closedir(d);
    }
}
}  // namespace

int run_pipeline_on_bytes(const std::uint8_t* data, std::size_t size, const std::string& folder) {
    const std::string recording = folder + "/input.raw";
    if (std::FILE* f = std::fopen(recording.c_str(), "wb")) {
        if (size > 0) std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    char previous[4096];
    if (getcwd(previous, sizeof previous) == nullptr || chdir(folder.c_str()) != 0) return -1;
    ::Run run;
    const int status = run_in_process(run, recording).status;
    remove_folder_contents(folder + "/input");
    std::remove((folder + "/input").c_str());
    std::remove(recording.c_str());
    // The caller's relative paths (the fuzzer's corpus) must keep working.
    if (chdir(previous) != 0) return -1;
    return status;
}
