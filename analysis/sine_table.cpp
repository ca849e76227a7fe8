#include "analysis/signal_analyser.h"

namespace {
const double sine_values[] = {
#include "analysis/sine_table.inc"
};
static_assert(sizeof sine_values / sizeof sine_values[0] == sine_table_max_length * (sine_table_max_length + 1) / 2,
              "one entry per window position of every length");
}  // namespace

const double* sine_cycle(int N) {
    if (N < 1 || N > sine_table_max_length) return nullptr;
    return sine_values + N * (N - 1) / 2;  // lengths 1 .. N-1 come first
}
