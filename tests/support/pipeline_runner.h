// The whole job on arbitrary bytes, in this process: for the fuzzer and for
// the inputs it once found faults with.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Writes the bytes as a recording into `folder`, runs the whole pipeline on
// it with the live view drawn, then removes what the run wrote. Returns the
// run's exit status. The current directory is left as it was. The Canvas must exist.
int run_pipeline_on_bytes(const std::uint8_t* data, std::size_t size, const std::string& folder);
