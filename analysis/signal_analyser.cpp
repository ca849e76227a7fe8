// The analysis of one step is three in-order sums over the window. Each sum is
// a chain of dependent additions, so one window at a time leaves the processor
// waiting on every addition. Neighbouring windows are independent: the steps
// ahead of the cursor are computed together, each window's sums still taken in
// its own order k = 0, 1, ..., N-1, so every figure is bit for bit what a
// window computed alone gives. The batch is thrown away whenever the samples,
// the cursor's path or N change: the sample window counts its changes, and the
// analyser compares.
#include "analysis/signal_analyser.h"

#include <cmath>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "input/sample_stream.h"

namespace {
constexpr double two_pi = 6.283185307179586;
constexpr float zero_deviation_floor = 1e-30f;  // keeps Q / D finite for a flat window
constexpr int batch_size = analysis_batch_size;

// Lengths beyond the table cannot arise from the decoder's bounds; should one
// ever come, its sines are computed for the window at hand.
void sine_cycle_computed(int N, std::vector<double>& cycle) {
    const double r = 1.0 / N;
    for (int k = 0; k < N; ++k) cycle.push_back(std::sin((k * r) * two_pi));
}

// One window alone: near the end of the slots, or for lengths without a sine table entry.
void analyse_one(const float* x, int N, const double* sine, float& mean, float& deviation, float& strength_out) {
    double S = 0.0;
    for (int k = 0; k < N; ++k) S += x[k];
    const double r = 1.0 / N;
    const float m = static_cast<float>(S * r);
    double D = 0.0;
    for (int k = 0; k < N; ++k) D += std::fabs(static_cast<double>(x[k]) - m);
    if (D == 0.0) D = zero_deviation_floor;
    double Q = 0.0;
    std::vector<double> computed;
    if (N > 0) {
        if (sine == nullptr) {
            sine_cycle_computed(N, computed);
            sine = computed.data();
        }
        for (int k = 0; k < N; ++k) Q += sine[k] * (static_cast<double>(x[k]) - m);
    }
    mean = m;
    strength_out = static_cast<float>((Q / D) * 85);
    deviation = static_cast<float>(static_cast<float>(r) * D);
}

// Eight windows whose first samples are x, x + 1, ..., x + 7, in lockstep.
void analyse_together(const float* x, int N, const double* sine, AnalysisBatch& b) {
    // The samples as doubles once, not once per window that holds them.
    double v[sine_table_max_length + batch_size];
    for (int k = 0; k < N + batch_size - 1; ++k) v[k] = x[k];
    double S[batch_size], D[batch_size], Q[batch_size], m[batch_size];
    const double r = 1.0 / N;
#ifdef __SSE2__
    // Two windows per register; the same additions in the same order as below.
    __m128d s[4], dd[4], q[4], mm[4];
    for (int p = 0; p < 4; ++p) s[p] = dd[p] = q[p] = _mm_setzero_pd();
    for (int k = 0; k < N; ++k) {
        for (int p = 0; p < 4; ++p) s[p] = _mm_add_pd(s[p], _mm_loadu_pd(v + k + 2 * p));
    }
    for (int p = 0; p < 4; ++p) _mm_storeu_pd(S + 2 * p, s[p]);
    for (int j = 0; j < batch_size; ++j) m[j] = b.mean[j] = static_cast<float>(S[j] * r);
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFFll));
    for (int p = 0; p < 4; ++p) mm[p] = _mm_loadu_pd(m + 2 * p);
    for (int k = 0; k < N; ++k) {
        const __m128d sk = _mm_set1_pd(sine[k]);
        for (int p = 0; p < 4; ++p) {
            const __m128d d = _mm_sub_pd(_mm_loadu_pd(v + k + 2 * p), mm[p]);
            dd[p] = _mm_add_pd(dd[p], _mm_and_pd(d, magnitude));
            q[p] = _mm_add_pd(q[p], _mm_mul_pd(sk, d));
        }
    }
    for (int p = 0; p < 4; ++p) {
        _mm_storeu_pd(D + 2 * p, dd[p]);
        _mm_storeu_pd(Q + 2 * p, q[p]);
    }
#else
    for (int j = 0; j < batch_size; ++j) S[j] = D[j] = Q[j] = 0.0;
    for (int k = 0; k < N; ++k) {
        for (int j = 0; j < batch_size; ++j) S[j] += v[k + j];
    }
    for (int j = 0; j < batch_size; ++j) m[j] = b.mean[j] = static_cast<float>(S[j] * r);
    for (int k = 0; k < N; ++k) {
        for (int j = 0; j < batch_size; ++j) {
            const double d = v[k + j] - m[j];
            D[j] += std::fabs(d);
            Q[j] += sine[k] * d;
        }
    }
#endif
    const float r1 = static_cast<float>(r);
    for (int j = 0; j < batch_size; ++j) {
        const double Dj = D[j] == 0.0 ? static_cast<double>(zero_deviation_floor) : D[j];
        b.strength[j] = static_cast<float>((Q[j] / Dj) * 85);
        b.deviation[j] = static_cast<float>(r1 * Dj);
    }
}

void fill_batch(Run& run, int cursor, int N) {
    AnalysisBatch& batch = run.analysis->batch;
    const float* x = run.window->slots + (cursor - N / 2);
    batch.first = cursor;
    batch.N = N;
    batch.generation = run.window->generation;
    const double* sine = sine_cycle(N);
    // The last window of a batch must still lie inside the slot buffer.
    const int room = window_slots - (cursor - N / 2 + N);
    if (sine == nullptr || room < batch_size - 1) {
        batch.count = 1;
        analyse_one(x, N, sine, batch.mean[0], batch.deviation[0], batch.strength[0]);
        return;
    }
    batch.count = batch_size;
    analyse_together(x, N, sine, batch);
}
}  // namespace

void analyse_ahead(Run& run) { fill_batch(run, run.window->cursor, run.analysis->window_length); }
