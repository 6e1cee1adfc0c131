#include <algorithm>
#include <vector>

#include "core/Callbacks.h"
#include "defrag/DefragOps.h"

namespace defrag {

void DrawHiveExtents(DefragContext& ctx, const HiveItem& hive, DrawMode mode)
{
    std::vector<vol::Extent> extents = ExtentsOf(hive);
    const bool fragmented = clusters::IsRangeFragmented(extents.data(), extents.size(), 0, hive.clusters);
    int colour = clusters::kHive;
    if (hive.flags & 4)
        colour = clusters::kHighlight;
    else if (fragmented)
        colour = clusters::kHiveFragmented;
    else if (hive.unmovable)
        colour = clusters::kHiveUnmovable;

    const clusters::Zone* zones[] = {&ctx.zones.mft, &ctx.zones.mftZone, &ctx.zones.mirror};
    uint64_t prevVcn = 0;
    for (const vol::Extent& e : extents) {
        const uint64_t len = e.nextVcn - prevVcn;
        prevVcn = e.nextVcn;
        if (e.lcn == vol::kVirtualLcn || len == 0) continue;
        const uint64_t first = e.lcn, end = e.lcn + len;
        if (mode == DrawMode::Normal) {
            ctx.hooks.drawRange(ctx, first, end, colour);
            continue;
        }
        // Erasing uncovers what lies below: zone clusters or free space.
        std::vector<uint64_t> cuts{first, end};
        for (const clusters::Zone* z : zones) {
            if (z->Empty()) continue;
            for (uint64_t c : {z->first, z->end})
                if (c > first && c < end) cuts.push_back(c);
        }
        std::sort(cuts.begin(), cuts.end());
        for (size_t i = 0; i + 1 < cuts.size(); ++i)
            ctx.hooks.drawRange(ctx, cuts[i], cuts[i + 1],
                                ctx.zones.Contains(cuts[i]) ? clusters::kZoneUncovered : clusters::kFree);
    }
}

void DrawVolumeMap(DefragContext& ctx, bool announceIdle)
{
    ui::DefragBusy();
    auto requested = [&] { return LoadFlag(ctx.redraw) == 1; };
    for (;;) {
        StoreFlag(ctx.redraw, 2);
        if (!ctx.volume) {
            StoreFlag(ctx.redraw, 0);
            return;
        }
        ctx.hooks.clearMap();
        auto draw = [&](uint64_t first, uint64_t end, int colour) { ctx.hooks.drawRange(ctx, first, end, colour); };
        if (clusters::WalkVolumeMap(*ctx.volume, ctx.zones, draw, requested) == clusters::MapWalk::Restart) {
            ui::DefragBusy();
            continue;
        }
        bool restart = false;
        if (PtrArray<HiveItem>* hives = Hives()) {
            for (HiveItem* hive : *hives) {
                if (hive->state == 0) continue;
                DrawHiveExtents(ctx, *hive, DrawMode::Normal);
                if (requested()) {
                    restart = true;
                    break;
                }
            }
        }
        if (!restart) break;
        ui::DefragBusy();
    }
    if (LoadFlag(ctx.redraw) == 2) StoreFlag(ctx.redraw, 0);
    if (announceIdle) ui::DefragIdle(Hives());
}

}  // namespace defrag
