// Aligning two copies of a block's bits: which bits of one stand for which of
// the other, allowing wrong, lost and gained bits. Copies of one block differ
// in few places, so the search follows the diagonals while the bits agree and
// pays only for the edits; copies far apart fall back to a banded search.
#include <algorithm>
#include <climits>

#include "merge/merge.h"

namespace {
// Directions of the alignment's traceback.
enum Step : std::uint8_t { diagonal = 0, lost = 1, gained = 2 };

constexpr int wavefront_cost_limit = 1500;  // edits beyond which the banded search takes over

// Copies of one block differ in few places: the alignment follows the
// diagonals as far as the bits agree and only pays for the edits, cheapest
// first (a wavefront of edit costs). Costs above the limit give up (empty).
// With `b_cut`, b may end anywhere in a: the search ends when b is used up.
bool align_by_wavefront(const std::vector<std::uint8_t>& a, const std::vector<std::uint8_t>& b, bool b_cut,
                        Alignment& result) {
    const int n = static_cast<int>(a.size()), m = static_cast<int>(b.size());
    constexpr int none = INT_MIN / 2;
    // fronts[d][k + d]: the furthest i on diagonal k = j - i reached with d edits, after following agreeing bits.
    std::vector<std::vector<int>> fronts;
    const auto slide = [&](int i, int k) {
        while (i < n && i + k < m && a[static_cast<std::size_t>(i)] == b[static_cast<std::size_t>(i + k)]) ++i;
        return i;
    };
    const auto at = [&](int d, int k) {
        if (d < 0 || k < -d || k > d) return none;
        return fronts[static_cast<std::size_t>(d)][static_cast<std::size_t>(k + d)];
    };
    // Whether some diagonal has used up all of b with d edits; which one, and where in a.
    const auto used_up = [&](int d, int& k_end, int& i_end) {
        for (int k = -d; k <= d; ++k) {
            const int i = at(d, k);
            if (i != none && i + k >= m) {
                k_end = k, i_end = i;
                return true;
            }
        }
        return false;
    };
    // The furthest i on diagonal k with d edits before sliding, and the edit that reached it.
    const auto reach = [&](int d, int k, Step& step) {
        int best = none;
        step = diagonal;
        const int substituted = at(d - 1, k) + 1, lost_bit = at(d - 1, k + 1) + 1, gained_bit = at(d - 1, k - 1);
        if (substituted > best) best = substituted, step = diagonal;
        if (lost_bit > best) best = lost_bit, step = lost;
        if (gained_bit > best) best = gained_bit, step = gained;
        if (best > n || best + k > m || best + k < 0) return none;
        return best;
    };
    int goal = m - n, end = n;  // the diagonal and the row where the search ends
    int d = 0;
    for (;; ++d) {
        if (d > wavefront_cost_limit) return false;
        fronts.emplace_back(static_cast<std::size_t>(2 * d + 1), none);
        for (int k = -d; k <= d; ++k) {
            int i = none;
            if (d == 0) {
                i = 0;
            } else {
                Step step;
                i = reach(d, k, step);
            }
            if (i == none || i < 0 || i > n || i + k < 0 || i + k > m) continue;
            fronts[static_cast<std::size_t>(d)][static_cast<std::size_t>(k + d)] = slide(i, k);
        }
        if (goal >= -d && goal <= d && at(d, goal) >= n) break;
        if (b_cut && used_up(d, goal, end)) break;
    }
    result.matched.assign(static_cast<std::size_t>(n), -1);
    result.inserted.assign(static_cast<std::size_t>(n) + 1, 0);
    result.cost = d;
    result.covered = end;
    int k = goal, i = end;
    for (; d > 0; --d) {
        Step step;
        const int start = reach(d, k, step);
        for (int x = i - 1; x >= start; --x) result.matched[static_cast<std::size_t>(x)] = x + k;  // the slide
        if (step == diagonal) {
            result.matched[static_cast<std::size_t>(start - 1)] = start - 1 + k;
            i = start - 1;
        } else if (step == lost) {
            i = start - 1;
            k += 1;
        } else {
            ++result.inserted[static_cast<std::size_t>(start)];
            i = start;
            k -= 1;
        }
    }
    for (int x = i - 1; x >= 0; --x) result.matched[static_cast<std::size_t>(x)] = x + k;  // k is 0 here
    return true;
}
}  // namespace

Alignment align_bits(const std::vector<std::uint8_t>& reference, const std::vector<std::uint8_t>& other, int band,
                     bool other_cut) {
    Alignment quick;
    if (align_by_wavefront(reference, other, other_cut, quick)) return quick;
    const int n = static_cast<int>(reference.size()), m = static_cast<int>(other.size());
    // Wide enough that consecutive rows overlap however the lengths differ:
    // then every cell of the band can be reached.
    band += n > 0 ? m / n + 1 : m;
    // Row i covers the other's bits lo[i] .. hi[i], around the straight line from (0, 0) to (n, m).
    std::vector<int> lo(static_cast<std::size_t>(n) + 1), hi(static_cast<std::size_t>(n) + 1);
    for (int i = 0; i <= n; ++i) {
        const long long centre = n == 0 ? m : static_cast<long long>(i) * m / n;
        lo[static_cast<std::size_t>(i)] = static_cast<int>(std::max<long long>(0, centre - band));
        hi[static_cast<std::size_t>(i)] = static_cast<int>(std::min<long long>(m, centre + band));
    }
    hi[0] = std::max(hi[0], std::min(m, band));
    lo[static_cast<std::size_t>(n)] = std::min(lo[static_cast<std::size_t>(n)], m);
    hi[static_cast<std::size_t>(n)] = m;
    constexpr int unreachable = INT_MAX / 2;
    // The traceback's steps, row after row in one allocation.
    std::vector<std::size_t> row_start(static_cast<std::size_t>(n) + 2, 0);
    for (int i = 0; i <= n; ++i) {
        row_start[static_cast<std::size_t>(i) + 1] =
            row_start[static_cast<std::size_t>(i)] + static_cast<std::size_t>(hi[static_cast<std::size_t>(i)] - lo[static_cast<std::size_t>(i)] + 1);
    }
    std::vector<std::uint8_t> steps(row_start.back(), diagonal);
    std::vector<int> previous, current;
    for (int i = 0; i <= n; ++i) {
        const int a = lo[static_cast<std::size_t>(i)], b = hi[static_cast<std::size_t>(i)];
        current.assign(static_cast<std::size_t>(b - a + 1), unreachable);
        std::uint8_t* row_steps = steps.data() + row_start[static_cast<std::size_t>(i)];
        const int pa = i > 0 ? lo[static_cast<std::size_t>(i - 1)] : 0, pb = i > 0 ? hi[static_cast<std::size_t>(i - 1)] : -1;
        for (int j = a; j <= b; ++j) {
            int best = i == 0 && j == 0 ? 0 : unreachable;
            std::uint8_t step = diagonal;
            if (i > 0 && j > 0 && j - 1 >= pa && j - 1 <= pb) {
                const int c = previous[static_cast<std::size_t>(j - 1 - pa)] +
                              (reference[static_cast<std::size_t>(i - 1)] != other[static_cast<std::size_t>(j - 1)]);
                if (c < best) best = c, step = diagonal;
            }
            if (i > 0 && j >= pa && j <= pb) {
                const int c = previous[static_cast<std::size_t>(j - pa)] + 1;
                if (c < best) best = c, step = lost;
            }
            if (j > a) {
                const int c = current[static_cast<std::size_t>(j - 1 - a)] + 1;
                if (c < best) best = c, step = gained;
            }
            current[static_cast<std::size_t>(j - a)] = best;
            row_steps[j - a] = step;
        }
        previous.swap(current);
    }
    Alignment result;
    result.matched.assign(static_cast<std::size_t>(n), -1);
    result.inserted.assign(static_cast<std::size_t>(n) + 1, 0);
    result.covered = n;
    result.cost = previous[static_cast<std::size_t>(m - lo[static_cast<std::size_t>(n)])];
    int i = n, j = m;
    while (i > 0 || j > 0) {
        const std::uint8_t step = i == 0 ? static_cast<std::uint8_t>(gained)
                                         : steps[row_start[static_cast<std::size_t>(i)] + static_cast<std::size_t>(j - lo[static_cast<std::size_t>(i)])];
        if (step == diagonal) {
            result.matched[static_cast<std::size_t>(i - 1)] = j - 1;
            --i;
            --j;
        } else if (step == lost) {
            --i;
        } else {
            ++result.inserted[static_cast<std::size_t>(i)];
            --j;
        }
    }
    return result;
}

