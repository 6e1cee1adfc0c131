// The fix slot: starts the fix thread on the current engine state.
#include "core/EngineState.h"
#include "core/Slots.h"
#include "scan/FixRun.h"

namespace slots {

HANDLE CORVEX_CALL StartFix()
{
    return Guard<HANDLE>(nullptr, [] () -> HANDLE {
        CRegEngine* e = engine::Current();
        if (!e) return nullptr;
        e->processedCount = 0;
        e->stopFlag = 0;
        e->fixThread.reset(CreateThread(nullptr, 0, scan::FixThreadProc, e, 0, nullptr));
        return e->fixThread.get();
    });
}

}  // namespace slots
