// Volume map and free-run search on a simulated 2 TiB volume (512 Mi
// clusters of 4 KiB, about a third in use, fragmented), against the floor of
// one pass over the same bitmap counting set bits. Prints figures only.
#include <chrono>
#include <cstdio>
#include <memory>

#include "core/Callbacks.h"
#include "defrag/DefragOps.h"
#include "BenchVolume.h"

namespace {

uint64_t g_ranges = 0;
void CORVEX_CALL CountRange(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, int) { ++g_ranges; }

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

}  // namespace

int main()
{
    const uint64_t total = bench::kTotal;
    vol::SimVolume sim(total, 4096);
    bench::FillVolume(sim);
    const uint64_t hole = bench::kHole;

    auto t0 = std::chrono::steady_clock::now();
    uint64_t set = 0;
    for (uint64_t w : sim.Words()) set += static_cast<uint64_t>(__builtin_popcountll(w));
    const double floor = Seconds(t0);

    defrag::DefragContext& ctx = defrag::CreateContext();
    ctx.volume = std::make_unique<bench::VolumeProxy>(sim);
    ctx.totalClusters = total;
    ctx.bytesPerCluster = 4096;
    ctx.zones = bench::VolumeZones();
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
