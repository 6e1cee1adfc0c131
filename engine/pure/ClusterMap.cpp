#include "pure/ClusterMap.h"

#include <algorithm>
#include <cstring>
#include <vector>

#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ != __ORDER_LITTLE_ENDIAN__
#error "the bitmap scan reads words in little-endian order"
#endif

namespace clusters {
namespace {

bool Succeeded(uint32_t e) { return e == vol::kOk || e == vol::kErrorMoreData; }

// Bits valid in one chunk: what fits in the buffer, at most to the volume's end.
uint64_t ChunkBits(uint64_t bitmapSize) { return std::min<uint64_t>(bitmapSize, kBitmapChunkBytes * 8ULL); }

const Zone* ZoneHolding(const Zones& z, uint64_t c)
{
    if (z.mft.Contains(c)) return &z.mft;
    if (z.mftZone.Contains(c)) return &z.mftZone;
    if (z.mirror.Contains(c)) return &z.mirror;
    return nullptr;
}

// The first non-empty zone start above c, or `limit`.
uint64_t NextZoneStart(const Zones& z, uint64_t c, uint64_t limit)
{
    uint64_t next = limit;
    for (const Zone* zone : {&z.mft, &z.mftZone, &z.mirror})
        if (!zone->Empty() && zone->first > c && zone->first < next) next = zone->first;
    return next;
}

}  // namespace

size_t FindBit(const uint8_t* bits, size_t from, size_t to, bool value)
{
    size_t i = from;
    for (; i < to && (i & 63) != 0; ++i)
        if (TestBit(bits, i) == value) return i;
    for (; i + 64 <= to; i += 64) {
        uint64_t w;
        std::memcpy(&w, bits + (i >> 3), sizeof w);
        if (!value) w = ~w;
        if (w) return i + static_cast<size_t>(__builtin_ctzll(w));
    }
    for (; i < to; ++i)
        if (TestBit(bits, i) == value) return i;
    return to;
}

FreeRun FindFreeRun(vol::BitmapReader& bitmap, const Zones& zones, uint64_t totalClusters, uint64_t minimum,
                    uint64_t maximum, uint64_t length, bool mustFit, bool highest)
{
    if (minimum >= totalClusters) return {};
    std::vector<uint8_t> buf(kBitmapChunkBytes);
    uint64_t start = 0, size = 0;
    uint32_t err = bitmap.ReadBitmap(minimum, &start, &size, buf.data(), buf.size());
    if (!Succeeded(err) || minimum >= start + size) return {};
    const uint64_t bitmapEnd = start + size;
    const uint64_t maxC = maximum ? maximum : bitmapEnd;

    FreeRun remembered, longest, hit;
    // Ends the free run [a, b); true when it is the answer.
    auto endRun = [&](uint64_t a, uint64_t b) {
        uint64_t len = b - a;
        if (a >= minimum && len >= length) {
            if (!highest) {
                hit = {true, a, b};
                return true;
            }
            remembered = {true, a, b};
        }
        if (!longest.found || len > longest.Length()) longest = {true, a, b};
        return false;
    };

    bool prevInUse = true;
    uint64_t runStart = 0;
    uint64_t c = minimum;
    for (;;) {
        const uint64_t limit = std::min(start + ChunkBits(size), maxC);
        while (c < limit) {
            if (const Zone* z = ZoneHolding(zones, c)) {
                if (!prevInUse && endRun(runStart, c)) return hit;
                prevInUse = true;
                c = std::min(z->end, limit);
                continue;
            }
            const uint64_t lim = NextZoneStart(zones, c, limit);
            const uint64_t x = start + FindBit(buf.data(), c - start, lim - start, prevInUse ? false : true);
            if (x >= lim) {
                c = lim;
                continue;
            }
            if (prevInUse) {
                runStart = x;
            } else if (endRun(runStart, x)) {
                return hit;
            }
            prevInUse = !prevInUse;
            c = x + 1;
        }
        if (err != vol::kErrorMoreData || c >= bitmapEnd || c >= maxC) break;
        err = bitmap.ReadBitmap(c, &start, &size, buf.data(), buf.size());
        if (!Succeeded(err) || c >= start + size) return {};
    }
    if (!prevInUse && endRun(runStart, c)) return hit;

    if (highest && remembered.found) return remembered;
    if (mustFit || !longest.found) return {};
    return longest;
}

bool IsRangeFragmented(const vol::Extent* extents, size_t count, uint64_t offset, uint64_t size)
{
    const uint64_t end = offset + size;
    uint64_t runStart = 0, runEnd = 0, expected = 0, prevVcn = 0;
    for (size_t i = 0; i < count; ++i) {
        const vol::Extent& e = extents[i];
        const uint64_t len = e.nextVcn - prevVcn;
        prevVcn = e.nextVcn;
        if (e.lcn == vol::kVirtualLcn) continue;
        if (expected != 0 && e.lcn != expected) {
            if (runStart >= end) return false;
            if (runStart > offset || (offset < runEnd && runEnd < end)) return true;
            runStart = runEnd;
        }
        runEnd += len;
        expected = e.lcn + len;
    }
    if (runStart >= end) return false;
    return runStart > offset || (offset < runEnd && runEnd < end);
}

MapWalk WalkVolumeMap(vol::BitmapReader& bitmap, const Zones& zones,
                      const std::function<void(uint64_t, uint64_t, int)>& draw,
                      const std::function<bool()>& restart)
{
    std::vector<uint64_t> bounds;
    std::vector<uint64_t> ends;
    for (const Zone* z : {&zones.mft, &zones.mftZone, &zones.mirror}) {
        if (z->Empty()) continue;
        bounds.push_back(z->first);
        bounds.push_back(z->end);
        ends.push_back(z->end);
    }
    std::sort(bounds.begin(), bounds.end());
    bounds.erase(std::unique(bounds.begin(), bounds.end()), bounds.end());
    auto isZoneEnd = [&](uint64_t c) { return std::find(ends.begin(), ends.end(), c) != ends.end(); };

    std::vector<uint8_t> buf(kBitmapChunkBytes);
    bool first = true, prev = false, any = false;
    uint64_t runStart = 0, reached = 0, next = 0, bitmapEnd = 0;
    size_t bi = 0;
    for (;;) {
        uint64_t start = 0, size = 0;
        uint32_t err = bitmap.ReadBitmap(next, &start, &size, buf.data(), buf.size());
        if (!Succeeded(err) || next >= start + size) break;
        if (first) bitmapEnd = start + size;
        const uint64_t chunkEnd = start + ChunkBits(size);
        uint64_t c = next;
        if (first) {
            prev = TestBit(buf.data(), c - start);
            runStart = c;
            first = false;
        }
        while (c < chunkEnd) {
            while (bi < bounds.size() && bounds[bi] < c) ++bi;
            const uint64_t nb = bi < bounds.size() ? bounds[bi] : UINT64_MAX;
            if (nb == c) {
                if (c > runStart) draw(runStart, c, (isZoneEnd(c) || prev) ? kInUse : kFree);
                runStart = c;
                prev = true;
                ++c;
                continue;
            }
            const uint64_t lim = std::min(nb, chunkEnd);
            const uint64_t x = start + FindBit(buf.data(), c - start, lim - start, !prev);
            if (x >= lim) {
                c = lim;
                continue;
            }
            draw(runStart, x, prev ? kInUse : kFree);
            runStart = x;
            prev = !prev;
            c = x + 1;
        }
        any = true;
        reached = chunkEnd;
        next = chunkEnd;
        if (restart && restart()) return MapWalk::Restart;
        if (err != vol::kErrorMoreData || next >= bitmapEnd) break;
    }
    if (any && reached > runStart) draw(runStart, reached, prev ? kInUse : kFree);
    return MapWalk::Done;
}

}  // namespace clusters
