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

// Creates the task when it does not exist yet; an existing task (also one
// made by someone else) is left as it is.
bool EnsureTask();
bool DeleteTask();
bool AddTrigger(const TASK_TRIGGER& trigger);
// Deletes trigger `index`; without keepTask the task goes with its last trigger.
bool DeleteTrigger(int index, bool keepTask);
// Appends one record per trigger in index order; nothing when any read fails.
bool ListTriggers(PtrArray<ScangetTaskTrigger>& out);
// Replaces trigger `index`; the new one is the task's last.
bool ReplaceTrigger(int index, const TASK_TRIGGER& trigger);

}  // namespace schedule
