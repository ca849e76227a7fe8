#include "app/linux/output_claim.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/linux/files_linux.h"
#include "app/platform_files.h"
#include "app/run_driver.h"

OutputClaim output_claim;

namespace {
char claim_error[path_size + 256];  // the text fatal_error shows, with the reason

const char* fail(const char* text, const std::string& path, const char* reason) {
    std::snprintf(claim_error, sizeof claim_error, "%s (%s: %s)", text, path.c_str(), reason);
    return claim_error;
}

enum class Owner { none, same, other };

// Reads the owner file of the folder open as `dir`.
Owner owner_of(int dir, const std::string& owner) {
    const int fd = openat(dir, owner_file_name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return errno == ENOENT ? Owner::none : Owner::other;  // unreadable: not ours to take
    char text[PATH_MAX + 2];
    const ssize_t n = read(fd, text, sizeof text);
    close(fd);
    const std::string expected = owner + "\n";
    return n == static_cast<ssize_t>(expected.size()) && expected.compare(0, std::string::npos, text, n) == 0
               ? Owner::same
               : Owner::other;
}

// Writes the owner file whole or not at all, and only where there is none:
// of two runs taking over the same folder at once, one wins.
Owner take_over(int dir, const std::string& owner) {
    char temporary[64];
    std::snprintf(temporary, sizeof temporary, "%s.%ld", owner_file_name, static_cast<long>(getpid()));
    const int fd = openat(dir, temporary, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
    if (fd < 0) return Owner::same;  // a folder we cannot mark is still ours to write into, as before
    const std::string text = owner + "\n";
    const bool written = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    close(fd);
    if (written && linkat(dir, temporary, dir, owner_file_name, 0) != 0 && errno != EEXIST) {
        renameat(dir, temporary, dir, owner_file_name);  // file systems without hard links
    }
    unlinkat(dir, temporary, 0);
    return owner_of(dir, owner);
}

bool is_directory(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}
}  // namespace

std::string recording_owner(const std::string& path, bool standard_input) {
    if (standard_input) return "-";
    char real[PATH_MAX];
    return realpath(path.c_str(), real) != nullptr ? std::string(real) : path;
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
        if (o != Owner::other) return slot;
    }
    return 0;
}

// On the command line the derived folder is a first candidate: the recording
// that owns it, or the next free NAME-k, is entered and locked.
const char* platform_enter_output_folder(char folder[]) {
    OutputClaim& c = output_claim;
    if (c.lock_fd >= 0) close(c.lock_fd);  // a later run in the same process (tests) lets the earlier folder go
    c.lock_fd = -1;
    const std::string derived = folder;
    const std::size_t cut = derived.find_last_of('/');
    const std::string parent = derived.substr(0, cut), base = derived.substr(cut + 1);
    c.owner = recording_owner(recovery_run.chosen_path, recording_source.standard_input);
    c.fresh = c.fresh || recording_source.standard_input;
    for (int slot = c.first_slot; slot <= max_output_slots; ++slot) {
        const std::string path = parent + "/" + slot_name(base, slot);
        if (path.size() >= path_size) return text_path_too_long;
        const bool made = mkdir(path.c_str(), 0777) == 0;
        if (!made && errno != EEXIST) return fail(text_no_folder, path, std::strerror(errno));
        if (!made && c.fresh) continue;
        const int dir = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (dir < 0) return fail(text_no_folder, path, std::strerror(errno));
        Owner o = owner_of(dir, c.owner);
        if (o == Owner::none) o = take_over(dir, c.owner);
        if (o == Owner::other) {
            close(dir);
            continue;
        }
        if (flock(dir, LOCK_EX | LOCK_NB) != 0) {
            close(dir);
            return fail(text_no_folder, path, "another run of this recording is writing into it; wait until it has finished");
        }
        if (fchdir(dir) != 0) {
            close(dir);
            return fail(text_no_folder, path, std::strerror(errno));
        }
        c.lock_fd = dir;
        c.folder = path;
        c.slot = slot;
        std::memcpy(folder, path.c_str(), path.size() + 1);
        if (slot != c.first_slot) {
            std::fprintf(stderr, "velliqor: %s holds the output of another recording; this one goes into %s\n",
                         slot_name(base, c.first_slot).c_str(), path.c_str());
        }
        return nullptr;
    }
    return fail(text_no_folder, derived, "every name up to -1000 holds the output of another recording");
}
