// Writes analysis/sine_table.inc: the sine of every window position for every
// window length, as exact hexadecimal literals, so that no build depends on its
// platform's sin() at run time.
//   make_sine_table > analysis/sine_table.inc
#include <cmath>
#include <cstdio>

#include "analysis/signal_analyser.h"

int main() {
    std::printf("// Made by tools/make_sine_table.cpp; do not edit.\n");
    std::printf("// sin((k x (1/N)) x 2pi) for N = 1 .. %d and k = 0 .. N-1, N after N.\n", sine_table_max_length);
    for (int N = 1; N <= sine_table_max_length; ++N) {
        const double r = 1.0 / N;
        for (int k = 0; k < N; ++k) {
            std::printf("%a,", std::sin((k * r) * 6.283185307179586));
            std::printf((k % 6 == 5 || k == N - 1) ? "\n" : " ");
        }
    }
    return 0;
}
