// The prefix's one "Registry Task", as the schedule tests of the engine, the
// page and the console tool find, plant and remove it. COM must be
// initialised on the calling thread.
#pragma once

#include <windows.h>
#include <mstask.h>

#include <string>

#include "core/ComPtr.h"

namespace tasktest {

ComPtr<ITaskScheduler> Scheduler();
// The task, or null when there is none.
ComPtr<ITask> OpenTask();
// Deletes the task whatever made it; the scheduler's service may hold the
// job file for a moment.
void RemoveTask();
// A task's text (application name, parameters, ...); "<none>" when unread.
std::wstring TaskText(ITask* task, HRESULT (STDMETHODCALLTYPE ITask::*get)(LPWSTR*));

// A weekly trigger starting on 2026-12-<day>.
TASK_TRIGGER Weekly(WORD days, WORD hour, WORD minute, WORD day = 8);

// Makes "Registry Task" start `application` with `parameters`, with one
// weekly trigger, as another program would.
bool PlantTask(const std::wstring& application, const std::wstring& parameters);

// Removes the task when it leaves scope.
struct TaskCleanup {
    ~TaskCleanup()
    {
        ScopedCoInit com;
        RemoveTask();
    }
};

}  // namespace tasktest
