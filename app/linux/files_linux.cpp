#include <sys/stat.h>
#include <unistd.h>

#include "app/platform_files.h"

const char path_separator = '/';

bool platform_current_directory(char* path, std::size_t size) { return getcwd(path, size) != nullptr; }

bool platform_make_directory(const char* path) { return mkdir(path, 0777) == 0; }

bool platform_change_directory(const char* path) { return chdir(path) == 0; }
