#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <vector>

#include "pure/ScanSplit.h"

using pure::SubKeyRange;

TEST(ScanSplit, ThreadCount)
{
    struct Case {
        int setting, processors, pieces, expected;
    };
    const Case cases[] = {
        {0, 4, 100, 4},   // one per processor
        {0, 1, 100, 2},   // at least two without a setting
        {0, 32, 100, 8},  // never more than the cap
        {0, 4, 3, 3},     // never more than there is work
        {0, 4, 0, 1},     // at least one
        {1, 16, 100, 1},  // the setting wins: the old one-thread scan
        {3, 1, 100, 3},
        {64, 2, 100, 8},
        {-5, 2, 100, 2},  // a negative setting counts as none
    };
    for (const Case& c : cases)
        EXPECT_EQ(pure::ScanThreadCount(c.setting, c.processors, c.pieces), c.expected)
            << c.setting << " " << c.processors << " " << c.pieces;
}

// Every subkey index lies in exactly one range, ranges are in order, and the
// last one runs to the end (subkeys added during the scan are still walked).
TEST(ScanSplit, RangesCoverEverySubKeyOnce)
{
    for (uint32_t size : {1u, 3u, 512u}) {
        for (uint32_t count : {0u, 1u, 2u, 3u, 4u, 511u, 512u, 513u, 1024u, 1025u, 5000u}) {
            const std::vector<SubKeyRange> ranges = pure::SplitSubKeys(count, size);
            ASSERT_FALSE(ranges.empty());
            EXPECT_EQ(ranges.front().first, 0u);
            EXPECT_TRUE(ranges.front().HasStartKey());
            EXPECT_EQ(ranges.back().end, SubKeyRange::kToTheEnd);
            EXPECT_EQ(ranges.size(), count <= size ? 1u : (count + size - 1) / size) << count << "/" << size;
            for (uint32_t i = 0; i < count + 3; ++i) {
                int holders = 0;
                for (const SubKeyRange& r : ranges) holders += r.Contains(i) ? 1 : 0;
                ASSERT_EQ(holders, 1) << "index " << i << " of " << count << "/" << size;
            }
            for (size_t k = 1; k < ranges.size(); ++k) {
                EXPECT_EQ(ranges[k].first, ranges[k - 1].end);
                EXPECT_FALSE(ranges[k].HasStartKey());
            }
        }
    }
    EXPECT_EQ(pure::SplitSubKeys(100, 0).size(), 1u);
}

namespace {

// A random tree walked depth first; each node records 0..2 problems (their
// ids are the order a breadth-first walk records them in once sorted).
struct Node {
    int problems = 0;
    std::vector<Node> children;
};

Node RandomTree(std::mt19937& random, int depth)
{
    Node n;
    n.problems = static_cast<int>(random() % 3);
    if (depth < 4) {
        const int children = depth == 0 ? 7 : static_cast<int>(random() % 4);
        for (int i = 0; i < children; ++i) n.children.push_back(RandomTree(random, depth + 1));
    }
    return n;
}

void WalkDepthFirst(const Node& n, int depth, int& nextId, std::vector<int>& ids, std::vector<int>& depths)
{
    for (int p = 0; p < n.problems; ++p) {
        ids.push_back(nextId++);
        depths.push_back(depth);
    }
    for (const Node& c : n.children) WalkDepthFirst(c, depth + 1, nextId, ids, depths);
}

std::vector<int> Ordered(const std::vector<int>& ids, const std::vector<int>& depths)
{
    std::vector<int> out;
    for (int k : pure::BreadthFirstOrder(depths)) out.push_back(ids[static_cast<size_t>(k)]);
    return out;
}

}  // namespace

// The ranges of one walk, each put in breadth-first order and then
// concatenated, come out in the whole walk's order once ordered again.
TEST(ScanSplit, RangesOfAWalkMergeIntoTheWholeWalksOrder)
{
    for (unsigned seed = 1; seed <= 200; ++seed) {
        std::mt19937 random(seed);
        const Node root = RandomTree(random, 0);
        // Ids in depth-first recording order, the same for both ways.
        std::vector<int> ids, depths;
        int next = 0;
        WalkDepthFirst(root, 0, next, ids, depths);
        const std::vector<int> whole = Ordered(ids, depths);

        const uint32_t size = 1 + random() % 3;
        std::vector<int> mergedIds, mergedDepths;
        int id = 0;
        for (const SubKeyRange& r : pure::SplitSubKeys(static_cast<uint32_t>(root.children.size()), size)) {
            std::vector<int> partIds, partDepths;
            if (r.HasStartKey())
                for (int p = 0; p < root.problems; ++p) {
                    partIds.push_back(id++);
                    partDepths.push_back(0);
                }
            for (uint32_t c = 0; c < root.children.size(); ++c)
                if (r.Contains(c)) WalkDepthFirst(root.children[c], 1, id, partIds, partDepths);
            std::vector<int> sortedDepths = partDepths;
            std::stable_sort(sortedDepths.begin(), sortedDepths.end());
            const std::vector<int> part = Ordered(partIds, partDepths);
            mergedIds.insert(mergedIds.end(), part.begin(), part.end());
            mergedDepths.insert(mergedDepths.end(), sortedDepths.begin(), sortedDepths.end());
        }
        ASSERT_EQ(Ordered(mergedIds, mergedDepths), whole) << "seed " << seed;
    }
}
