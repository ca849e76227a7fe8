// A block read on past its end (the sounds after it taken for bits) is cut
// back to the length it should have when it ran on by little: a header to 19
// bytes, a data block to what the header before it announced. The block
// report and the merge of takes both need this rule, so it lives here once.
#pragma once

#include <cstdint>

constexpr float overlen_tolerance = 20.0f;  // bytes; the largest overrun that is trimmed
constexpr int header_length = 19;           // bytes of a standard header block

// The length to report of a block of `decoded` whole bytes whose flag byte is
// `flag`. `after_header`: the block reported before it was a standard header,
// which announced `announced` payload bytes (its bytes 12 and 13).
constexpr std::int32_t reported_length(std::int32_t decoded, std::uint8_t flag, bool after_header,
                                       std::int32_t announced) {
    if (flag == 0xFF && after_header) {
        const std::int32_t expected = announced + 2;  // the flag and the checksum
        if (decoded > expected && decoded <= expected + static_cast<double>(overlen_tolerance)) return expected;
    } else if (flag == 0x00 && decoded > header_length &&
               decoded <= header_length + static_cast<double>(overlen_tolerance)) {
        return header_length;
    }
    return decoded;
}
