// Files of the output folder are created through a hook, so that a platform
// can refuse to follow a symbolic link planted there (writing through it
// would replace or extend some other file).
#pragma once

#include <cstdio>

// Opens `name` in the current directory for binary writing: append (the log)
// or replace (a TAP file), with the standard library. Null when it cannot.
std::FILE* open_output_file(const char* name, bool append);

struct OutputFiles {
    std::FILE* (*create)(const char* name, bool append) = open_output_file;  // set from RunSettings
};

extern OutputFiles output_files;
