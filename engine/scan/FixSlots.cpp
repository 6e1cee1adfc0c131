// The fix slot: starts the fix thread on the current engine state.
#include "core/EngineState.h"
#include "core/Slots.h"
#include "core/WorkerStart.h"
#include "defrag/PendingSwap.h"
#include "scan/FixRun.h"

namespace slots {

HANDLE CORVEX_CALL StartFix()
{
    return Guard<HANDLE>(nullptr, [] () -> HANDLE {
        CRegEngine* e = engine::Current();
        if (!e) return nullptr;
        // A fix made now would be undone by the swap at the restart.
        if (defrag::RefuseWhileSwapPending()) return nullptr;
        e->processedCount = 0;
        e->stopFlag = 0;
        // A null handle tells the caller that no fix runs and none will report.
        e->fixThread.reset(worker::Start(scan::FixThreadProc, e));
        return e->fixThread.get();
    });
}

}  // namespace slots
