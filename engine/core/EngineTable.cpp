#include "corvex/EngineTables.h"

#include "core/Callbacks.h"
#include "core/EngineState.h"
#include "core/Slots.h"

namespace slots {

void CheckIndex(int index, int count, const char* what)
{
    if (index < 0 || index >= count) throw EngineInvalidArgument(what);
}

// The counters read 0 when no engine state exists rather than crash.
int CORVEX_CALL GetProblemCount() { return engine::Current() ? engine::Current()->problemCount.load() : 0; }
int CORVEX_CALL GetCheckedCount() { return engine::Current() ? engine::Current()->checkedCount.load() : 0; }
int CORVEX_CALL GetFixedCount() { return engine::Current() ? engine::Current()->fixedCount.load() : 0; }
int CORVEX_CALL GetNotFixedCount() { return engine::Current() ? engine::Current()->notFixedCount.load() : 0; }

int CORVEX_CALL ReleaseEngine()
{
    return Guard(0, [] {
        engine::Destroy();
        ReleaseDefrag();
        return 1;
    });
}

}  // namespace slots

namespace {
EngineFunctionTable g_table = {
    slots::StartScan,          slots::StartFix,
    slots::SetStopFlag,        slots::GetScanCategories,
    slots::GetScanResults,     slots::IgnoreProblem,
    slots::SetProblemChecked,  slots::GetProblemCount,
    slots::GetCheckedCount,    slots::GetFixedCount,
    slots::GetNotFixedCount,   slots::ListBackups,
    slots::StartFullBackup,    slots::StartPartialBackup,
    slots::StartRestore,       slots::DeleteBackup,
    slots::GetIgnoreList,      slots::RemoveIgnoreItem,
    slots::LoadScanSettings,   slots::SetCategoryEnabled,
    slots::StartDefragAnalysis, slots::GetHiveList,
    slots::GetDefragSize,      slots::GetDefragState,
    slots::StartDefrag,        slots::StartMapRedraw,
    slots::UpdateDefragItem,   slots::StopDefrag,
    slots::ReleaseDefrag,      slots::ReleaseEngine,
    slots::LaunchSystemTool,   slots::ShowFileProperties,
    slots::LoadStartupItems,   slots::AddDisabledStartupItem,
    slots::RemoveDisabledStartupItem, slots::DeleteStartupEntry,
    slots::WriteStartupEntry,  slots::EnsureScheduleTask,
    slots::DeleteScheduleTask, slots::AddSchedule,
    slots::DeleteSchedule,     slots::GetScheduleTriggers,
    slots::EditSchedule,       slots::OpenKeyInRegedit,
    slots::GetScanThread,      slots::GetFixThread,
    slots::GetOperationResult, slots::SetReportHandler,
    slots::SetScanThreads,     slots::GetScanThreads,
    slots::EnableStartupItem,  slots::GetPendingCompaction,
    slots::GetIgnoreListState,
};
}  // namespace

extern "C" UiCallbackTable* CORVEX_CALL toEngineInitGetUIInterface(UiCallbackTable* callbacks,
                                                                   EngineFunctionTable** out)
{
    ui::SetTable(callbacks);
    if (out) *out = &g_table;
    return callbacks;
}
