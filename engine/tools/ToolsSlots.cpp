// System tool slots.
#include "core/EngineState.h"
#include "core/Slots.h"
#include "tools/SystemTools.h"

namespace slots {

int CORVEX_CALL LaunchSystemTool(int tool)
{
    return Guard(0, [tool] {
        tools::LaunchSystemTool(engine::New(), tool);
        return 0;
    });
}

int CORVEX_CALL ShowFileProperties(const std::wstring* path)
{
    return Guard(0, [path] {
        engine::Ensure();
        if (!path) return 0;
        return tools::ShowFileProperties(*path) ? 1 : 0;
    });
}

int CORVEX_CALL OpenKeyInRegedit(int resultIndex, int problemIndex)
{
    CRegEngine* e = engine::Current();
    if (!e) return 0;
    CheckIndex(resultIndex, e->results.GetCount(), "OpenKeyInRegedit: result index");
    CheckIndex(problemIndex, e->results[resultIndex]->problems.GetCount(), "OpenKeyInRegedit: problem index");
    const RegScanCategory& category = *e->results[resultIndex];
    const RegEntryProb& problem = *category.problems[problemIndex];
    return Guard(0, [&] { return tools::OpenInRegedit(*e, category, problem) ? 1 : 0; });
}

}  // namespace slots
