// A run's TZX file, written whole or not at all.
#pragma once

#include <string>
#include <vector>

#include "output/tzx_writer.h"

// Writes the blocks as the TZX file `path`, under a temporary name first and
// then renamed; false, said on standard error, when it could not be written.
bool write_tzx_file(const std::string& path, const std::vector<TzxBlock>& blocks);
