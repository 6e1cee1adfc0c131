// System tool slots. Not built yet: nothing is started.
#include "core/EngineState.h"
#include "core/Slots.h"

namespace slots {

int CORVEX_CALL LaunchSystemTool(int) { return Guard(0, [] { engine::New(); return 0; }); }
int CORVEX_CALL ShowFileProperties(const std::wstring*) { return Guard(0, [] { engine::Ensure(); return 0; }); }
int CORVEX_CALL OpenKeyInRegedit(int resultIndex, int problemIndex)
{
    CRegEngine* e = engine::Current();
    if (!e) return 0;
    CheckIndex(resultIndex, e->results.GetCount(), "OpenKeyInRegedit: result index");
    CheckIndex(problemIndex, e->results[resultIndex]->problems.GetCount(), "OpenKeyInRegedit: problem index");
    return 0;
}

}  // namespace slots
