// A recovered block as a value: what the assessment of a block attempt found,
// handed to each of its consumers (the log, the TAP files, the live view's
// verdict, a front end's TZX file or merge). The merge of takes makes its own
// from the takes' and hands them to the same writers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "common/overrun_trim.h"  // header_length

struct Block {
    std::int32_t start = 0, end = 0;     // absolute sample indexes: the pilot search's first pulse, the last pulse
    std::vector<std::uint8_t> bytes;     // the bytes reported: after the trim of an overrun
    std::vector<std::uint8_t> bits;      // every bit decoded, 0 or 1 in tape order, the overrun included
    std::vector<std::uint8_t> weights;   // one BitWeight per bit; empty when the run kept none
    std::vector<std::int32_t> positions; // with the weights: the sample each bit was read at (absolute index)
    std::int32_t overlen = 0;            // whole bytes decoded past the reported ones
    bool checksum_ok = false;            // the XOR of the bytes is 0
    // The log's figures of how it was read.
    float period_max = 0.0f, period_min = 100.0f;  // samples: the speed range
    std::int32_t rest_zeros = 0, float_zeros = 0, mid0_count = 0, mid1_count = 0;
    std::string second_pass;             // the reading that gave it when the first failed ("zero crossings"); empty: the first
    std::string origin;                  // a merged block: where it came from, told after the figures
    bool fragment = false;               // noise left out of the files (see BlockReport::leave_out_fragments)
    std::string tap_file;                // the TAP file that holds it, and its record there; empty, -1: none
    std::int32_t tap_record = -1;
    std::vector<int> takes;              // a merged block: the takes that held it
    std::string chosen;                  // a merged block: how ("agreed", "one take", "voted", "failed", "alone", "fragment")
};

// A standard header of type 0 to 3: it describes the block after it.
inline bool is_standard_header(const std::vector<std::uint8_t>& bytes) {
    return bytes.size() == static_cast<std::size_t>(header_length) && bytes[0] == 0x00 && bytes[1] <= 3;
}

// A standard header's ten name bytes as the log shows them: printable ASCII
// as it is, any other byte as '?'.
inline std::string header_name(const std::vector<std::uint8_t>& header) {
    std::string name;
    for (int k = 2; k < 12; ++k) name += header[k] < 0x20 || header[k] > 0x7E ? '?' : static_cast<char>(header[k]);
    return name;
}
