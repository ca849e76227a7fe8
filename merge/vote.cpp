// The vote on segments between anchors. Every copy is aligned to the
// reference copy; an anchor is a run of bits that every copy holds cleanly
// (read from its own pulses) and alike, at aligned places. Between two
// anchors each copy's whole stretch is one candidate, weighed by its weakest
// bit: a take whose dropout cluster lost and gained bits in one place offers
// one wrong string there, not a scatter of inserted bits for a per-bit vote
// to keep. The heaviest candidate wins, then the one most copies hold.
#include <map>
#include <string>

#include "merge/merge.h"

namespace {
constexpr int anchor_bits = 8;      // clean bits in a row, in every copy, that tie the copies together

int weight_at(const TakeCopy& c, int k) {
    return c.weights.empty() ? static_cast<int>(weight_clean) : c.weights[static_cast<std::size_t>(k)];
}

Alignment identity(std::size_t n) {
    Alignment a;
    a.matched.resize(n);
    for (std::size_t k = 0; k < n; ++k) a.matched[k] = static_cast<int>(k);
    a.inserted.assign(n + 1, 0);
    a.covered = static_cast<int>(n);
    return a;
}

// Reference bit k is solid when every copy that reaches it holds it cleanly
// and alike, right after what it holds for bit k - 1 (`joined`: nothing lost
// or gained between the two).
bool solid(const std::vector<TakeCopy>& copies, const std::vector<Alignment>& aligned, const TakeCopy& reference,
           int k, bool& joined) {
    joined = k > 0;
    for (std::size_t c = 0; c < copies.size(); ++c) {
        const Alignment& a = aligned[c];
        if (k >= a.covered) continue;  // past a cut take's end: no say
        const int j = a.matched[static_cast<std::size_t>(k)];
        if (j < 0 || copies[c].bits[static_cast<std::size_t>(j)] != reference.bits[static_cast<std::size_t>(k)] ||
            weight_at(copies[c], j) != weight_clean) {
            return false;
        }
        joined = joined && a.matched[static_cast<std::size_t>(k - 1)] == j - 1;
    }
    return true;
}

// Anchors as [first, last] reference bits.
std::vector<std::pair<int, int>> anchors_of(const std::vector<TakeCopy>& copies, const std::vector<Alignment>& aligned,
                                            const TakeCopy& reference) {
    std::vector<std::pair<int, int>> anchors;
    const int n = static_cast<int>(reference.bits.size());
    int start = -1;
    const auto close_run = [&](int end) {
        if (start >= 0 && end - start + 1 >= anchor_bits) anchors.emplace_back(start, end);
        start = -1;
    };
    for (int k = 0; k < n; ++k) {
        bool joined = false;
        if (!solid(copies, aligned, reference, k, joined)) {
            close_run(k - 1);
        } else if (start < 0 || !joined) {
            close_run(k - 1);
            start = k;
        }
    }
    close_run(n - 1);
    return anchors;
}

struct Candidate {
    long long weight = 0;  // the copies' weakest bits, added up
    int holders = 0;
    bool reference = false;
};

// The copies' stretches between reference bits `after` and `before` (-1 and
// n: the block's ends), voted; appended to `out`.
void vote_segment(const std::vector<TakeCopy>& copies, const std::vector<Alignment>& aligned, std::size_t reference,
                  int after, int before, std::vector<std::uint8_t>& out, int& contested) {
    std::map<std::string, Candidate> candidates;
    const int n = static_cast<int>(copies[reference].bits.size());
    for (std::size_t c = 0; c < copies.size(); ++c) {
        const Alignment& a = aligned[c];
        const TakeCopy& copy = copies[c];
        // A cut take that does not reach the far end of the stretch holds only part of it.
        if (copy.cut && (before >= a.covered || before == n)) continue;
        const int from = after < 0 ? 0 : a.matched[static_cast<std::size_t>(after)] + 1;
        const int to = before >= n ? static_cast<int>(copy.bits.size()) : a.matched[static_cast<std::size_t>(before)];
        std::string text;
        int weakest = weight_clean;
        for (int j = from; j < to; ++j) {
            text.push_back(static_cast<char>(copy.bits[static_cast<std::size_t>(j)]));
            weakest = std::min(weakest, weight_at(copy, j));
        }
        Candidate& candidate = candidates[text];
        candidate.weight += weakest;
        ++candidate.holders;
        candidate.reference = candidate.reference || c == reference;
    }
    const std::string* best = nullptr;
    const Candidate* best_candidate = nullptr;
    for (const auto& [text, candidate] : candidates) {
        const bool better = best == nullptr || candidate.weight > best_candidate->weight ||
                            (candidate.weight == best_candidate->weight &&
                             (candidate.holders > best_candidate->holders ||
                              (candidate.holders == best_candidate->holders && candidate.reference)));
        if (better) best = &text, best_candidate = &candidate;
    }
    if (best == nullptr) return;
    if (candidates.size() > 1) contested += std::max<int>(1, static_cast<int>(best->size()));
    for (char b : *best) out.push_back(static_cast<std::uint8_t>(b));
}
}  // namespace

std::vector<std::uint8_t> segment_vote(const std::vector<TakeCopy>& copies, std::size_t reference, int& contested) {
    const TakeCopy& r = copies[reference];
    std::vector<Alignment> aligned;
    for (const TakeCopy& c : copies) {
        aligned.push_back(c.bits == r.bits ? identity(r.bits.size()) : align_bits(r.bits, c.bits, alignment_band, c.cut));
    }
    std::vector<std::uint8_t> out;
    out.reserve(r.bits.size() + 64);
    contested = 0;
    int after = -1;
    for (const auto& [first, last] : anchors_of(copies, aligned, r)) {
        vote_segment(copies, aligned, reference, after, first, out, contested);
        out.insert(out.end(), r.bits.begin() + first, r.bits.begin() + last + 1);
        after = last;
    }
    vote_segment(copies, aligned, reference, after, static_cast<int>(r.bits.size()), out, contested);
    return out;
}
