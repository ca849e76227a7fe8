#include "analysis/signal_analyser.h"

#include <cmath>
#include <vector>

#include "input/sample_stream.h"

std::int32_t window_length = 30;
float window_mean = 0.0f;
float mean_deviation = 0.0f;
float strength = 0.0f;

namespace {
constexpr double two_pi = 6.283185307179586;
constexpr float zero_deviation_floor = 1e-30f;  // keeps Q / D finite for a flat window

// Lengths beyond the table cannot arise from the decoder's bounds; should one
// ever come, its sines are computed here once and kept.
const double* sine_cycle_computed(int N) {
    static std::vector<std::vector<double>> extra;
    if (static_cast<int>(extra.size()) <= N) extra.resize(N + 1);
    std::vector<double>& cycle = extra[N];
    if (cycle.empty()) {
        const double r = 1.0 / N;
        for (int k = 0; k < N; ++k) cycle.push_back(std::sin((k * r) * two_pi));
    }
    return cycle.data();
}
}  // namespace

void analyse_step() {
    SampleWindow& w = sample_window;
    const int N = window_length;
    const float* x = w.slots + (w.cursor - N / 2);

    double S = 0.0;
    for (int k = 0; k < N; ++k) S += x[k];
    const double r = 1.0 / N;
    const float m = static_cast<float>(S * r);
    window_mean = m;

    double D = 0.0;
    for (int k = 0; k < N; ++k) D += std::fabs(static_cast<double>(x[k]) - m);
    if (D == 0.0) D = zero_deviation_floor;

    double Q = 0.0;
    if (N > 0) {
        const double* sine = sine_cycle(N);
        if (sine == nullptr) sine = sine_cycle_computed(N);
        for (int k = 0; k < N; ++k) Q += sine[k] * (static_cast<double>(x[k]) - m);
    }

    ++w.cursor;
    strength = static_cast<float>((Q / D) * 85);
    const float r1 = static_cast<float>(r);
    mean_deviation = static_cast<float>(r1 * D);
}
