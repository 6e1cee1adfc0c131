// The functions behind the engine table, one per slot. Each subsystem
// defines its own slots in its folder (scan/ScanSlots.cpp, backup/..., ...).
// Every slot catches at its edge: nothing but EngineInvalidArgument leaves.
#pragma once

#include "corvex/EngineTables.h"

namespace slots {

HANDLE CORVEX_CALL StartScan();
HANDLE CORVEX_CALL StartFix();
void CORVEX_CALL SetStopFlag(int value);
PtrArray<XMLElement>* CORVEX_CALL GetScanCategories();
PtrArray<RegScanCategory>* CORVEX_CALL GetScanResults();
int CORVEX_CALL IgnoreProblem(int resultIndex, int problemIndex);
void CORVEX_CALL SetProblemChecked(int resultIndex, int problemIndex, int checked);
int CORVEX_CALL GetProblemCount();
int CORVEX_CALL GetCheckedCount();
int CORVEX_CALL GetFixedCount();
int CORVEX_CALL GetNotFixedCount();
PtrArray<BackupEntry>* CORVEX_CALL ListBackups();
int CORVEX_CALL StartFullBackup();
int CORVEX_CALL StartPartialBackup(PtrArray<RegScanCategory>* results);
int CORVEX_CALL StartRestore(const std::wstring* backupName);
int CORVEX_CALL DeleteBackup(const std::wstring* backupName);
PtrArray<RegScanCategory>* CORVEX_CALL GetIgnoreList();
void CORVEX_CALL RemoveIgnoreItem(int groupIndex, int entryIndex);
PtrArray<XMLElement>* CORVEX_CALL LoadScanSettings();
void CORVEX_CALL SetCategoryEnabled(std::wstring elementName, const std::wstring* flag);
int CORVEX_CALL StartDefragAnalysis(int* running, int* redraw);
PtrArray<HiveItem>* CORVEX_CALL GetHiveList();
uint64_t CORVEX_CALL GetDefragSize();
int CORVEX_CALL GetDefragState();
int CORVEX_CALL StartDefrag();
int CORVEX_CALL StartMapRedraw();
int CORVEX_CALL UpdateDefragItem(HiveItem* hive);
int CORVEX_CALL StopDefrag();
int CORVEX_CALL ReleaseDefrag();
int CORVEX_CALL ReleaseEngine();
int CORVEX_CALL LaunchSystemTool(int tool);
int CORVEX_CALL ShowFileProperties(const std::wstring* path);
PtrArray<StartupItem>* CORVEX_CALL LoadStartupItems();
int CORVEX_CALL AddDisabledStartupItem(StartupItem* item);
int CORVEX_CALL RemoveDisabledStartupItem(StartupItem* item);
int CORVEX_CALL DeleteStartupEntry(StartupItem* item);
int CORVEX_CALL WriteStartupEntry(StartupItem* item);
int CORVEX_CALL EnsureScheduleTask();
int CORVEX_CALL DeleteScheduleTask();
int CORVEX_CALL AddSchedule(TASK_TRIGGER trigger);
int CORVEX_CALL DeleteSchedule(int triggerIndex, int keepTask);
int CORVEX_CALL GetScheduleTriggers(PtrArray<ScangetTaskTrigger>* out);
int CORVEX_CALL EditSchedule(int triggerIndex, TASK_TRIGGER trigger);
int CORVEX_CALL OpenKeyInRegedit(int resultIndex, int problemIndex);
HANDLE CORVEX_CALL GetScanThread();
HANDLE CORVEX_CALL GetFixThread();
int CORVEX_CALL GetOperationResult();
void CORVEX_CALL SetReportHandler(ReportHandler handler);
void CORVEX_CALL SetScanThreads(int count);
int CORVEX_CALL GetScanThreads();
int CORVEX_CALL EnableStartupItem(StartupItem* item, int replaceNewer, std::wstring* current);
int CORVEX_CALL GetPendingCompaction();
int CORVEX_CALL GetIgnoreListState();

// Runs a slot body; any exception other than EngineInvalidArgument becomes
// `fallback`.
template <class R, class Body>
R Guard(R fallback, Body body)
{
    try {
        return body();
    } catch (const EngineInvalidArgument&) {
        throw;
    } catch (...) {
        return fallback;
    }
}
template <class Body>
void GuardVoid(Body body)
{
    try {
        body();
    } catch (const EngineInvalidArgument&) {
        throw;
    } catch (...) {
    }
}

// Throws EngineInvalidArgument unless 0 <= index < count.
void CheckIndex(int index, int count, const char* what);

}  // namespace slots
