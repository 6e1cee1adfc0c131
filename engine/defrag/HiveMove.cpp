#include <algorithm>

#include "core/Callbacks.h"
#include "core/ErrorText.h"
#include "defrag/DefragOps.h"

namespace defrag {
namespace {

constexpr uint64_t kChunkBytes = 1073741824;    // moves go in chunks of at most 1 GiB
constexpr uint64_t kChunkClustersUnknown = 262144;

uint64_t FirstRealCluster(const HiveItem& hive)
{
    for (const HiveFragment* f = hive.extents.get(); f; f = f->next.get())
        if (f->cluster != HiveFragment::kVirtual) return f->cluster;
    return 0;
}

// A move goes only into clusters the bitmap shows free right now.
bool DestinationFree(DefragContext& ctx, uint64_t destination, uint64_t size)
{
    clusters::FreeRun run = FindFreeRun(ctx, destination, destination + size, size, true, false);
    return run.found && run.first == destination;
}

void DrawDestination(DefragContext& ctx, uint64_t destination, uint64_t size, int colour)
{
    ctx.hooks.drawRange(ctx, destination, destination + size, colour);
}

}  // namespace

clusters::FreeRun FindFreeRun(DefragContext& ctx, uint64_t minimum, uint64_t maximum, uint64_t length,
                              bool mustFit, bool highest)
{
    if (!ctx.volume) return {};
    return clusters::FindFreeRun(*ctx.volume, ctx.zones, ctx.totalClusters, minimum, maximum, length, mustFit,
                                 highest);
}

bool MoveHiveFile(DefragContext& ctx, HiveItem& hive, uint64_t destination, uint64_t size)
{
    if (hive.unmovable || hive.clusters == 0) return false;
    if (size == 0) return true;
    const uint64_t limit =
        ctx.bytesPerCluster ? std::max<uint64_t>(1, kChunkBytes / ctx.bytesPerCluster) : kChunkClustersUnknown;
    bool ok = true;
    for (uint64_t offset = 0; IsRunning(ctx);) {
        const uint64_t chunk = std::min(size - offset, limit);
        auto file = OpenHiveForMove(ctx, hive);
        if (!file) {
            ok = false;
            break;
        }
        if (!MoveHiveChunk(ctx, hive, *file, destination + offset, offset, chunk)) {
            // A stop during the chunk is a stop, not a file that cannot move.
            ok = !IsRunning(ctx);
            break;
        }
        file->Flush();
        file.reset();
        offset += chunk;
        if (offset >= size) break;
    }
    if (ok) return true;
    hive.unmovable = 1;
    DrawHiveExtents(ctx, hive, DrawMode::Normal);
    return false;
}

bool MoveHiveChunk(DefragContext& ctx, HiveItem& hive, vol::VolumeFile& file, uint64_t destination,
                   uint64_t offset, uint64_t size)
{
    const uint64_t old = FirstRealCluster(hive);
    if (!MoveAndReread(ctx, hive, file, destination, offset, size, MoveStrategy::Whole) || !IsRunning(ctx))
        return false;
    if (!IsHiveRangeFragmented(hive, offset, size)) return true;

    // The file system split the chunk: go through another free run, then
    // back to the wanted place extent by extent.
    uint64_t start = old + hive.clusters;
    if (start + hive.clusters >= destination && destination + hive.clusters > start)
        start = destination + hive.clusters;
    clusters::FreeRun run = FindFreeRun(ctx, start, 0, size, true, false);
    if (!run.found) return false;
    if (!MoveAndReread(ctx, hive, file, run.first, offset, size, MoveStrategy::ExtentByExtent)) return false;
    if (IsHiveRangeFragmented(hive, offset, size)) return false;
    return MoveAndReread(ctx, hive, file, destination, offset, size, MoveStrategy::ExtentByExtent);
}

bool MoveAndReread(DefragContext& ctx, HiveItem& hive, vol::VolumeFile& file, uint64_t destination,
                   uint64_t offset, uint64_t size, MoveStrategy strategy)
{
    uint32_t error = vol::kErrorAccessDenied;
    if (DestinationFree(ctx, destination, size))
        error = strategy == MoveStrategy::Whole ? MoveInOneCall(ctx, hive, file, destination, offset, size)
                                                : MoveExtentByExtent(ctx, hive, file, destination, offset, size);
    else
        ctx.hooks.diagnostic(L"destination clusters are not free");
    DrawHiveExtents(ctx, hive, DrawMode::Erase);
    const bool ok = ReadHiveExtents(ctx, hive, file);
    if (!ok) hive.unmovable = 1;  // the map and the flags would no longer match the disk
    if (LoadFlag(ctx.redraw) != 0)
        DrawVolumeMap(ctx, false);
    else
        DrawHiveExtents(ctx, hive, DrawMode::Normal);
    if (error != vol::kOk) {
        ctx.hooks.diagnostic(SystemMessageText(error));
        return false;
    }
    return ok;
}

uint32_t MoveInOneCall(DefragContext& ctx, HiveItem& hive, vol::VolumeFile& file, uint64_t destination,
                       uint64_t offset, uint64_t size)
{
    uint64_t position = 0, prevVcn = 0, vcn = offset, from = 0;
    for (const HiveFragment* f = hive.extents.get(); f; f = f->next.get()) {
        const uint64_t len = f->nextVcn - prevVcn, startVcn = prevVcn;
        prevVcn = f->nextVcn;
        if (f->cluster == HiveFragment::kVirtual || len == 0) continue;
        if (position + len - 1 >= offset) {
            vcn = startVcn + offset - position;
            from = f->cluster + offset - position;
            break;
        }
        position += len;
    }
    ctx.hooks.moveNotice(hive.index, size, from, destination, vcn);
    DrawHiveExtents(ctx, hive, DrawMode::Normal);
    DrawDestination(ctx, destination, size, clusters::kHighlight);
    uint32_t error = ctx.volume->MoveClusters(file, vcn, destination, static_cast<uint32_t>(size));
    DrawDestination(ctx, destination, size, clusters::kFree);
    return error;
}

uint32_t MoveExtentByExtent(DefragContext& ctx, HiveItem& hive, vol::VolumeFile& file, uint64_t destination,
                            uint64_t offset, uint64_t size)
{
    uint64_t p = 0, prevVcn = 0;
    for (const HiveFragment* f = hive.extents.get(); f && IsRunning(ctx); f = f->next.get()) {
        const uint64_t len = f->nextVcn - prevVcn, startVcn = prevVcn;
        prevVcn = f->nextVcn;
        if (f->cluster == HiveFragment::kVirtual || len == 0) continue;
        if (p >= offset + size) break;
        if (p + len - 1 < offset) {
            p += len;
            continue;
        }
        uint64_t vcn, to, count, from;
        if (p >= offset) {
            vcn = startVcn;
            to = destination + (p - offset);
            count = offset + size - p <= len ? offset + size - p : len;
            from = f->cluster;
        } else {
            vcn = startVcn + (offset - p);
            to = destination;
            count = std::min(len - (offset - p), size);
            from = f->cluster + (offset - p);
        }
        ctx.hooks.moveNotice(hive.index, count, from, to, vcn);
        if (LoadFlag(ctx.redraw) != 0)
            DrawVolumeMap(ctx, false);
        else
            DrawHiveExtents(ctx, hive, DrawMode::Normal);
        DrawDestination(ctx, to, count, clusters::kHighlight);
        uint32_t error = ctx.volume->MoveClusters(file, vcn, to, static_cast<uint32_t>(count));
        DrawDestination(ctx, to, count, clusters::kFree);
        if (error != vol::kOk) return error;
        p += len;
    }
    return vol::kOk;
}

}  // namespace defrag
