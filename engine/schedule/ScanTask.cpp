#include "schedule/ScanTask.h"

#include <lmcons.h>

#include <vector>

#include "core/ComPtr.h"

namespace schedule {
namespace {

// What Activate answers for a name it does not know.
constexpr HRESULT kTaskMissing = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

ComPtr<ITaskScheduler> Scheduler()
{
    ComPtr<ITaskScheduler> scheduler;
    if (FAILED(CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                scheduler.put_void())))
        scheduler.reset();
    return scheduler;
}

HRESULT Activate(ITaskScheduler* scheduler, ComPtr<ITask>& task)
{
    HRESULT hr = scheduler->Activate(kTaskName, IID_ITask, reinterpret_cast<IUnknown**>(task.put()));
    if (SUCCEEDED(hr) && !task) hr = E_FAIL;
    return hr;
}

ComPtr<ITask> ActivateTask()
{
    ComPtr<ITaskScheduler> scheduler = Scheduler();
    ComPtr<ITask> task;
    if (!scheduler || FAILED(Activate(scheduler.get(), task))) task.reset();
    return task;
}

bool Save(ITask* task)
{
    ComPtr<IPersistFile> file;
    if (FAILED(task->QueryInterface(IID_IPersistFile, file.put_void())) || !file) return false;
    return SUCCEEDED(file->Save(nullptr, TRUE));
}

bool TriggerIndex(int index, WORD& out)
{
    if (index < 0 || index > 0xFFFF) return false;
    out = static_cast<WORD>(index);
    return true;
}

// Adds a trigger to the task in memory.
bool Append(ITask* task, const TASK_TRIGGER& trigger)
{
    WORD index = 0;
    ComPtr<ITaskTrigger> created;
    if (FAILED(task->CreateTrigger(&index, created.put())) || !created) return false;
    TASK_TRIGGER copy = trigger;
    return SUCCEEDED(created->SetTrigger(&copy));
}

std::wstring ProgramPath()
{
    std::vector<wchar_t> path(32768);
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    return std::wstring(path.data(), n < path.size() ? n : 0);
}

std::wstring CurrentFolder()
{
    std::vector<wchar_t> dir(32768);
    DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(dir.size()), dir.data());
    return std::wstring(dir.data(), n < dir.size() ? n : 0);
}

std::wstring UserName()
{
    wchar_t name[UNLEN + 1] = {};
    DWORD size = UNLEN + 1;
    if (!GetUserNameW(name, &size)) return std::wstring();
    return name;
}

}  // namespace

bool EnsureTask()
{
    ComPtr<ITaskScheduler> scheduler = Scheduler();
    if (!scheduler) return false;
    // Ask first: not every scheduler refuses a new item under a name in use,
    // and an existing task must keep its settings.
    ComPtr<ITask> existing;
    HRESULT hr = Activate(scheduler.get(), existing);
    if (SUCCEEDED(hr)) return true;
    if (hr != kTaskMissing) return false;

    ComPtr<ITask> task;
    hr = scheduler->NewWorkItem(kTaskName, CLSID_CTask, IID_ITask, reinterpret_cast<IUnknown**>(task.put()));
    if (hr == HRESULT_FROM_WIN32(ERROR_FILE_EXISTS)) return true;
    if (FAILED(hr) || !task) return false;
    std::wstring program = ProgramPath();
    std::wstring folder = CurrentFolder();
    std::wstring user = UserName();
    // Everything is set before the one save, so a failing step leaves no
    // half-made task behind. The flag comes before the account: an account
    // without password is accepted only for a task that runs while its user
    // is logged on.
    if (program.empty() || FAILED(task->SetApplicationName(program.c_str())) ||
        FAILED(task->SetParameters(L"-scan")) || FAILED(task->SetFlags(TASK_FLAG_RUN_ONLY_IF_LOGGED_ON)) ||
        FAILED(task->SetAccountInformation(user.c_str(), nullptr)) ||
        FAILED(task->SetWorkingDirectory(folder.c_str())))
        return false;
    return Save(task.get());
}

bool DeleteTask()
{
    ComPtr<ITaskScheduler> scheduler = Scheduler();
    return scheduler && SUCCEEDED(scheduler->Delete(kTaskName));
}

bool AddTrigger(const TASK_TRIGGER& trigger)
{
    ComPtr<ITask> task = ActivateTask();
    return task && Append(task.get(), trigger) && Save(task.get());
}

bool DeleteTrigger(int index, bool keepTask)
{
    WORD at = 0;
    ComPtr<ITask> task = ActivateTask();
    if (!task || !TriggerIndex(index, at) || FAILED(task->DeleteTrigger(at)) || !Save(task.get())) return false;
    if (keepTask) return true;
    WORD count = 0;
    if (FAILED(task->GetTriggerCount(&count))) return false;
    task.reset();
    return count != 0 || DeleteTask();
}

bool ListTriggers(PtrArray<ScangetTaskTrigger>& out)
{
    ComPtr<ITask> task = ActivateTask();
    WORD count = 0;
    if (!task || FAILED(task->GetTriggerCount(&count))) return false;
    std::vector<std::unique_ptr<ScangetTaskTrigger>> read;
    for (WORD i = 0; i < count; ++i) {
        ComPtr<ITaskTrigger> trigger;
        if (FAILED(task->GetTrigger(i, trigger.put())) || !trigger) return false;
        auto record = std::make_unique<ScangetTaskTrigger>();
        record->trigger.cbTriggerSize = sizeof(TASK_TRIGGER);
        if (FAILED(trigger->GetTrigger(&record->trigger))) return false;
        read.push_back(std::move(record));
    }
    for (auto& record : read) out.Add(std::move(record));
    return true;
}

bool ReplaceTrigger(int index, const TASK_TRIGGER& trigger)
{
    WORD at = 0;
    ComPtr<ITask> task = ActivateTask();
    // One save after both changes: a trigger that cannot be set does not cost
    // the one it replaces.
    return task && TriggerIndex(index, at) && SUCCEEDED(task->DeleteTrigger(at)) && Append(task.get(), trigger) &&
           Save(task.get());
}

}  // namespace schedule
