#include "tools/ProgramStarter.h"

#include <shellapi.h>

#include <atomic>

#include "core/Handles.h"

namespace starter {
namespace {

// The shell wants an apartment; undone only when this call set it up.
class ScopedApartment {
public:
    ScopedApartment() : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ScopedApartment(const ScopedApartment&) = delete;
    ScopedApartment& operator=(const ScopedApartment&) = delete;
    ~ScopedApartment()
    {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }

private:
    HRESULT hr_;
};

const wchar_t* OrNull(const std::wstring& s)
{
    return s.empty() ? nullptr : s.c_str();
}

class ShellStarter : public Starter {
public:
    Outcome Start(const Request& r) override
    {
        ScopedApartment apartment;
        Outcome out;
        if (r.via == Via::kShellExecute) {
            HINSTANCE h = ShellExecuteW(nullptr, OrNull(r.verb), r.file.c_str(), OrNull(r.parameters), nullptr,
                                        r.show);
            out.ok = reinterpret_cast<INT_PTR>(h) > 32;
            if (!out.ok) out.error = GetLastError();
            return out;
        }
        SHELLEXECUTEINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = r.mask;
        info.lpVerb = OrNull(r.verb);
        info.lpFile = r.file.c_str();
        info.lpParameters = r.parameters.c_str();
        info.nShow = r.show;
        out.ok = ShellExecuteExW(&info) != FALSE;
        if (!out.ok) out.error = GetLastError();
        UniqueHandle process(info.hProcess);  // the engine does not wait for what it starts
        return out;
    }

    bool Terminate(DWORD processId) override
    {
        UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, processId));
        if (!process) return false;
        if (!TerminateProcess(process.get(), 0)) return false;
        // Ending is asynchronous; the caller starts a new instance next.
        WaitForSingleObject(process.get(), 5000);
        return true;
    }
};

ShellStarter g_shell;
std::atomic<Starter*> g_starter{nullptr};

Starter& Current()
{
    Starter* s = g_starter.load();
    return s ? *s : g_shell;
}

}  // namespace

Starter* SetStarter(Starter* starter)
{
    return g_starter.exchange(starter);
}

Outcome Start(const Request& request)
{
    return Current().Start(request);
}

bool Terminate(DWORD processId)
{
    return Current().Terminate(processId);
}

}  // namespace starter
