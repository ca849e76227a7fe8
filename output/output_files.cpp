#include "output/output_files.h"

OutputFiles output_files;

std::FILE* open_output_file(int, const char* name, bool append) { return std::fopen(name, append ? "ab" : "wb"); }

std::FILE* create_output_file(const char* name, bool append) {
    return output_files.create(output_files.folder, name, append);
}
