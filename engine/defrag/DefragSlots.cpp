// Registry defragmentation slots: analysis, run and redraw workers, and the
// getters of the defragmentation state.
#include "core/Callbacks.h"
#include "core/Slots.h"
#include "defrag/DefragOps.h"
#include "defrag/PendingSwap.h"

namespace slots {

int CORVEX_CALL StartDefragAnalysis(int* running, int* redraw)
{
    return Guard(1, [&] {
        defrag::SetAnalysisFlags(running, redraw);
        if (!defrag::StartWorker(defrag::AnalysisThread)) defrag::EndUnstarted(1);
        return 1;
    });
}

PtrArray<HiveItem>* CORVEX_CALL GetHiveList() { return defrag::Hives(); }

uint64_t CORVEX_CALL GetDefragSize()
{
    const defrag::DefragContext* ctx = defrag::Context();
    return ctx ? ctx->totalClusters : 0;
}

int CORVEX_CALL GetDefragState()
{
    const defrag::DefragContext* ctx = defrag::Context();
    return ctx ? ctx->phase : 0;
}

int CORVEX_CALL StartDefrag()
{
    return Guard(1, [] {
        // A second compaction would queue a swap over the one still waiting.
        if (defrag::RefuseWhileSwapPending()) {
            ui::DefragStatusText(defrag::kRestartFirstText);
            if (defrag::DefragContext* ctx = defrag::Context()) defrag::StoreFlag(ctx->running, 2);
            ui::DefragFinished(3, 1);
            return 1;
        }
        if (!defrag::StartWorker(defrag::DefragRunThread)) defrag::EndUnstarted(3);
        return 1;
    });
}

int CORVEX_CALL StartMapRedraw()
{
    return Guard(0, [] {
        if (!defrag::Context()) return 0;
        return defrag::StartWorker(defrag::MapRedrawThread) ? 1 : 0;
    });
}

int CORVEX_CALL UpdateDefragItem(HiveItem* hive)
{
    return Guard(0, [&] {
        defrag::DefragContext* ctx = defrag::Context();
        if (!ctx || !hive) return 0;
        defrag::DrawHiveExtents(*ctx, *hive, defrag::DrawMode::Normal);
        return 1;
    });
}

int CORVEX_CALL StopDefrag()
{
    if (defrag::DefragContext* ctx = defrag::Context()) defrag::StoreFlag(ctx->running, 2);
    return 1;
}

int CORVEX_CALL GetPendingCompaction()
{
    // Cannot tell counts as pending: a change made now might be lost.
    return Guard(1, [] { return defrag::PendingSwaps() == defrag::SwapState::kNone ? 0 : 1; });
}

int CORVEX_CALL ReleaseDefrag()
{
    return Guard(1, [] {
        defrag::Release();
        return 1;
    });
}

}  // namespace slots
