#include "decode/zero_crossings.h"

#include <algorithm>
#include <cmath>

#include "common/rom_timing.h"

namespace {
constexpr double rate = 48000.0;
constexpr double clock_t_per_sample = rom_clock_hz / rate;  // T-states of the ROM's clock a sample
constexpr double pilot_half = rom_pilot_pulse / clock_t_per_sample;  // samples
constexpr double zero_half = rom_zero_pulse / clock_t_per_sample;
constexpr double one_half = rom_one_pulse / clock_t_per_sample;
constexpr double sync_first = rom_sync1_pulse / clock_t_per_sample, sync_second = rom_sync2_pulse / clock_t_per_sample;
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
    const auto run = [&q](auto first, auto last) {
        double x1 = 0, x2 = 0, y1 = 0, y2 = 0;
        for (; first != last; ++first) {
            const double out = q.b0 * *first + q.b1 * x1 + q.b2 * x2 - q.a1 * y1 - q.a2 * y2;
            x2 = x1;
            x1 = *first;
            y2 = y1;
            y1 = out;
            *first = out;
        }
    };
    run(y.begin(), y.end());
    run(y.rbegin(), y.rend());
}

// Filtered samples, and the level of their louder half (root mean square),
// which the hysteresis band is a share of.
struct Filtered {
    std::vector<double> y;
    double level = 0.0;
};

double louder_half_level(const std::vector<double>& y) {
    if (y.empty()) return 0.0;
    // From an even spread of at most about 8,192 samples: as good a measure
    // of a long stretch, for a fraction of the work.
    const std::size_t stride = y.size() / 8192 + 1;
    std::vector<double> spread;
    spread.reserve(y.size() / stride + 1);
    for (std::size_t k = 0; k < y.size(); k += stride) spread.push_back(std::fabs(y[k]));
    const auto middle = spread.begin() + static_cast<std::ptrdiff_t>(spread.size() / 2);
    std::nth_element(spread.begin(), middle, spread.end());
    double power = 0.0;
    std::size_t loud = 0;
    for (auto m = middle + 1; m != spread.end(); ++m) {
        if (*m > *middle) {
            power += *m * *m;
            ++loud;
        }
    }
    return loud > 0 ? std::sqrt(power / static_cast<double>(loud)) : 0.0;
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
    return read_by_zero_crossings(samples.data(), samples.size(), first_index, {{CrossingFilter::band_pass, hysteresis}})[0];
}

std::vector<std::vector<CrossingBlock>> read_by_zero_crossings(const std::int16_t* samples, std::size_t count,
                                                               std::int64_t first_index,
                                                               const std::vector<CrossingReading>& readings) {
    std::vector<std::vector<CrossingBlock>> blocks(readings.size());
    Filtered f{std::vector<double>(samples, samples + count), 0.0};
    const auto wanted = [&readings](CrossingFilter filter) {
        return std::any_of(readings.begin(), readings.end(), [filter](const CrossingReading& r) { return r.filter == filter; });
    };
    const auto read = [&](CrossingFilter filter) {
        f.level = louder_half_level(f.y);
        for (std::size_t k = 0; k < readings.size(); ++k) {
            if (readings[k].filter == filter) blocks[k] = blocks_between(crossings(f, readings[k].hysteresis), first_index);
        }
    };
    // Low-passed first, then band-passed in place (the sections are linear:
    // the order does not matter), and only when a reading wants it.
    filter_both_ways(low_pass(high_cut), f.y);
    if (wanted(CrossingFilter::low_pass)) read(CrossingFilter::low_pass);
    if (wanted(CrossingFilter::band_pass)) {
        filter_both_ways(high_pass(low_cut), f.y);
        read(CrossingFilter::band_pass);
    }
    return blocks;
}
