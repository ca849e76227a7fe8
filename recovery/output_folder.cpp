#include <cstring>

#include "recovery/run_recording.h"

const char* derive_output_folder(const char* current_dir, const char* chosen_path, char separator,
                                 char folder[path_size]) {
    const char* s = std::strrchr(chosen_path, separator);
    const char* d = std::strrchr(chosen_path, '.');
    if (s == nullptr) s = chosen_path;
    if (d == nullptr || d < s) return text_no_extension;

    // A name without a separator still becomes a folder inside the current directory.
    const bool add_separator = *s != separator;
    const char* name_start = add_separator ? s : s + 1;
    if (std::strspn(name_start, ".") >= static_cast<std::size_t>(d - name_start)) return text_no_folder_name;
    const std::size_t L = std::strlen(current_dir);
    const std::size_t name = static_cast<std::size_t>(d - s);
    if (L + (add_separator ? 1 : 0) + name >= path_size) return text_path_too_long;
    std::memcpy(folder, current_dir, L);
    std::size_t at = L;
    if (add_separator) folder[at++] = separator;
    std::memcpy(folder + at, s, name);
    folder[at + name] = '\0';
    return nullptr;
}
