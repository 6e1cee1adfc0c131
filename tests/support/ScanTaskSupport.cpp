#include "support/ScanTaskSupport.h"

namespace tasktest {

ComPtr<ITaskScheduler> Scheduler()
{
    ComPtr<ITaskScheduler> s;
    CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler, s.put_void());
    return s;
}

ComPtr<ITask> OpenTask()
{
    ComPtr<ITask> task;
    ComPtr<ITaskScheduler> s = Scheduler();
    if (s && FAILED(s->Activate(L"Registry Task", IID_ITask, reinterpret_cast<IUnknown**>(task.put())))) task.reset();
    return task;
}

void RemoveTask()
{
    ComPtr<ITaskScheduler> s = Scheduler();
    for (int attempt = 0; s && attempt < 40; ++attempt) {
        HRESULT hr = s->Delete(L"Registry Task");
        if (SUCCEEDED(hr) || hr == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)) return;
        Sleep(50);
    }
}

std::wstring TaskText(ITask* task, HRESULT (STDMETHODCALLTYPE ITask::*get)(LPWSTR*))
{
    LPWSTR text = nullptr;
    if (FAILED((task->*get)(&text)) || !text) return L"<none>";
    std::wstring out = text;
    CoTaskMemFree(text);
    return out;
}

TASK_TRIGGER Weekly(WORD days, WORD hour, WORD minute, WORD day)
{
    TASK_TRIGGER t{};
    t.cbTriggerSize = sizeof t;
    t.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
    t.Type.Weekly.WeeksInterval = 1;
    t.Type.Weekly.rgfDaysOfTheWeek = days;
    t.wStartHour = hour;
    t.wStartMinute = minute;
    t.wBeginYear = 2026;
    t.wBeginMonth = 12;
    t.wBeginDay = day;
    return t;
}

bool PlantTask(const std::wstring& application, const std::wstring& parameters)
{
    ComPtr<ITaskScheduler> s = Scheduler();
    ComPtr<ITask> task;
    if (!s || FAILED(s->NewWorkItem(L"Registry Task", CLSID_CTask, IID_ITask,
                                    reinterpret_cast<IUnknown**>(task.put()))))
        return false;
    WORD index = 0;
    ComPtr<ITaskTrigger> trigger;
    TASK_TRIGGER t = Weekly(TASK_MONDAY, 4, 0, 5);
    if (FAILED(task->SetApplicationName(application.c_str())) || FAILED(task->SetParameters(parameters.c_str())) ||
        FAILED(task->CreateTrigger(&index, trigger.put())) || !trigger || FAILED(trigger->SetTrigger(&t)))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(task->QueryInterface(IID_IPersistFile, file.put_void())) || !file) return false;
    return SUCCEEDED(file->Save(nullptr, TRUE));
}

}  // namespace tasktest
