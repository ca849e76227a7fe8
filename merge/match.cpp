// Each take in turn is aligned to the groups found so far (the first take
// makes the first groups) by the order-keeping alignment that pairs the most
// similar blocks; a block left unpaired becomes a group of its own, in its
// place in the tape.
#include "merge/match.h"

#include <algorithm>
#include <cstdlib>

#include "common/overrun_trim.h"  // header_length
#include "merge/merge.h"

namespace {
constexpr std::size_t first_bits = 256;            // bits of a block's start kept to match it by
constexpr std::size_t bits_per_edit = 16;          // a match by bits allows at most one edit in this many bits compared

// Likeness scores: a pair of noise fragments, or of blocks that only their
// first bits tie together, must never outweigh a pair of whole blocks that
// agree, where the order leaves room for one pair only.
constexpr int fragment_likeness = 1;
constexpr int bits_likeness = 2;

// The fewest wrong, lost and gained bits that turn the first n bits of x
// into the first n bits of y, either allowed to end first (a bit gained early
// in one leaves its last bits past the other's end); limit + 1 for more than
// `limit`. Every pair of blocks of two takes may come here, most of them
// unrelated: the search stays within `limit` bits of the diagonal and stops
// as soon as a whole row costs more, which the merge's full alignment
// (align_bits) cannot do; that is some ten times slower on unrelated bits.
int edits_within(const std::vector<std::uint8_t>& x, const std::vector<std::uint8_t>& y, int n, int limit) {
    const int over = limit + 1;
    const std::size_t width = 2 * static_cast<std::size_t>(limit) + 1;
    // row[d]: the cost of x's first i bits against y's first j = i - limit + d bits (`over` past either end).
    std::vector<int> row(width, over), next(width);
    for (int j = 0; j <= limit; ++j) row[static_cast<std::size_t>(limit + j)] = j;  // y's first bits gained
    int best = over;
    for (int i = 1; i <= n; ++i) {
        int row_least = over;
        for (std::size_t d = 0; d < width; ++d) {
            const int j = i - limit + static_cast<int>(d);
            int c = over;
            if (j == 0) c = i;  // x's first bits lost
            if (j > 0 && j <= n) {
                c = row[d] + (x[static_cast<std::size_t>(i - 1)] != y[static_cast<std::size_t>(j - 1)]);  // kept or wrong
                if (d > 0) c = std::min(c, next[d - 1] + 1);                                                 // y's bit gained
            }
            if (j >= 0 && j <= n && d + 1 < width) c = std::min(c, row[d + 1] + 1);  // x's bit lost
            next[d] = std::min(c, over);
            row_least = std::min(row_least, next[d]);
            if (j == n) best = std::min(best, next[d]);  // y used up: the rest of x is free
        }
        if (row_least > limit) return best;  // every way on costs more
        row.swap(next);
    }
    for (std::size_t d = 0; d <= static_cast<std::size_t>(limit); ++d) best = std::min(best, row[d]);  // x used up
    return best;
}

// Whether two blocks begin alike, but for a few wrong, lost or gained bits:
// at most one in bits_per_edit of those compared.
bool begin_alike(const BlockInfo& a, const BlockInfo& b) {
    const std::size_t n = std::min(a.bits.size(), b.bits.size());
    if (n < 8 * static_cast<std::size_t>(fragment_bytes)) return false;  // a few bits agree by chance
    const int limit = static_cast<int>(n / bits_per_edit);
    return edits_within(a.bits, b.bits, static_cast<int>(n), limit) <= limit;
}

bool lengths_near(const BlockInfo& a, const BlockInfo& b) {
    return std::abs(a.length - b.length) <= std::max<std::int32_t>(2, std::max(a.length, b.length) / 50);
}

// A take that ended early may hold the start of a block only.
bool cut_short(const BlockInfo& a, const BlockInfo& b) {
    return (a.last && a.length < b.length) || (b.last && b.length < a.length);
}

// How alike two blocks are by flag, length and header; 0: those say they are not copies of one block.
int likeness_by_contents(const BlockInfo& a, const BlockInfo& b) {
    if (a.flag != b.flag) return 0;
    const std::int32_t difference = std::abs(a.length - b.length);
    if (!lengths_near(a, b)) return cut_short(a, b) ? 1 : 0;
    int score = difference == 0 ? 4 : 2;
    if (!a.header.empty() && !b.header.empty()) {
        int same = 0;
        for (std::size_t k = 0; k < a.header.size() && k < b.header.size(); ++k) same += a.header[k] == b.header[k];
        if (same < 17) return 0;  // a header with a damaged byte or two is still the same header; more is another
        score += 4;
    }
    return score;
}

// How alike two blocks are; 0: not copies of one block. Where flag or header
// disagree, the first bits decide. Not where the lengths are far apart
// (unless the shorter copy's take ended inside it): a copy that a dropout
// ended early would join the vote as if the bits past its end were lost.
int likeness(const BlockInfo& a, const BlockInfo& b) {
    const int score = likeness_by_contents(a, b);
    if (score > 0) return std::min(a.length, b.length) < fragment_bytes ? fragment_likeness : score;
    return (lengths_near(a, b) || cut_short(a, b)) && begin_alike(a, b) ? bits_likeness : 0;
}

// The representative of a group: its copy from the earliest take that has one.
const BlockInfo& representative(const MatchedBlock& group, const std::vector<std::vector<BlockInfo>>& takes) {
    for (std::size_t t = 0; t < group.size(); ++t) {
        if (group[t] >= 0) return takes[t][static_cast<std::size_t>(group[t])];
    }
    return takes[0][0];  // never: every group holds a copy
}
}  // namespace

std::vector<MatchedBlock> match_blocks(const std::vector<std::vector<BlockInfo>>& takes) {
    const std::size_t count = takes.size();
    std::vector<MatchedBlock> groups;
    for (std::size_t t = 0; t < count; ++t) {
        const std::vector<BlockInfo>& blocks = takes[t];
        const std::size_t n = groups.size(), m = blocks.size();
        // like[i][j]: likeness of group i and block j (0 where group i holds this take already);
        // best[i][j]: most likeness pairing the first i groups with the first j blocks.
        std::vector<std::vector<int>> like(n, std::vector<int>(m, 0));
        std::vector<std::vector<int>> best(n + 1, std::vector<int>(m + 1, 0));
        for (std::size_t i = 1; i <= n; ++i) {
            for (std::size_t j = 1; j <= m; ++j) {
                int b = std::max(best[i - 1][j], best[i][j - 1]);
                if (groups[i - 1][t] < 0) {
                    const int l = like[i - 1][j - 1] = likeness(representative(groups[i - 1], takes), blocks[j - 1]);
                    if (l > 0) b = std::max(b, best[i - 1][j - 1] + l);
                }
                best[i][j] = b;
            }
        }
        // Walk back: pairs join their group; unpaired blocks become groups where they stand.
        std::vector<MatchedBlock> merged;
        std::size_t i = n, j = m;
        while (i > 0 || j > 0) {
            if (i > 0 && j > 0) {
                const int l = like[i - 1][j - 1];
                if (l > 0 && best[i][j] == best[i - 1][j - 1] + l) {
                    MatchedBlock g = groups[i - 1];
                    g[t] = static_cast<int>(j - 1);
                    merged.push_back(g);
                    --i;
                    --j;
                    continue;
                }
            }
            if (j > 0 && (i == 0 || best[i][j] == best[i][j - 1])) {
                MatchedBlock g(count, -1);
                g[t] = static_cast<int>(j - 1);
                merged.push_back(g);
                --j;
            } else {
                merged.push_back(groups[i - 1]);
                --i;
            }
        }
        std::reverse(merged.begin(), merged.end());
        groups.swap(merged);
    }
    return groups;
}

double matched_share(const std::vector<MatchedBlock>& groups, const std::vector<std::vector<BlockInfo>>& takes) {
    std::size_t counted = 0, shared = 0;
    for (const MatchedBlock& g : groups) {
        std::int32_t longest = 0;
        int holders = 0;
        for (std::size_t t = 0; t < g.size(); ++t) {
            if (g[t] < 0) continue;
            longest = std::max(longest, takes[t][static_cast<std::size_t>(g[t])].length);
            ++holders;
        }
        if (longest < fragment_bytes) continue;
        ++counted;
        shared += holders >= 2 ? 1 : 0;
    }
    return counted == 0 ? 0.0 : static_cast<double>(shared) / static_cast<double>(counted);
}

BlockInfo block_info(const std::vector<std::uint8_t>& bytes) {
    BlockInfo info;
    info.flag = bytes.empty() ? 0 : bytes[0];
    info.length = static_cast<std::int32_t>(bytes.size());
    if (bytes.size() == static_cast<std::size_t>(header_length) && bytes[0] == 0x00) info.header = bytes;
    info.bits = bits_of(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(
                                                                                 std::min(bytes.size(), first_bits / 8))));
    return info;
}
