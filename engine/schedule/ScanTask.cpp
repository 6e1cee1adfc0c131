#include "schedule/ScanTask.h"

#include <lmcons.h>

#include <vector>

#include "core/ComPtr.h"
#include "core/ReportBox.h"
#include "pure/ScheduleRules.h"
#include "schedule/SchedulerService.h"

namespace schedule {
namespace {

// What Activate answers for a name it does not know.
constexpr HRESULT kTaskMissing = HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);

// How long a start of the scheduler's service may take.
constexpr DWORD kServiceStartWaitMs = 5000;

HRESULT CreateScheduler(ComPtr<ITaskScheduler>& scheduler)
{
    HRESULT hr = CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                  scheduler.put_void());
    if (FAILED(hr)) scheduler.reset();
    return hr;
}

// The program the task starts: Tamsel.exe beside the engine, whichever
// program (the window, the console tool) asks.
std::wstring ProgramPath()
{
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ProgramPath), &self))
        return std::wstring();
    std::vector<wchar_t> path(32768);
    DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
    if (n == 0 || n >= path.size()) return std::wstring();
    std::wstring full(path.data(), n);
    const size_t slash = full.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::wstring();
    return full.substr(0, slash + 1) + kProgramFile;
}

// The scheduler; when its service is not running (some systems start it
// only on request), the service is started and the scheduler asked once more.
ComPtr<ITaskScheduler> Scheduler()
{
    ComPtr<ITaskScheduler> scheduler;
    HRESULT hr = CreateScheduler(scheduler);
    if (hr != SCHED_E_SERVICE_NOT_RUNNING) return scheduler;
    if (StartSchedulerService(kServiceStartWaitMs)) hr = CreateScheduler(scheduler);
    if (hr == SCHED_E_SERVICE_NOT_RUNNING)
        report::Show(kServiceNotStartedText, kServiceCaption, MB_OK | MB_ICONERROR);
    return scheduler;
}

// The scheduler's own service reads a job file right after it changes; a
// call that meets it there is tried again for a moment.
template <class Call>
HRESULT Retried(Call call)
{
    HRESULT hr = call();
    for (int attempt = 0; hr == HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION) && attempt < 20; ++attempt) {
        Sleep(50);
        hr = call();
    }
    return hr;
}

HRESULT Activate(ITaskScheduler* scheduler, ComPtr<ITask>& task)
{
    HRESULT hr = Retried(
        [&] { return scheduler->Activate(kTaskName, IID_ITask, reinterpret_cast<IUnknown**>(task.put())); });
    if (SUCCEEDED(hr) && !task) hr = E_FAIL;
    return hr;
}

std::wstring TaskText(ITask* task, HRESULT (STDMETHODCALLTYPE ITask::*get)(LPWSTR*))
{
    LPWSTR text = nullptr;
    if (FAILED((task->*get)(&text)) || !text) return std::wstring();
    std::wstring out = text;
    CoTaskMemFree(text);
    return out;
}

bool IsOurs(ITask* task)
{
    return pure::IsOwnScanTask(TaskText(task, &ITask::GetApplicationName), TaskText(task, &ITask::GetParameters),
                               ProgramPath());
}

void ReportForeign() { report::Show(kForeignTaskText, kServiceCaption, MB_OK | MB_ICONWARNING); }

// The task, when it is ours; a task of the name that starts another
// program is reported and left alone.
ComPtr<ITask> ActivateTask()
{
    ComPtr<ITaskScheduler> scheduler = Scheduler();
    ComPtr<ITask> task;
    if (!scheduler || FAILED(Activate(scheduler.get(), task))) return ComPtr<ITask>();
    if (IsOurs(task.get())) return task;
    ReportForeign();
    return ComPtr<ITask>();
}

bool Save(ITask* task)
{
    ComPtr<IPersistFile> file;
    if (FAILED(task->QueryInterface(IID_IPersistFile, file.put_void())) || !file) return false;
    return SUCCEEDED(Retried([&] { return file->Save(nullptr, TRUE); }));
}

// A job file always holds a trigger: saved without one, the scheduler stores
// a daily trigger of its own, which would then be listed and run as a
// schedule. A task without schedules therefore keeps this placeholder, a
// disabled one-time trigger in the past that never fires and is never listed.
TASK_TRIGGER Placeholder()
{
    TASK_TRIGGER t{};
    t.cbTriggerSize = sizeof t;
    t.wBeginYear = 2000;
    t.wBeginMonth = 1;
    t.wBeginDay = 1;
    t.rgFlags = TASK_TRIGGER_FLAG_DISABLED;
    t.TriggerType = TASK_TIME_TRIGGER_ONCE;
    return t;
}

bool IsPlaceholder(const TASK_TRIGGER& t)
{
    return t.TriggerType == TASK_TIME_TRIGGER_ONCE && (t.rgFlags & TASK_TRIGGER_FLAG_DISABLED) &&
           t.wBeginYear == 2000 && t.wBeginMonth == 1 && t.wBeginDay == 1 && t.wStartHour == 0 &&
           t.wStartMinute == 0;
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

// The task's schedules: its triggers less a placeholder.
bool ReadTriggers(ITask* task, std::vector<TASK_TRIGGER>& out)
{
    out.clear();
    WORD count = 0;
    if (FAILED(task->GetTriggerCount(&count))) return false;
    for (WORD i = 0; i < count; ++i) {
        ComPtr<ITaskTrigger> trigger;
        TASK_TRIGGER t{};
        t.cbTriggerSize = sizeof t;
        if (FAILED(task->GetTrigger(i, trigger.put())) || !trigger || FAILED(trigger->GetTrigger(&t))) return false;
        if (!IsPlaceholder(t)) out.push_back(t);
    }
    return true;
}

// Replaces every trigger of the task in memory by `triggers` (the
// placeholder when there are none).
bool WriteTriggers(ITask* task, const std::vector<TASK_TRIGGER>& triggers)
{
    WORD count = 0;
    if (FAILED(task->GetTriggerCount(&count))) return false;
    while (count > 0)
        if (FAILED(task->DeleteTrigger(--count))) return false;
    if (triggers.empty()) return Append(task, Placeholder());
    for (const TASK_TRIGGER& t : triggers)
        if (!Append(task, t)) return false;
    return true;
}

bool ValidIndex(int index, const std::vector<TASK_TRIGGER>& triggers)
{
    return index >= 0 && static_cast<size_t>(index) < triggers.size();
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

TaskResult EnsureTask()
{
    ComPtr<ITaskScheduler> scheduler = Scheduler();
    if (!scheduler) return TaskResult::kFailed;
    // Ask first: not every scheduler refuses a new item under a name in use,
    // and an existing task must keep its settings.
    ComPtr<ITask> existing;
    HRESULT hr = Activate(scheduler.get(), existing);
    if (SUCCEEDED(hr)) return IsOurs(existing.get()) ? TaskResult::kDone : TaskResult::kForeign;
    if (hr != kTaskMissing) return TaskResult::kFailed;

    ComPtr<ITask> task;
    hr = scheduler->NewWorkItem(kTaskName, CLSID_CTask, IID_ITask, reinterpret_cast<IUnknown**>(task.put()));
    if (hr == HRESULT_FROM_WIN32(ERROR_FILE_EXISTS)) return TaskResult::kFailed;  // appeared meanwhile: not judged
    if (FAILED(hr) || !task) return TaskResult::kFailed;
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
        FAILED(task->SetWorkingDirectory(folder.c_str())) || !Append(task.get(), Placeholder()))
        return TaskResult::kFailed;
    return Save(task.get()) ? TaskResult::kDone : TaskResult::kFailed;
}

TaskResult DeleteTask()
{
    ComPtr<ITaskScheduler> scheduler = Scheduler();
    if (!scheduler) return TaskResult::kFailed;
    ComPtr<ITask> task;
    const HRESULT hr = Activate(scheduler.get(), task);
    if (hr == kTaskMissing) return TaskResult::kMissing;
    if (FAILED(hr)) return TaskResult::kFailed;
    if (!IsOurs(task.get())) return TaskResult::kForeign;
    task.reset();
    return SUCCEEDED(Retried([&] { return scheduler->Delete(kTaskName); })) ? TaskResult::kDone
                                                                            : TaskResult::kFailed;
}

// Every change rewrites the task's triggers in memory and saves once, so a
// trigger the scheduler refuses leaves the saved task as it was.
bool AddTrigger(const TASK_TRIGGER& trigger)
{
    ComPtr<ITask> task = ActivateTask();
    std::vector<TASK_TRIGGER> triggers;
    if (!task || !ReadTriggers(task.get(), triggers)) return false;
    triggers.push_back(trigger);
    return WriteTriggers(task.get(), triggers) && Save(task.get());
}

bool DeleteTrigger(int index, bool keepTask)
{
    ComPtr<ITask> task = ActivateTask();
    std::vector<TASK_TRIGGER> triggers;
    if (!task || !ReadTriggers(task.get(), triggers) || !ValidIndex(index, triggers)) return false;
    triggers.erase(triggers.begin() + index);
    if (triggers.empty() && !keepTask) {
        task.reset();
        return DeleteTask() == TaskResult::kDone;
    }
    return WriteTriggers(task.get(), triggers) && Save(task.get());
}

bool ListTriggers(PtrArray<ScangetTaskTrigger>& out)
{
    ComPtr<ITask> task = ActivateTask();
    std::vector<TASK_TRIGGER> triggers;
    if (!task || !ReadTriggers(task.get(), triggers)) return false;
    for (const TASK_TRIGGER& t : triggers) {
        auto record = std::make_unique<ScangetTaskTrigger>();
        record->trigger = t;
        out.Add(std::move(record));
    }
    return true;
}

bool ReplaceTrigger(int index, const TASK_TRIGGER& trigger)
{
    ComPtr<ITask> task = ActivateTask();
    std::vector<TASK_TRIGGER> triggers;
    if (!task || !ReadTriggers(task.get(), triggers) || !ValidIndex(index, triggers)) return false;
    triggers.erase(triggers.begin() + index);
    triggers.push_back(trigger);
    return WriteTriggers(task.get(), triggers) && Save(task.get());
}

}  // namespace schedule
