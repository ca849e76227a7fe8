#include "decode/zero_crossings.h"

#include <algorithm>
#include <cmath>

namespace {
constexpr double rate = 48000.0;
constexpr double clock_t_per_sample = 3500000.0 / rate;       // T-states of the ROM's clock a sample
constexpr double pilot_half = 2168 / clock_t_per_sample;      // samples
constexpr double zero_half = 855 / clock_t_per_sample;
constexpr double one_half = 1710 / clock_t_per_sample;
constexpr double sync_first = 667 / clock_t_per_sample, sync_second = 735 / clock_t_per_sample;
constexpr double pilot_band = 0.25;       // a pilot half-period lies within this share of its length
constexpr std::size_t least_pilot = 200;  // half-periods that make a pilot
constexpr double low_cut = 400.0, high_cut = 7000.0;  // Hz: the band the tape's tones lie in
constexpr double pi = 3.14159265358979323846;

// A second-order section (the cookbook's Butterworth, Q = 1/sqrt 2).
struct Biquad {
    double b0, b1, b2, a1, a2;
};

Biquad low_pass(double f) {
    const double w = 2 * pi * f / rate, alpha = std::sin(w) / std::sqrt(2.0), c = std::cos(w), a0 = 1 + alpha;
    return {(1 - c) / 2 / a0, (1 - c) / a0, (1 - c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
}

Biquad high_pass(double f) {
    const double w = 2 * pi * f / rate, alpha = std::sin(w) / std::sqrt(2.0), c = std::cos(w), a0 = 1 + alpha;
    return {(1 + c) / 2 / a0, -(1 + c) / a0, (1 + c) / 2 / a0, -2 * c / a0, (1 - alpha) / a0};
}

// The section run over y forward, then backward: no phase shift, so that the
// half-periods keep their lengths.
void filter_both_ways(const Biquad& q, std::vector<double>& y) {
    for (int pass = 0; pass < 2; ++pass) {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (double& v : y) {
            const double out = q.b0 * v + q.b1 * x1 + q.b2 * x2 - q.a1 * y1 - q.a2 * y2;
            x2 = x1;
            x1 = v;
            y2 = y1;
            y1 = out;
            v = out;
        }
        std::reverse(y.begin(), y.end());
    }
}

// The samples filtered, and the level of their louder half (root mean
// square), which the hysteresis band is a share of.
struct Filtered {
    std::vector<double> y;
    double level = 0.0;
};

Filtered filtered(const std::vector<std::int16_t>& samples, CrossingFilter filter) {
    Filtered b{std::vector<double>(samples.begin(), samples.end()), 0.0};
    std::vector<double>& y = b.y;
    if (filter == CrossingFilter::band_pass) filter_both_ways(high_pass(low_cut), y);
    filter_both_ways(low_pass(high_cut), y);
    if (y.empty()) return b;
    std::vector<double> magnitude(y.size());
    for (std::size_t k = 0; k < y.size(); ++k) magnitude[k] = std::fabs(y[k]);
    std::vector<double> sorted = magnitude;
    std::nth_element(sorted.begin(), sorted.begin() + sorted.size() / 2, sorted.end());
    const double median = sorted[sorted.size() / 2];
    double power = 0.0;
    std::size_t loud = 0;
    for (double m : magnitude) {
        if (m > median) {
            power += m * m;
            ++loud;
        }
    }
    b.level = loud > 0 ? std::sqrt(power / static_cast<double>(loud)) : 0.0;
    return b;
}

// Sample indexes (relative) where the band-passed signal crosses from one
// side of the hysteresis band to the other.
std::vector<std::int64_t> crossings(const Filtered& b, double hysteresis) {
    std::vector<std::int64_t> edges;
    const double h = hysteresis * b.level;
    if (h <= 0.0) return edges;
    int side = 0;
    for (std::size_t k = 0; k < b.y.size(); ++k) {
        const int now = b.y[k] > h ? 1 : (b.y[k] < -h ? -1 : 0);
        if (now == 0 || now == side) continue;
        if (side != 0) edges.push_back(static_cast<std::int64_t>(k));
        side = now;
    }
    return edges;
}

// A half-period that may be the sync's `nominal` one: shorter than any '1'
// half would be, and not much shorter than itself.
bool is_sync(double half, double nominal, double speed) {
    return half > nominal / 2 * speed && half < (zero_half + one_half) / 2 * speed;
}

std::vector<CrossingBlock> blocks_between(const std::vector<std::int64_t>& edges, std::int64_t first_index) {
    std::vector<double> halves;
    for (std::size_t k = 1; k < edges.size(); ++k) halves.push_back(static_cast<double>(edges[k] - edges[k - 1]));
    std::vector<CrossingBlock> blocks;
    const std::size_t n = halves.size();
    std::size_t i = 0;
    while (i + least_pilot < n) {
        std::size_t j = i;
        while (j < n && std::fabs(halves[j] - pilot_half) < pilot_band * pilot_half) ++j;
        if (j - i < least_pilot) {
            i = std::max(j, i + 1);
            continue;
        }
        std::vector<double> pilot(halves.begin() + static_cast<std::ptrdiff_t>(i), halves.begin() + static_cast<std::ptrdiff_t>(j));
        std::nth_element(pilot.begin(), pilot.begin() + pilot.size() / 2, pilot.end());
        const double speed = pilot[pilot.size() / 2] / pilot_half;
        CrossingBlock block;
        block.start = first_index + edges[i];
        block.sync_seen = j + 1 < n && is_sync(halves[j], sync_first, speed) && is_sync(halves[j + 1], sync_second, speed);
        std::size_t k = j + 2;  // past the two sync halves
        for (; k + 1 < n; k += 2) {
            const double cycle = halves[k] + halves[k + 1];
            if (cycle > 3 * one_half * speed || cycle < zero_half * speed) break;  // the block's end
            block.bits.push_back(cycle > (zero_half + one_half) * speed ? 1 : 0);
        }
        block.end = first_index + edges[std::min(k, edges.size() - 1)];
        if (block.bits.size() >= 8) blocks.push_back(std::move(block));
        i = k + 1;
    }
    return blocks;
}
}  // namespace

std::vector<CrossingBlock> read_by_zero_crossings(const std::vector<std::int16_t>& samples, std::int64_t first_index,
                                                  double hysteresis) {
    return blocks_between(crossings(filtered(samples, CrossingFilter::band_pass), hysteresis), first_index);
}

std::vector<std::vector<CrossingBlock>> read_by_zero_crossings(const std::vector<std::int16_t>& samples,
                                                               std::int64_t first_index,
                                                               const std::vector<double>& hystereses,
                                                               CrossingFilter filter) {
    const Filtered b = filtered(samples, filter);
    std::vector<std::vector<CrossingBlock>> readings;
    for (double h : hystereses) readings.push_back(blocks_between(crossings(b, h), first_index));
    return readings;
}
