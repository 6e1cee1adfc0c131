// Cluster arithmetic of the defragmenter: the excluded zones, the free-run
// search, the fragmentation test and the walk that turns the volume bitmap
// into coloured ranges. The walks read the bitmap in chunks and scan it a
// word at a time; the results are those of a walk cluster by cluster.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "pure/VolumeAccess.h"

namespace clusters {

// Clusters per bitmap request: 65536 bitmap bytes.
inline constexpr size_t kBitmapChunkBytes = 65536;

// [first, end); an empty zone (first == end) excludes nothing.
struct Zone {
    uint64_t first = 0;
    uint64_t end = 0;
    bool Contains(uint64_t c) const { return c >= first && c < end; }
    bool Empty() const { return end <= first; }
};

// The master file table, its zone and its mirror.
struct Zones {
    Zone mft;
    Zone mftZone;
    Zone mirror;
    bool Contains(uint64_t c) const { return mft.Contains(c) || mftZone.Contains(c) || mirror.Contains(c); }
};

struct FreeRun {
    bool found = false;
    uint64_t first = 0;
    uint64_t end = 0;
    uint64_t Length() const { return end - first; }
};

// Searches [minimum, maximum) (maximum 0: the end of the volume) for a free
// run of `length` clusters; zone clusters count as in use. Returns the first
// run long enough, or with `highest` the last one; failing that, unless
// `mustFit`, the longest shorter run. Not found when a bitmap request fails.
FreeRun FindFreeRun(vol::BitmapReader& bitmap, const Zones& zones, uint64_t totalClusters, uint64_t minimum,
                    uint64_t maximum, uint64_t length, bool mustFit, bool highest);

// Whether the file-relative cluster range [offset, offset + size) of a file
// with these extents is split on disk. Virtual extents are skipped.
bool IsRangeFragmented(const vol::Extent* extents, size_t count, uint64_t offset, uint64_t size);

// Colours of the volume map.
enum Colour : int {
    kFree = 0,
    kInUse = 1,
    kHive = 2,
    kHiveUnmovable = 3,
    kHiveFragmented = 4,
    kHighlight = 5,
    kZoneUncovered = 6,
};

enum class MapWalk { Done, Restart };

// Draws the whole bitmap as runs of colour kFree / kInUse, the excluded
// zones' boundaries starting runs of their own. `restart` is asked after
// every chunk; when it says yes the walk stops at once with Restart.
MapWalk WalkVolumeMap(vol::BitmapReader& bitmap, const Zones& zones,
                      const std::function<void(uint64_t first, uint64_t end, int colour)>& draw,
                      const std::function<bool()>& restart);

// Bit scanning over a little-endian bitmap (bit i of byte i/8): the first
// position in [from, to) whose bit equals `value`, or `to`.
size_t FindBit(const uint8_t* bits, size_t from, size_t to, bool value);
inline bool TestBit(const uint8_t* bits, size_t i) { return (bits[i >> 3] >> (i & 7)) & 1; }

}  // namespace clusters
