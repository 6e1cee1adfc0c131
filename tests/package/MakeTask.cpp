// make_task.exe NAME APPLICATION PARAMETERS: saves a scheduled task NAME
// that runs APPLICATION with PARAMETERS weekly on Mondays, replacing one of
// that name; exits 0 when saved. The package checks make "Registry Task"
// of another program with it, which Tamsel's uninstaller must leave alone.
#include <windows.h>
#include <mstask.h>

#include <cstdio>
#include <cwchar>

namespace {

template <class T>
struct Com {
    T* p = nullptr;
    ~Com()
    {
        if (p) p->Release();
    }
};

int Fail(const wchar_t* step, HRESULT hr)
{
    std::fwprintf(stderr, L"make_task: %ls failed (0x%08lx)\n", step, static_cast<unsigned long>(hr));
    return 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 4) {
        std::fwprintf(stderr, L"usage: make_task NAME APPLICATION PARAMETERS\n");
        return 2;
    }
    if (FAILED(CoInitialize(nullptr))) return Fail(L"CoInitialize", E_FAIL);
    int code = 1;
    {
        Com<ITaskScheduler> scheduler;
        Com<ITask> task;
        Com<ITaskTrigger> trigger;
        Com<IPersistFile> file;
        HRESULT hr = CoCreateInstance(CLSID_CTaskScheduler, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskScheduler,
                                      reinterpret_cast<void**>(&scheduler.p));
        if (FAILED(hr)) return Fail(L"CoCreateInstance", hr);
        scheduler.p->Delete(argv[1]);
        hr = scheduler.p->NewWorkItem(argv[1], CLSID_CTask, IID_ITask, reinterpret_cast<IUnknown**>(&task.p));
        if (FAILED(hr)) return Fail(L"NewWorkItem", hr);
        if (FAILED(hr = task.p->SetApplicationName(argv[2]))) return Fail(L"SetApplicationName", hr);
        if (FAILED(hr = task.p->SetParameters(argv[3]))) return Fail(L"SetParameters", hr);
        WORD index = 0;
        if (FAILED(hr = task.p->CreateTrigger(&index, &trigger.p))) return Fail(L"CreateTrigger", hr);
        TASK_TRIGGER t{};
        t.cbTriggerSize = sizeof t;
        t.wBeginYear = 2026;
        t.wBeginMonth = 1;
        t.wBeginDay = 5;
        t.wStartHour = 4;
        t.TriggerType = TASK_TIME_TRIGGER_WEEKLY;
        t.Type.Weekly.WeeksInterval = 1;
        t.Type.Weekly.rgfDaysOfTheWeek = TASK_MONDAY;
        if (FAILED(hr = trigger.p->SetTrigger(&t))) return Fail(L"SetTrigger", hr);
        if (FAILED(hr = task.p->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file.p))))
            return Fail(L"QueryInterface", hr);
        if (FAILED(hr = file.p->Save(nullptr, TRUE))) return Fail(L"Save", hr);
        code = 0;
    }
    CoUninitialize();
    return code;
}
