#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "pure/ClusterMap.h"
#include "pure/SimVolume.h"

using clusters::FindFreeRun;
using clusters::FreeRun;
using clusters::IsRangeFragmented;
using clusters::Zones;
using vol::Extent;
using vol::kVirtualLcn;
using vol::SimVolume;

namespace {

// A volume from a picture: '1' in use, '0' free.
std::unique_ptr<SimVolume> FromPicture(const std::string& bits)
{
    auto v = std::make_unique<SimVolume>(bits.size());
    for (size_t i = 0; i < bits.size(); ++i)
        if (bits[i] == '1') v->MarkUsed(i, 1);
    return v;
}

bool Bit(const SimVolume& v, uint64_t c) { return (v.Words()[c >> 6] >> (c & 63)) & 1; }

// The free-run search cluster by cluster, as the walk is described.
FreeRun ReferenceFindFreeRun(const SimVolume& v, const Zones& z, uint64_t minimum, uint64_t maximum,
                             uint64_t length, bool mustFit, bool highest)
{
    const uint64_t total = v.TotalClusters();
    if (minimum >= total) return {};
    const uint64_t maxC = maximum ? maximum : total;
    FreeRun remembered, longest;
    bool prevInUse = true;
    uint64_t runStart = 0, c = minimum & ~7ULL;
    auto endRun = [&](uint64_t a, uint64_t b, FreeRun* hit) {
        if (a >= minimum && b - a >= length) {
            if (!highest) {
                *hit = {true, a, b};
                return true;
            }
            remembered = {true, a, b};
        }
        if (!longest.found || b - a > longest.Length()) longest = {true, a, b};
        return false;
    };
    FreeRun hit;
    for (; c < maxC && c < total; ++c) {
        if (c < minimum) continue;
        bool inUse = Bit(v, c) || z.Contains(c);
        if (!inUse && prevInUse) runStart = c;
        if (inUse && !prevInUse && endRun(runStart, c, &hit)) return hit;
        prevInUse = inUse;
    }
    if (!prevInUse && endRun(runStart, c, &hit)) return hit;
    if (highest && remembered.found) return remembered;
    if (mustFit || !longest.found) return {};
    return longest;
}

using Range = std::tuple<uint64_t, uint64_t, int>;

// The volume map cluster by cluster.
std::vector<Range> ReferenceMap(const SimVolume& v, const Zones& z)
{
    std::vector<Range> out;
    const clusters::Zone* all[] = {&z.mft, &z.mftZone, &z.mirror};
    auto isEnd = [&](uint64_t c) {
        for (const clusters::Zone* zone : all)
            if (!zone->Empty() && zone->end == c) return true;
        return false;
    };
    auto isFirst = [&](uint64_t c) {
        for (const clusters::Zone* zone : all)
            if (!zone->Empty() && zone->first == c) return true;
        return false;
    };
    bool prev = Bit(v, 0);
    uint64_t runStart = 0;
    for (uint64_t c = 0; c < v.TotalClusters(); ++c) {
        if (isFirst(c) || isEnd(c)) {
            if (c > runStart) out.emplace_back(runStart, c, isEnd(c) || prev ? 1 : 0);
            runStart = c;
            prev = true;
        } else if (Bit(v, c) != prev) {
            out.emplace_back(runStart, c, prev ? 1 : 0);
            runStart = c;
            prev = Bit(v, c);
        }
    }
    out.emplace_back(runStart, v.TotalClusters(), prev ? 1 : 0);
    return out;
}

std::vector<Range> Walk(SimVolume& v, const Zones& z)
{
    std::vector<Range> out;
    auto r = clusters::WalkVolumeMap(
        v, z, [&](uint64_t a, uint64_t b, int colour) { out.emplace_back(a, b, colour); },
        [] { return false; });
    EXPECT_EQ(r, clusters::MapWalk::Done);
    return out;
}

Zones MakeZones(clusters::Zone mft, clusters::Zone zone = {}, clusters::Zone mirror = {})
{
    Zones z;
    z.mft = mft;
    z.mftZone = zone;
    z.mirror = mirror;
    return z;
}

}  // namespace

TEST(IsRangeFragmented, FollowsTheExtentsOnDisk)
{
    const uint64_t V = kVirtualLcn;
    struct Case {
        const char* what;
        std::vector<Extent> extents;
        uint64_t offset, size;
        bool fragmented;
    } cases[] = {
        {"no extents", {}, 0, 0, false},
        {"one extent", {{100, 10}}, 0, 10, false},
        {"adjacent extents", {{100, 5}, {105, 10}}, 0, 10, false},
        {"split file", {{100, 5}, {200, 10}}, 0, 10, true},
        {"range inside the first extent", {{100, 5}, {200, 10}}, 0, 5, false},
        {"range inside the second extent", {{100, 5}, {200, 10}}, 5, 5, false},
        {"range across the break", {{100, 5}, {200, 10}}, 3, 4, true},
        {"virtual between adjacent extents", {{100, 5}, {V, 8}, {105, 13}}, 0, 10, false},
        {"virtual between split extents", {{100, 5}, {V, 8}, {300, 13}}, 0, 10, true},
        {"only virtual", {{V, 8}}, 0, 0, false},
        {"extent at cluster 0", {{0, 5}, {10, 10}}, 0, 10, true},
        {"middle of three", {{100, 5}, {200, 10}, {300, 15}}, 5, 5, false},
        {"last two of three", {{100, 5}, {200, 10}, {300, 15}}, 5, 10, true},
        {"tail range of three adjacent after a break", {{100, 5}, {200, 10}, {205, 15}}, 5, 10, false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IsRangeFragmented(c.extents.data(), c.extents.size(), c.offset, c.size), c.fragmented)
            << c.what;
}

TEST(FindFreeRun, HandMadeBitmaps)
{
    struct Case {
        const char* what;
        std::string bitmap;
        Zones zones;
        uint64_t minimum, maximum, length;
        bool mustFit, highest;
        FreeRun expected;
    } cases[] = {
        {"first run long enough", "1100111000011", {}, 0, 0, 3, false, false, {true, 7, 11}},
        {"first of several", "1100111000011", {}, 0, 0, 2, false, false, {true, 2, 4}},
        {"highest", "1100111000011", {}, 0, 0, 2, false, true, {true, 7, 11}},
        {"must fit and none fits", "1100111000011", {}, 0, 0, 5, true, false, {}},
        {"longest shorter run", "1100111000011", {}, 0, 0, 5, false, false, {true, 7, 11}},
        {"highest, none fits: longest", "1100111000011", {}, 0, 0, 5, false, true, {true, 7, 11}},
        {"equal runs: the first is longest", "1001001", {}, 0, 0, 3, false, false, {true, 1, 3}},
        {"zone clusters are in use", "1000000001", MakeZones({2, 5}), 0, 0, 4, false, false, {true, 5, 9}},
        {"run starting in a zone is cut", "1000000001", MakeZones({}, {0, 3}), 0, 0, 6, false, false,
         {true, 3, 9}},
        {"mirror too", "10000000001", MakeZones({}, {}, {4, 6}), 0, 0, 4, false, false, {true, 6, 10}},
        {"minimum inside a run", "1000000000001", {}, 4, 0, 3, false, false, {true, 4, 12}},
        {"maximum cuts the run", "1000000001", {}, 0, 6, 5, false, false, {true, 1, 6}},
        {"run open at the end", "1110000", {}, 0, 0, 4, true, false, {true, 3, 7}},
        {"all in use", "1111111", {}, 0, 0, 1, false, false, {}},
        {"minimum beyond the volume", "1000", {}, 4, 0, 1, false, false, {}},
        {"everything free", "0000", {}, 0, 0, 4, true, false, {true, 0, 4}},
    };
    for (Case& c : cases) {
        auto v = FromPicture(c.bitmap);
        FreeRun r = FindFreeRun(*v, c.zones, v->TotalClusters(), c.minimum, c.maximum, c.length, c.mustFit,
                                c.highest);
        EXPECT_EQ(r.found, c.expected.found) << c.what;
        if (r.found && c.expected.found) {
            EXPECT_EQ(r.first, c.expected.first) << c.what;
            EXPECT_EQ(r.end, c.expected.end) << c.what;
        }
    }
}

TEST(FindFreeRun, FailingBitmapFindsNothing)
{
    auto v = FromPicture("1000000");
    v->FailBitmap(vol::kErrorNotSupported);
    EXPECT_FALSE(FindFreeRun(*v, {}, 7, 0, 0, 1, false, false).found);
}

// Random fragmented volumes over several bitmap chunks, against the walk
// cluster by cluster.
TEST(FindFreeRun, MatchesTheClusterWalkAcrossChunks)
{
    std::mt19937_64 rng(7);
    const uint64_t total = 1300000;  // three chunks
    for (int round = 0; round < 6; ++round) {
        SimVolume v(total);
        for (uint64_t c = 0; c < total;) {
            uint64_t used = 1 + rng() % 3000, gap = 1 + rng() % (round == 0 ? 40 : 2500);
            v.MarkUsed(c, std::min(used, total - c));
            c += used + gap;
        }
        Zones z = MakeZones({1000, 5000}, {5000, 200000 + rng() % 1000}, {600000 + rng() % 10, 600020});
        for (int q = 0; q < 12; ++q) {
            uint64_t minimum = rng() % total, maximum = q % 3 == 0 ? 0 : minimum + rng() % 700000;
            uint64_t length = 1 + rng() % 3000;
            bool mustFit = q & 1, highest = q & 2;
            FreeRun a = FindFreeRun(v, z, total, minimum, maximum, length, mustFit, highest);
            FreeRun b = ReferenceFindFreeRun(v, z, minimum, maximum, length, mustFit, highest);
            ASSERT_EQ(a.found, b.found) << round << " " << q;
            if (a.found) {
                EXPECT_EQ(a.first, b.first) << round << " " << q;
                EXPECT_EQ(a.end, b.end) << round << " " << q;
            }
        }
    }
}

TEST(VolumeMap, RunsAndColours)
{
    auto v = FromPicture("1100111000");
    EXPECT_EQ(Walk(*v, {}), (std::vector<Range>{{0, 2, 1}, {2, 4, 0}, {4, 7, 1}, {7, 10, 0}}));
    // A zone's first cluster starts an in-use run; its end closes one in colour 1.
    EXPECT_EQ(Walk(*v, MakeZones({}, {3, 6})),
              (std::vector<Range>{{0, 2, 1}, {2, 3, 0}, {3, 6, 1}, {6, 7, 1}, {7, 10, 0}}));
    // A free zone: its inner free run is drawn free, its last run in use.
    auto w = FromPicture("1000000000");
    EXPECT_EQ(Walk(*w, MakeZones({}, {2, 8})),
              (std::vector<Range>{{0, 1, 1}, {1, 2, 0}, {2, 3, 1}, {3, 8, 1}, {8, 9, 1}, {9, 10, 0}}));
}

TEST(VolumeMap, MatchesTheClusterWalkAcrossChunks)
{
    std::mt19937_64 rng(11);
    const uint64_t total = 1100003;
    for (int round = 0; round < 3; ++round) {
        SimVolume v(total);
        for (uint64_t c = rng() % 2; c < total;) {
            uint64_t used = 1 + rng() % 700, gap = 1 + rng() % 900;
            v.MarkUsed(c, std::min(used, total - c));
            c += used + gap;
        }
        Zones z = MakeZones({16, 4000}, {4000, 524288 + rng() % 100}, {700001, 700009});
        EXPECT_EQ(Walk(v, z), ReferenceMap(v, z)) << round;
    }
}

TEST(VolumeMap, RestartStopsAfterTheChunk)
{
    SimVolume v(1100000);
    int draws = 0;
    auto r = clusters::WalkVolumeMap(v, {}, [&](uint64_t, uint64_t, int) { ++draws; }, [] { return true; });
    EXPECT_EQ(r, clusters::MapWalk::Restart);
    EXPECT_EQ(draws, 0);
    EXPECT_EQ(v.BitmapCalls(), 1);
}
