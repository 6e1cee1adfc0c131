// Volume map and free-run search on a simulated 2 TiB volume (512 Mi
// clusters of 4 KiB, about a third in use, fragmented), against the floor of
// one pass over the same bitmap counting set bits. Prints figures only.
#include <chrono>
#include <cstdio>
#include <memory>

#include "core/Callbacks.h"
#include "defrag/DefragOps.h"
#include "pure/SimVolume.h"

namespace {

uint64_t g_ranges = 0;
void CORVEX_CALL CountRange(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, int) { ++g_ranges; }

class Proxy : public vol::Volume {
public:
    explicit Proxy(vol::SimVolume& v) : v_(v) {}
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

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main()
{
    const uint64_t total = 512ULL << 20;
    vol::SimVolume sim(total, 4096);
    sim.SetMft(786432, 262144);
    sim.SetMftZone(1048576, 1048576 + 65536 * 8);
    sim.SetMirror(total / 2, 16);

    // Files of 1 to ~2000 clusters with gaps of 1 to ~4000 (never 10,000),
    // and one 20,000-cluster hole near the end.
    uint64_t state = 88172645463325252ULL;
    auto next = [&] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return state;
    };
    sim.MarkUsed(0, 786432);
    const uint64_t hole = total - 3000000;
    for (uint64_t c = 1048576 + 65536 * 8; c < total;) {
        uint64_t used = 1 + next() % 2000, gap = 1 + next() % 3999;
        if (c < hole && c + used + gap > hole) {
            sim.MarkUsed(c, hole - c);
            c = hole + 20000;
            continue;
        }
        sim.MarkUsed(c, std::min(used, total - c));
        c += used + gap;
    }

    auto t0 = std::chrono::steady_clock::now();
    uint64_t set = 0;
    for (uint64_t w : sim.Words()) set += static_cast<uint64_t>(__builtin_popcountll(w));
    const double floor = Seconds(t0);

    defrag::DefragContext& ctx = defrag::CreateContext();
    ctx.volume = std::make_unique<Proxy>(sim);
    ctx.totalClusters = total;
    ctx.bytesPerCluster = 4096;
    ctx.zones.mft = {786432, 786432 + 262144};
    ctx.zones.mftZone = {1048576, 1048576 + 65536 * 8};
    ctx.zones.mirror = {total / 2, total / 2 + 16};
    int redraw = 0;
    ctx.redraw = &redraw;
    UiCallbackTable table{};
    table.OnDefragDrawRange = CountRange;
    ui::SetTable(&table);

    t0 = std::chrono::steady_clock::now();
    defrag::DrawVolumeMap(ctx, false);
    const double map = Seconds(t0);

    t0 = std::chrono::steady_clock::now();
    clusters::FreeRun run = defrag::FindFreeRun(ctx, 0, 0, 10000, false, false);
    const double search = Seconds(t0);

    std::printf("clusters %llu, in use %llu (%.1f%%), map ranges %llu\n", static_cast<unsigned long long>(total),
                static_cast<unsigned long long>(set), 100.0 * static_cast<double>(set) / static_cast<double>(total),
                static_cast<unsigned long long>(g_ranges));
    std::printf("free run of 10000: %s at %llu (hole at %llu)\n", run.found ? "found" : "not found",
                static_cast<unsigned long long>(run.first), static_cast<unsigned long long>(hole));
    std::printf("floor (count set bits) %.4f s\nDrawVolumeMap          %.4f s  ratio %.2f\n"
                "FindFreeRun            %.4f s  ratio %.2f\n",
                floor, map, map / floor, search, search / floor);
    ui::SetTable(nullptr);
    defrag::Release();
    return 0;
}
