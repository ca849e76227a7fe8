// Each take in turn is aligned to the groups found so far (the first take
// makes the first groups) by the order-keeping alignment that pairs the most
// similar blocks; a block left unpaired becomes a group of its own, in its
// place in the tape.
#include "merge/match.h"

#include <algorithm>
#include <cstdlib>

namespace {
constexpr std::size_t standard_header_bytes = 19;  // flag 0x00, type, name, lengths, checksum

// How alike two blocks are; 0: not copies of one block.
int likeness(const BlockInfo& a, const BlockInfo& b) {
    if (a.flag != b.flag) return 0;
    const std::int32_t difference = std::abs(a.length - b.length);
    const std::int32_t tolerance = std::max<std::int32_t>(2, std::max(a.length, b.length) / 50);
    if (difference > tolerance) {
        // A take that ended early may hold the start of a block only.
        const bool cut_short = (a.last && a.length < b.length) || (b.last && b.length < a.length);
        return cut_short ? 1 : 0;
    }
    int score = difference == 0 ? 4 : 2;
    if (!a.header.empty() && !b.header.empty()) {
        int same = 0;
        for (std::size_t k = 0; k < a.header.size() && k < b.header.size(); ++k) same += a.header[k] == b.header[k];
        if (same < 17) return 0;  // a header with a damaged byte or two is still the same header; more is another
        score += 4;
    }
    return score;
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
        // best[i][j]: most likeness pairing the first i groups with the first j blocks.
        std::vector<std::vector<int>> best(n + 1, std::vector<int>(m + 1, 0));
        for (std::size_t i = 1; i <= n; ++i) {
            for (std::size_t j = 1; j <= m; ++j) {
                int b = std::max(best[i - 1][j], best[i][j - 1]);
                if (groups[i - 1][t] < 0) {
                    const int l = likeness(representative(groups[i - 1], takes), blocks[j - 1]);
                    if (l > 0) b = std::max(b, best[i - 1][j - 1] + l);
                }
                best[i][j] = b;
            }
        }
        // Walk back: pairs join their group; unpaired blocks become groups where they stand.
        std::vector<MatchedBlock> merged;
        std::size_t i = n, j = m;
        while (i > 0 || j > 0) {
            if (i > 0 && j > 0 && groups[i - 1][t] < 0) {
                const int l = likeness(representative(groups[i - 1], takes), blocks[j - 1]);
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

double matched_share(const std::vector<MatchedBlock>& groups) {
    if (groups.empty()) return 0.0;
    std::size_t shared = 0;
    for (const MatchedBlock& g : groups) {
        shared += std::count_if(g.begin(), g.end(), [](int k) { return k >= 0; }) >= 2 ? 1 : 0;
    }
    return static_cast<double>(shared) / static_cast<double>(groups.size());
}

BlockInfo block_info(const std::vector<std::uint8_t>& bytes) {
    BlockInfo info;
    info.flag = bytes.empty() ? 0 : bytes[0];
    info.length = static_cast<std::int32_t>(bytes.size());
    if (bytes.size() == standard_header_bytes && bytes[0] == 0x00) info.header = bytes;
    return info;
}
