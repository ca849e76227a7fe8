// Conversions of the decoder's double-precision results to integers.
#pragma once

#include <cstdint>

// Truncation toward zero, as every conversion in the decoder does. Values the
// signal cannot produce (beyond the 32-bit range, or not a number from a
// degenerate period) saturate instead of being undefined.
inline std::int32_t truncate(double v) {
    if (!(v == v)) return 0;
    if (v >= 2147483647.0) return INT32_MAX;
    if (v <= -2147483648.0) return INT32_MIN;
    return static_cast<std::int32_t>(v);
}
