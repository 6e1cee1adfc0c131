#include <windows.h>

#include "core/Callbacks.h"
#include "defrag/DefragOps.h"
#include "defrag/PendingSwap.h"
#include "pure/DefragOutcome.h"

namespace defrag {
namespace {

// The run's last word: never "finished successfully" after a stop or with
// a hive that failed.
int Outcome(const PtrArray<HiveItem>& hives, int result)
{
    std::vector<std::wstring> failed;
    for (const HiveItem* hive : hives)
        if (hive->error == 1) failed.push_back(hive->keyName);
    ui::DefragStatusText(pure::DefragOutcomeText(result == 1, failed, PendingSwaps() != SwapState::kNone));
    return result;
}

}  // namespace

int DefragmentHives(DefragContext& ctx)
{
    PtrArray<HiveItem>* hives = Hives();
    if (!hives) return 0;
    for (HiveItem* hive : *hives) {
        if (LoadFlag(ctx.running) == 2) return Outcome(*hives, 1);
        ui::DefragItem(hive->index, 1);
        const int r = CompactHive(ctx, *hive);
        ui::DefragItem(hive->index, hive->error == 1 ? 2 : 0);
        if (r != 0) {
            hive->error = 1;  // the hive the run ended on is named with the failed ones
            return Outcome(*hives, 2);
        }
    }

    ui::DefragStatusText(L"defragmenting...");
    int result = 0;
    for (HiveItem* hive : *hives) {
        if (LoadFlag(ctx.running) == 2) {
            result = 1;
            break;
        }
        if ((hive->flags & 3) != 3) continue;  // compact and fragmented only
        ui::DefragStatusText(L"defragmenting " + hive->keyName);
        clusters::FreeRun run = FindFreeRun(ctx, 0, 0, hive->clusters, false, false);
        if (!run.found) {
            ui::DefragStatusText(L"no space available for " + hive->keyName);
            continue;
        }
        // A shorter run (the longest there is) moves nothing.
        if (run.Length() >= hive->clusters) {
            MoveHiveFile(ctx, *hive, run.first, hive->clusters);
            if (IsHiveRangeFragmented(*hive, 0, hive->clusters))
                hive->flags |= 2;
            else
                hive->flags &= ~2;
        }
        hive->state = 4;
        ui::DefragItem(hive->index, 0);
    }
    return Outcome(*hives, result);
}

DWORD WINAPI DefragRunThread(void*)
{
    DefragContext* ctx = Context();
    if (!ctx) {
        ui::DefragFinished(3, 2);
        return 0;
    }
    // A map redraw still going on would draw over the run; wait for it, but
    // not for ever.
    for (DWORD waited = 0; LoadFlag(ctx->redraw) != 0; waited += 100) {
        if (waited >= CurrentSeams().redrawWaitMs) {
            ui::DefragStatusText(L"The volume map is still being redrawn; defragmentation was not started.");
            StoreFlag(ctx->running, 2);
            ui::DefragFinished(3, 1);
            return 0;
        }
        SleepEx(100, FALSE);
    }
    StoreFlag(ctx->running, 0);
    ctx->phase = 3;
    ui::DefragPhase(3);
    const int result = DefragmentHives(*ctx);
    StoreFlag(ctx->running, 2);
    ui::DefragIdle(Hives());
    ui::DefragFinished(3, result);
    return 0;
}

DWORD WINAPI MapRedrawThread(void*)
{
    if (DefragContext* ctx = Context()) DrawVolumeMap(*ctx, LoadFlag(ctx->running) != 0);
    return 0;
}

}  // namespace defrag
