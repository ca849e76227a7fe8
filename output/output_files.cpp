#include "output/output_files.h"

std::FILE* open_output_file(int, const char* name, bool append) { return std::fopen(name, append ? "ab" : "wb"); }

std::FILE* create_output_file(Run& run, const char* name, bool append) {
    OutputFiles& files = *run.files;
    return files.create(files.folder, name, append);
}
