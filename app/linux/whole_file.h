// Files that appear complete or not at all: written under a new temporary
// name in the folder of their own name, then renamed over it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Paths here are relative to `folder`, an open directory (or AT_FDCWD for
// paths as they are).

// A new file in the folder of `path` under a short hidden name of its own, so
// that it fits wherever `path` fits; never a name that exists already (a link
// planted there is not written through), readable as the umask allows. Null
// on failure, with errno set.
std::FILE* create_temporary_beside(int folder, const std::string& path, std::string& temporary);

// Closes the temporary file and, when it was `written` whole, renames it over
// `path`; otherwise, or when closing or renaming fails, removes it. False then,
// with errno saying why (unless `written` was false already).
bool finish_temporary(std::FILE* file, int folder, const std::string& temporary, const std::string& path, bool written);

// `bytes` as the whole of `path`, that way. False with errno set on failure.
bool write_whole_file(int folder, const std::string& path, const std::vector<std::uint8_t>& bytes);
