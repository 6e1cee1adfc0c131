// The simulated 2 TiB volume of the defrag benchmarks: 512 Mi clusters of
// 4 KiB, about a third in use in files of 1 to ~2000 clusters with gaps of
// 1 to ~4000, and one 20,000-cluster hole near the end.
#pragma once

#include <algorithm>
#include <cstdint>

#include "pure/ClusterMap.h"
#include "pure/SimVolume.h"

namespace bench {

inline constexpr uint64_t kTotal = 512ULL << 20;
inline constexpr uint64_t kMftStart = 786432, kMftLength = 262144;
inline constexpr uint64_t kZoneStart = 1048576, kZoneEnd = 1048576 + 65536 * 8;
inline constexpr uint64_t kMirror = kTotal / 2, kMirrorLength = 16;
inline constexpr uint64_t kHole = kTotal - 3000000;

inline void FillVolume(vol::SimVolume& sim)
{
    sim.SetMft(kMftStart, kMftLength);
    sim.SetMftZone(kZoneStart, kZoneEnd);
    sim.SetMirror(kMirror, kMirrorLength);
    uint64_t state = 88172645463325252ULL;
    auto next = [&] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    sim.MarkUsed(0, kMftStart);
    for (uint64_t c = kZoneEnd; c < kTotal;) {
        uint64_t used = 1 + next() % 2000, gap = 1 + next() % 3999;
        if (c < kHole && c + used + gap > kHole) {
            sim.MarkUsed(c, kHole - c);
            c = kHole + 20000;
            continue;
        }
        sim.MarkUsed(c, std::min(used, kTotal - c));
        c += used + gap;
    }
}

inline clusters::Zones VolumeZones()
{
    clusters::Zones z;
    z.mft = {kMftStart, kMftStart + kMftLength};
    z.mftZone = {kZoneStart, kZoneEnd};
    z.mirror = {kMirror, kMirror + kMirrorLength};
    return z;
}

// Forwards to a volume that outlives the engine's handle on it.
class VolumeProxy : public vol::Volume {
public:
    explicit VolumeProxy(vol::SimVolume& v) : v_(v) {}
    uint32_t ReadBitmap(uint64_t s, uint64_t* a, uint64_t* b, uint8_t* buf, size_t n) override
    {
        return v_.ReadBitmap(s, a, b, buf, n);
    }
    uint32_t ReadNtfsData(vol::NtfsData* out) override { return v_.ReadNtfsData(out); }
    std::unique_ptr<vol::VolumeFile> OpenFile(const std::wstring& p, uint32_t* e) override { return v_.OpenFile(p, e); }
    uint32_t MoveClusters(vol::VolumeFile& f, uint64_t a, uint64_t b, uint32_t c) override
    {
        return v_.MoveClusters(f, a, b, c);
    }

private:
    vol::SimVolume& v_;
};

}  // namespace bench
