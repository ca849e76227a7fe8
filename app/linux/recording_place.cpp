#include "app/linux/recording_place.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>

#include "app/linux/cli_options.h"
#include "app/linux/output_claim.h"
#include "recovery/run_recording.h"

namespace {
// A folder or a device would be read as samples forever or not at all.
const char* kind_refused(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return "a folder";
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode)) return "a device";
    if (S_ISSOCK(info.st_mode)) return "a socket";
    return nullptr;
}

// `path` with its links, "." and ".." resolved as far as it exists, the rest as written.
std::string resolved(const std::string& path) {
    char real[PATH_MAX];
    if (realpath(path.c_str(), real) != nullptr) return real;
    const std::size_t cut = path.find_last_of('/');
    return cut == std::string::npos || cut == 0 ? path : resolved(path.substr(0, cut)) + path.substr(cut);
}
}  // namespace

bool place_recording(const std::string& recording, const std::string& out, RecordingPlace& place, std::string& error) {
    place = RecordingPlace{};
    place.standard_input = recording == "-";
    struct stat info {};
    if (place.standard_input) {
        if (isatty(STDIN_FILENO) != 0) {
            error = "standard input is a terminal; pipe a recording into it, e.g. 'sox tape.flac -t raw - | velliqor -'";
            return false;
        }
        if (fstat(STDIN_FILENO, &info) != 0) {
            error = "standard input is closed";
            return false;
        }
        place.parent = out.empty() ? absolute_path(".") : out;
        if (place.parent.size() > 2 && place.parent.compare(place.parent.size() - 2, 2, "/.") == 0) {
            place.parent.resize(place.parent.size() - 2);
        }
        place.path = place.parent + "/stdin.raw";
        place.stream = !S_ISREG(info.st_mode);
        place.regular = S_ISREG(info.st_mode);
    } else {
        place.path = absolute_path(recording);
        if (stat(place.path.c_str(), &info) == 0) {
            if (const char* what = kind_refused(info)) {
                error = recording + " is " + what + ", not a recording";
                return false;
            }
            place.stream = S_ISFIFO(info.st_mode);
            place.regular = S_ISREG(info.st_mode);
        }
        // A name without a folder is one of the current folder, which could not be named.
        const std::size_t cut = place.path.find_last_of('/');
        const std::string folder = cut == std::string::npos ? "." : place.path.substr(0, cut);
        place.parent = out.empty() ? (folder.empty() ? "/" : folder) : out;
    }
    if (place.path.size() >= path_size) {
        error = text_path_too_long;
        return false;
    }
    char derived[path_size];
    if (const char* e = derive_output_folder("", place.path.c_str(), '/', derived)) {
        error = e;
        return false;
    }
    place.base = derived + 1;  // past the separator
    place.owner = recording_owner(place.path, place.standard_input);
    return true;
}

std::string output_folder_holding(const RecordingPlace& place, const std::string& path) {
    // The last name is left as it is: a link there is replaced, not written through.
    const std::size_t cut = path.find_last_of('/');
    const std::string target = resolved(path.substr(0, cut)) + path.substr(cut);
    for (int slot = 1; slot <= max_output_slots; ++slot) {
        const std::string folder = resolved(place.parent + "/" + slot_name(place.base, slot));
        if (target.compare(0, folder.size(), folder) == 0 && (target.size() == folder.size() || target[folder.size()] == '/')) {
            return folder;
        }
    }
    return "";
}
