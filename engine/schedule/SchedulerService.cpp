#include "schedule/SchedulerService.h"

#include "core/Handles.h"

namespace schedule {
namespace {

struct ServiceHandleTraits {
    using Handle = SC_HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CloseServiceHandle(h); }
};
using UniqueServiceHandle = UniqueHandleT<ServiceHandleTraits>;

bool QueryState(SC_HANDLE service, DWORD& state)
{
    SERVICE_STATUS status{};
    if (!QueryServiceStatus(service, &status)) return false;
    state = status.dwCurrentState;
    return true;
}

}  // namespace

bool StartSchedulerService(DWORD waitMs)
{
    UniqueServiceHandle manager(OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT));
    if (!manager) return false;
    UniqueServiceHandle service(
        OpenServiceW(manager.get(), kScheduleService, SERVICE_START | SERVICE_QUERY_STATUS));
    if (!service) return false;
    DWORD state = 0;
    if (!QueryState(service.get(), state)) return false;
    if (state == SERVICE_RUNNING) return true;
    if (state != SERVICE_START_PENDING && !StartServiceW(service.get(), 0, nullptr) &&
        GetLastError() != ERROR_SERVICE_ALREADY_RUNNING)
        return false;
    const ULONGLONG deadline = GetTickCount64() + waitMs;
    for (;;) {
        if (!QueryState(service.get(), state)) return false;
        if (state == SERVICE_RUNNING) return true;
        if (state == SERVICE_STOPPED || GetTickCount64() >= deadline) return false;
        Sleep(50);
    }
}

}  // namespace schedule
