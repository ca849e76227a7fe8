// Combining takes. Every copy is aligned to one reference copy (the one the
// decoder was surest of) by a banded edit distance over bits, so that a bit
// lost or gained in one take shifts only that take's alignment. Then every
// reference position and every gap between two of them is voted on, each take
// weighing in with what the decoder knew about its bit. The XOR checksum
// judges the result. When the vote fails it, the weakest contested votes at
// the checksum's failing bit positions are turned over, one for each: bits
// chosen to make the checksum pass, which it then cannot vouch for.
#include "merge/merge.h"

#include <algorithm>
#include <climits>
#include <map>

namespace {
constexpr int alignment_band = 24;   // bits a take may drift from the reference before it is lost
constexpr int absent_weight_floor = 1;
constexpr int refinement_rounds = 3;  // alignments to the vote after the first

// Directions of the alignment's traceback.
enum Step : std::uint8_t { diagonal = 0, lost = 1, gained = 2 };

int weight_at(const TakeCopy& c, int k) {
    if (k < 0 || k >= static_cast<int>(c.bits.size())) return absent_weight_floor;
    return c.weights.empty() ? static_cast<int>(weight_clean) : c.weights[static_cast<std::size_t>(k)];
}

long long total_weight(const TakeCopy& c) {
    long long sum = 0;
    for (int k = 0; k < static_cast<int>(c.bits.size()); ++k) sum += weight_at(c, k);
    return sum;
}

// One copy as seen from the reference.
struct Aligned {
    const TakeCopy* copy;
    Alignment alignment;
    std::vector<int> slot_start;  // index in the copy of the first bit inserted before reference bit k
};

Alignment identity(std::size_t n) {
    Alignment a;
    a.matched.resize(n);
    for (std::size_t k = 0; k < n; ++k) a.matched[k] = static_cast<int>(k);
    a.inserted.assign(n + 1, 0);
    a.covered = static_cast<int>(n);
    return a;
}

Aligned aligned_to(const TakeCopy& reference, const TakeCopy& copy) {
    // A copy equal to the reference (the reference itself, often) needs no search.
    Aligned a{&copy, copy.bits == reference.bits ? identity(reference.bits.size())
                                                 : align_bits(reference.bits, copy.bits, alignment_band, copy.cut), {}};
    const int n = static_cast<int>(reference.bits.size());
    a.slot_start.assign(static_cast<std::size_t>(n) + 1, 0);
    int next = 0;  // the copy's next bit not yet placed
    for (int k = 0; k <= n; ++k) {
        a.slot_start[static_cast<std::size_t>(k)] = next;
        next += a.alignment.inserted[static_cast<std::size_t>(k)];
        if (k < n && a.alignment.matched[static_cast<std::size_t>(k)] >= 0) next = a.alignment.matched[static_cast<std::size_t>(k)] + 1;
    }
    return a;
}

struct Vote {
    std::vector<std::uint8_t> bits;
    std::vector<int> margin;  // per output bit: how far the winning side led; INT_MAX where all agreed
    int contested = 0;
};

// The bits a take inserted before reference bit k, voted against inserting nothing.
void vote_slot(const std::vector<Aligned>& copies, int k, Vote& vote) {
    std::map<std::vector<std::uint8_t>, long long> support;
    bool all_same = true;
    const std::vector<std::uint8_t>* first = nullptr;
    for (const Aligned& a : copies) {
        const int count = a.alignment.inserted[static_cast<std::size_t>(k)];
        const int start = a.slot_start[static_cast<std::size_t>(k)];
        if (count == 0 && k >= a.alignment.covered) continue;  // past a cut take's end: no evidence
        std::vector<std::uint8_t> inserted(a.copy->bits.begin() + start, a.copy->bits.begin() + start + count);
        long long w = 0;
        for (int j = 0; j < count; ++j) w += weight_at(*a.copy, start + j);
        if (count == 0) w = std::max(weight_at(*a.copy, start - 1), weight_at(*a.copy, start));
        support[inserted] += count > 0 ? w / count : w;
        auto found = support.find(inserted);
        if (first == nullptr) first = &found->first;
        all_same = all_same && found->first == *first;
    }
    if (support.empty()) return;
    const std::vector<std::uint8_t>* best = nullptr;
    long long best_support = -1;
    for (const auto& [inserted, s] : support) {
        if (s > best_support || (s == best_support && inserted.empty())) {
            best = &inserted;
            best_support = s;
        }
    }
    if (!all_same) vote.contested += std::max<int>(1, static_cast<int>(best->size()));
    for (std::uint8_t b : *best) {
        vote.bits.push_back(b);
        vote.margin.push_back(all_same ? INT_MAX : 0);
    }
}

// Reference bit k: kept or dropped (when `indels`), then 0 or 1.
void vote_position(const std::vector<Aligned>& copies, int k, std::uint8_t reference_bit, bool indels, Vote& vote) {
    long long present = 0, absent = 0, ones = 0, zeros = 0;
    bool unanimous = true;
    int seen = -1;
    for (const Aligned& a : copies) {
        if (k >= a.alignment.covered) continue;  // past a cut take's end: no evidence
        const int j = a.alignment.matched[static_cast<std::size_t>(k)];
        if (j < 0) {
            const int before = a.slot_start[static_cast<std::size_t>(k)] - 1;
            absent += std::max(weight_at(*a.copy, before), weight_at(*a.copy, before + 1));
            unanimous = false;
            continue;
        }
        const int w = weight_at(*a.copy, j);
        const std::uint8_t b = a.copy->bits[static_cast<std::size_t>(j)];
        present += w;
        (b ? ones : zeros) += w;
        if (seen >= 0 && seen != b) unanimous = false;
        seen = b;
    }
    if (!unanimous) ++vote.contested;
    if (indels && absent > present) return;
    const std::uint8_t bit = ones == zeros ? reference_bit : (ones > zeros ? 1 : 0);
    vote.bits.push_back(bit);
    vote.margin.push_back(unanimous ? INT_MAX : static_cast<int>(ones > zeros ? ones - zeros : zeros - ones));
}

// With `indels`, bits are also dropped and inserted where the takes say so;
// without, the reference's length stands and only values are voted (where
// takes place a lost and a gained bit differently, as around a dropout near a
// block's trimmed end, that is the steadier vote).
Vote vote_on(const std::vector<Aligned>& copies, const TakeCopy& reference, bool indels) {
    Vote vote;
    const int n = static_cast<int>(reference.bits.size());
    for (int k = 0; k < n; ++k) {
        if (indels) vote_slot(copies, k, vote);
        vote_position(copies, k, reference.bits[static_cast<std::size_t>(k)], indels, vote);
    }
    if (indels) vote_slot(copies, n, vote);
    return vote;
}

long long distance_to_copies(const std::vector<std::uint8_t>& candidate, const std::vector<TakeCopy>& copies) {
    long long sum = 0;
    for (const TakeCopy& c : copies) sum += align_bits(candidate, c.bits, alignment_band).cost;
    return sum;
}

// Blocks come trimmed to the length their header announced, so the takes
// mostly agree on the length while a lost or gained bit near the end can
// leave the vote a bit short or long. When most takes agree, the vote is
// brought to that length, the missing bits voted from the takes' ends.
void fit_length(Vote& vote, const std::vector<TakeCopy>& copies) {
    std::map<std::size_t, std::size_t> lengths;
    for (const TakeCopy& c : copies) {
        if (!c.cut) ++lengths[c.bits.size() / 8 * 8];
    }
    std::size_t target = 0, holders = 0;
    for (const auto& [length, count] : lengths) {
        if (count > holders) target = length, holders = count;
    }
    if (2 * holders <= copies.size() || vote.bits.size() / 8 * 8 == target) return;
    if (vote.bits.size() > target) {
        vote.bits.resize(target);
        vote.margin.resize(target);
        return;
    }
    for (std::size_t p = vote.bits.size(); p < target; ++p) {
        long long ones = 0, zeros = 0;
        for (const TakeCopy& c : copies) {
            if (c.cut || c.bits.size() / 8 * 8 != target) continue;
            (c.bits[p] ? ones : zeros) += weight_at(c, static_cast<int>(p));
        }
        vote.bits.push_back(ones > zeros ? 1 : 0);
        vote.margin.push_back(static_cast<int>(ones > zeros ? ones - zeros : zeros - ones));
        ++vote.contested;
    }
}

// Turns over, for each bit position where the XOR of the bytes is 1, the
// contested bit there that won by the least. False when a position has none.
bool repair(Vote& vote) {
    const std::size_t whole = vote.bits.size() / 8 * 8;
    std::uint8_t error = 0;
    for (std::uint8_t b : bytes_of(vote.bits)) error ^= b;
    for (int position = 0; position < 8; ++position) {
        if ((error & (0x80 >> position)) == 0) continue;
        std::size_t weakest = whole;
        for (std::size_t k = static_cast<std::size_t>(position); k < whole; k += 8) {
            if (vote.margin[k] != INT_MAX && (weakest == whole || vote.margin[k] < vote.margin[weakest])) weakest = k;
        }
        if (weakest == whole) return false;
        vote.bits[weakest] ^= 1;
        vote.margin[weakest] = INT_MAX;
    }
    return true;
}

// Whether turning over the weakest votes would make the vote pass (the vote itself is left as it is).
bool repair_passes(Vote vote) { return repair(vote) && passes_checksum(bytes_of(vote.bits)); }
}  // namespace

std::vector<std::uint8_t> bits_of(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> bits;
    bits.reserve(bytes.size() * 8);
    for (std::uint8_t byte : bytes) {
        for (int k = 7; k >= 0; --k) bits.push_back(static_cast<std::uint8_t>((byte >> k) & 1));
    }
    return bits;
}

std::vector<std::uint8_t> bytes_of(const std::vector<std::uint8_t>& bits) {
    std::vector<std::uint8_t> bytes(bits.size() / 8);
    for (std::size_t k = 0; k < bytes.size() * 8; ++k) bytes[k / 8] = static_cast<std::uint8_t>(bytes[k / 8] << 1 | bits[k]);
    return bytes;
}

bool passes_checksum(const std::vector<std::uint8_t>& bytes) {
    std::uint8_t x = 0;
    for (std::uint8_t b : bytes) x ^= b;
    return !bytes.empty() && x == 0;
}

namespace {
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

MergedBlock merge_block(const std::vector<TakeCopy>& copies) {
    MergedBlock merged;
    if (copies.empty()) return merged;
    // One copy is nothing to vote on: it stands as the take left it.
    if (copies.size() == 1) {
        merged.bytes = bytes_of(copies.front().bits);
        merged.passes = merged.verified = passes_checksum(merged.bytes);
        merged.source = merged.passes ? MergeSource::one_take : MergeSource::failed;
        merged.from_take = copies.front().take;
        return merged;
    }
    // Copies that pass the checksum and agree, held by a majority: nothing to vote on.
    std::map<std::vector<std::uint8_t>, std::vector<int>> passing;  // content -> copies holding it
    for (std::size_t c = 0; c < copies.size(); ++c) {
        const std::vector<std::uint8_t> bytes = bytes_of(copies[c].bits);
        if (passes_checksum(bytes)) passing[bytes].push_back(static_cast<int>(c));
    }
    for (const auto& [bytes, holders] : passing) {
        if (2 * holders.size() > copies.size()) {
            merged.bytes = bytes;
            merged.source = MergeSource::agreed;
            merged.from_take = copies[static_cast<std::size_t>(holders.front())].take;
            merged.passes = true;
            merged.verified = true;
            return merged;
        }
    }

    // The reference: the copy the decoder was surest of, of those that hold the whole block.
    std::size_t reference = 0;
    for (std::size_t c = 1; c < copies.size(); ++c) {
        const bool whole = !copies[c].cut, reference_whole = !copies[reference].cut;
        if (whole != reference_whole ? whole : total_weight(copies[c]) > total_weight(copies[reference])) reference = c;
    }
    TakeCopy reference_copy = copies[reference];
    std::vector<Aligned> aligned;
    for (const TakeCopy& c : copies) aligned.push_back(aligned_to(copies[reference], c));
    Vote vote = vote_on(aligned, copies[reference], true);
    // The reference's own lost and gained bits skew every alignment to it: the
    // takes are aligned again to the vote, which stands nearer the tape, until
    // it settles.
    // Always to the end, whatever the checksum says: a vote stopped at the
    // first pass would be chosen by the checksum it is then judged by.
    for (int round = 0; round < refinement_rounds; ++round) {
        TakeCopy consensus;
        consensus.bits = vote.bits;
        std::vector<Aligned> again;
        for (const TakeCopy& c : copies) again.push_back(aligned_to(consensus, c));
        Vote next = vote_on(again, consensus, true);
        if (next.bits == vote.bits) break;
        vote = next;
        aligned.swap(again);
        reference_copy = consensus;
    }
    // At most three votes meet the checksum, each tried only when the one
    // before failed: the vote, the vote brought to the takes' length, and the
    // vote that keeps the reference's length.
    merged.votes_tried = 1;
    if (!passes_checksum(bytes_of(vote.bits))) {
        const std::size_t length = vote.bits.size();
        fit_length(vote, copies);
        merged.votes_tried += vote.bits.size() != length ? 1 : 0;
    }
    merged.contested_bits = vote.contested;
    merged.bytes = bytes_of(vote.bits);
    if (!passes_checksum(merged.bytes)) {
        Vote steady = vote_on(aligned, reference_copy, false);
        ++merged.votes_tried;
        if (passes_checksum(bytes_of(steady.bits)) || (!repair_passes(vote) && repair_passes(steady))) vote = steady;
        merged.contested_bits = vote.contested;
        merged.bytes = bytes_of(vote.bits);
    }

    // Of the candidates that pass, the one the takes support most: the fewest
    // wrong, lost and gained bits between it and all the copies. A take's own
    // errors can cancel in the checksum; the vote wins a tie.
    const bool vote_passes = passes_checksum(merged.bytes);
    const long long vote_distance = vote_passes ? distance_to_copies(bits_of(merged.bytes), copies) : 0;
    const std::vector<int>* best_copies = nullptr;
    long long best_distance = 0;
    for (const auto& [bytes, holders] : passing) {
        if (bytes == merged.bytes) continue;
        const long long d = distance_to_copies(bits_of(bytes), copies);
        if (best_copies == nullptr || d < best_distance) best_copies = &holders, best_distance = d;
    }
    if (best_copies != nullptr && (!vote_passes || best_distance < vote_distance)) {
        const TakeCopy& taken = copies[static_cast<std::size_t>(best_copies->front())];
        merged.bytes = bytes_of(taken.bits);
        merged.source = MergeSource::one_take;
        merged.from_take = taken.take;
        merged.passes = true;
        merged.verified = true;
        return merged;
    }
    if (vote_passes) {
        merged.source = MergeSource::voted;
        merged.passes = true;
        merged.verified = true;
        return merged;
    }
    const std::vector<std::uint8_t> voted = vote.bits;
    if (repair(vote) && passes_checksum(bytes_of(vote.bits))) {
        merged.bytes = bytes_of(vote.bits);
        merged.source = MergeSource::repaired;
        merged.passes = true;
        for (std::size_t k = 0; k < voted.size(); ++k) merged.repaired_bits += voted[k] != vote.bits[k] ? 1 : 0;
    }
    return merged;
}
