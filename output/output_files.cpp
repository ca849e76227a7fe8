#include "output/output_files.h"

OutputFiles output_files;

std::FILE* open_output_file(const char* name, bool append) { return std::fopen(name, append ? "ab" : "wb"); }
