// Files of the output folder are created through the platform, which can
// refuse to follow a symbolic link planted there (writing through it would
// replace or extend some other file).
#pragma once

#include <cstdio>

// Opens `name` in the current directory for binary writing: append (the log)
// or replace (a TAP file). Null when it cannot be opened.
std::FILE* platform_create_output(const char* name, bool append);
