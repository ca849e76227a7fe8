#include "app/linux/output_claim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/linux/recording_place.h"
#include "recovery/run_recording.h"

OutputClaim& output_claim() {
    thread_local OutputClaim claim;
    return claim;
}

namespace {
thread_local char claim_error[path_size + 256];  // the text fatal_error shows, with the reason

const char* fail(const char* text, const std::string& path, const char* reason) {
    std::snprintf(claim_error, sizeof claim_error, "%s (%s: %s)", text, path.c_str(), reason);
    return claim_error;
}

// What the owner file says of the folder. `unmarked` names the same recording
// without its contents (written by an older version); `changed` names the
// same recording with other contents.
enum class Owner { none, same, unmarked, changed, other };

bool ours(Owner o) { return o == Owner::none || o == Owner::same || o == Owner::unmarked; }

constexpr char contents_mark[] = "\ncontents: ";  // between a recording's path and its contents

// Reads the owner file of the folder open as `dir`.
Owner owner_of(int dir, const std::string& owner) {
    const int fd = openat(dir, owner_file_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? Owner::none : Owner::other;  // unreadable: not ours to take
    char text[PATH_MAX + 128];
    const ssize_t n = read(fd, text, sizeof text);
    close(fd);
    if (n <= 0 || text[n - 1] != '\n') return Owner::other;
    const std::string found(text, static_cast<std::size_t>(n - 1));
    if (found == owner) return Owner::same;
    const std::size_t mark = owner.rfind(contents_mark);
    if (mark == std::string::npos) return Owner::other;
    if (found == owner.substr(0, mark)) return Owner::unmarked;
    return found.compare(0, mark + std::strlen(contents_mark), owner, 0, mark + std::strlen(contents_mark)) == 0
               ? Owner::changed
               : Owner::other;
}

// Writes the owner file whole: under a temporary name, then linked into place
// only where there is none (of two runs taking over one folder at once, one
// wins), or, to `replace` it, renamed over it.
void write_owner(int dir, const std::string& owner, bool replace) {
    char temporary[64];
    std::snprintf(temporary, sizeof temporary, "%s.%ld", owner_file_name, static_cast<long>(getpid()));
    const int fd = openat(dir, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return;  // a folder we cannot mark is still ours to write into, as before
    const std::string text = owner + "\n";
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    if (written && (replace || (linkat(dir, temporary, dir, owner_file_name, 0) != 0 && errno != EEXIST))) {
        renameat(dir, temporary, dir, owner_file_name);  // also for file systems without hard links
    }
    unlinkat(dir, temporary, 0);
}

// Size and a digest (FNV-1a 64) of the first MiB: enough to tell one recording
// made under a name from the next. Empty for what is not a regular file (a
// pipe's bytes are read once, by the run) or cannot be read.
std::string contents_of(const std::string& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return "";
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0 || fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        if (fd >= 0) close(fd);
        return "";
    }
    std::uint64_t digest = 0xcbf29ce484222325u;
    unsigned char buffer[65536];
    ssize_t n = 0;
    for (std::size_t total = 0; total < (1u << 20) && (n = read(fd, buffer, sizeof buffer)) > 0;) {
        for (ssize_t k = 0; k < n && total < (1u << 20); ++k, ++total) digest = (digest ^ buffer[k]) * 0x100000001b3u;
    }
    close(fd);
    if (n < 0) return "";
    char text[96];
    std::snprintf(text, sizeof text, "%lld bytes, FNV-1a 64 of the first MiB %016llx",
                  static_cast<long long>(info.st_size), static_cast<unsigned long long>(digest));
    return text;
}

bool is_directory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
}  // namespace

std::string recording_owner(const std::string& path, bool standard_input) {
    if (standard_input) return "-";
    char real[PATH_MAX];
    const std::string name = realpath(path.c_str(), real) != nullptr ? std::string(real) : path;
    const std::string contents = contents_of(name);
    return contents.empty() ? name : name + contents_mark + contents;
}

std::string slot_name(const std::string& base, int slot) {
    return slot == 1 ? base : base + "-" + std::to_string(slot);
}

int find_output_slot(const std::string& parent, const std::string& base, const std::string& owner, bool fresh,
                     int first, const std::set<std::string>& taken) {
    for (int slot = first; slot <= max_output_slots; ++slot) {
        const std::string path = parent + "/" + slot_name(base, slot);
        if (taken.count(path) != 0) continue;
        if (access(path.c_str(), F_OK) != 0) return slot;  // a new folder
        if (fresh || !is_directory(path)) continue;
        const int dir = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) continue;
        const Owner o = owner_of(dir, owner);
        close(dir);
        if (ours(o)) return slot;
    }
    return 0;
}

int open_output_parent(const std::string& parent) {
    // Through "." so that a folder that cannot be searched is refused here, and
    // not later under the name of the first output folder made in it.
    return open((parent + "/.").c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
}

int claim_output_folder(int parent_fd, const std::string& parent, const std::string& base, const std::string& owner,
                        const char*& error) {
    OutputClaim& c = output_claim();
    if (c.folder_fd >= 0) close(c.folder_fd);  // a later run in the same process (tests) lets the earlier folder go
    c.folder_fd = -1;
    Owner first = Owner::none;  // what stood in the first candidate, for the note
    for (int slot = c.first_slot; slot <= max_output_slots; ++slot) {
        const std::string name = slot_name(base, slot);
        const std::string path = parent + "/" + name;
        if (path.size() >= path_size) {
            error = text_path_too_long;
            return -1;
        }
        const bool made = mkdirat(parent_fd, name.c_str(), 0777) == 0;
        if (!made && errno != EEXIST) {
            error = fail(text_no_folder, path, std::strerror(errno));
            return -1;
        }
        if (!made && c.fresh) continue;
        const int dir = openat(parent_fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) {
            error = fail(text_no_folder, path, std::strerror(errno));
            return -1;
        }
        Owner o = owner_of(dir, owner);
        if (o == Owner::none) {
            write_owner(dir, owner, false);
            o = owner_of(dir, owner);
        }
        if (slot == c.first_slot) first = o;
        if (!ours(o)) {
            close(dir);
            continue;
        }
        if (flock(dir, LOCK_EX | LOCK_NB) != 0) {
            close(dir);
            error = fail(text_no_folder, path, "another run of this recording is writing into it; wait until it has finished");
            return -1;
        }
        // An older version's owner file gains the contents, under the lock, so that a
        // recording made over this one later is told apart.
        if (o == Owner::unmarked) write_owner(dir, owner, true);
        c.folder_fd = dir;
        c.folder = path;
        c.slot = slot;
        if (slot != c.first_slot) {
            std::fprintf(stderr, first == Owner::changed
                                     ? "velliqor: %s holds the output of this recording as it was before its contents changed; this one goes into %s\n"
                                     : "velliqor: %s holds the output of another recording; this one goes into %s\n",
                         slot_name(base, c.first_slot).c_str(), path.c_str());
        }
        return dir;
    }
    error = fail(text_no_folder, parent + "/" + base, "every name up to -1000 holds the output of another recording");
    return -1;
}

// On the command line the folder named after the recording is a first
// candidate: the recording that owns it, or the next free NAME-k, is claimed
// and locked, and the run's files are opened in it. The command line hands
// down where it goes; a run driven in this process alone (tests) goes next to
// its recording.
const char* enter_output_folder(const char* chosen_path, char folder[], int& handle) {
    OutputClaim& c = output_claim();
    if (c.parent_fd < 0) {
        thread_local std::string refusal;
        RecordingPlace place;
        if (!place_recording(chosen_path, "", place, refusal)) return refusal.c_str();
        c.parent = place.parent;
        c.base = place.base;
        c.owner = place.owner;
        c.parent_fd = open_output_parent(c.parent);
        if (c.parent_fd < 0) return fail(text_no_folder, c.parent, std::strerror(errno));
    }
    const int parent_fd = c.parent_fd;
    c.parent_fd = -1;  // handed down for this run alone
    // Shown as the system names it, links and ".." resolved.
    char real[PATH_MAX];
    const char* error = text_path_too_long;
    int claimed = -1;
    if (realpath(c.parent.c_str(), real) != nullptr && std::strlen(real) < path_size) {
        claimed = claim_output_folder(parent_fd, real, c.base, c.owner, error);
    }
    close(parent_fd);
    if (claimed < 0) return error;
    handle = claimed;
    std::memcpy(folder, c.folder.c_str(), c.folder.size() + 1);
    return nullptr;
}
