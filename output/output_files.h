// Files of the output folder are created through a hook, so that a platform
// can open them in the folder it claimed (on Linux an open directory, not a
// current directory) and refuse to follow a symbolic link planted there
// (writing through it would replace or extend some other file).
#pragma once

#include <cstdio>
#include <functional>

#include "common/run.h"

// Opens `name` in the current directory for binary writing: append (the log)
// or replace (a TAP file), with the standard library. Null when it cannot.
// `folder` is left alone: a platform that holds its folder open hands it to an
// opener of its own.
std::FILE* open_output_file(int folder, const char* name, bool append);

struct OutputFiles {
    std::function<std::FILE*(int folder, const char* name, bool append)> create = open_output_file;  // set from RunSettings
    int folder = -1;  // the output folder as the platform holds it, handed to `create`; set by the run driver
};

// Opens `name` in the output folder through the hook.
std::FILE* create_output_file(Run& run, const char* name, bool append);
