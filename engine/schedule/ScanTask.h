// The scan task "Registry Task" in the Task Scheduler (1.0 interfaces): it
// starts this program with "-scan" on each of its weekly triggers. Every
// function creates the scheduler itself and needs COM initialised; false when
// a scheduler call fails.
#pragma once

#include <windows.h>
#include <mstask.h>

#include "corvex/Records.h"

namespace schedule {

inline constexpr wchar_t kTaskName[] = L"Registry Task";
// Shown when the scheduler's service is stopped and cannot be started.
inline constexpr wchar_t kServiceNotStartedText[] =
    L"The Task Scheduler service is not running and could not be started.";
inline constexpr wchar_t kServiceCaption[] = L"Task Scheduler";
inline constexpr wchar_t kForeignTaskText[] =
    L"The scheduled task \"Registry Task\" starts another program; Tamsel leaves it alone.";
// The program a task of ours starts, beside the engine.
inline constexpr wchar_t kProgramFile[] = L"Tamsel.exe";

// kForeign: a task of the name exists but starts another program
// (pure/ScheduleRules); it is neither adopted, changed nor deleted.
enum class TaskResult { kDone, kFailed, kForeign, kMissing };

// Creates the task when it does not exist yet; an existing task of ours is
// left as it is (kDone), one that starts another program is kForeign.
TaskResult EnsureTask();
// Deletes the task when it is ours; kMissing when there is none.
TaskResult DeleteTask();
// The trigger functions work only on a task of ours: another program's is
// reported (kForeignTaskText) and they fail.
bool AddTrigger(const TASK_TRIGGER& trigger);
// Deletes trigger `index`; without keepTask the task goes with its last trigger.
bool DeleteTrigger(int index, bool keepTask);
// Appends one record per trigger in index order; nothing when any read fails.
bool ListTriggers(PtrArray<ScangetTaskTrigger>& out);
// Replaces trigger `index`; the new one is the task's last.
bool ReplaceTrigger(int index, const TASK_TRIGGER& trigger);

}  // namespace schedule
