// The scan task when the prefix's Task Scheduler service is stopped: the
// engine starts the service and goes on, or says that it could not.
#include <gtest/gtest.h>

#include <windows.h>

#include <vector>

#include "core/ComPtr.h"
#include "corvex/EngineTables.h"
#include "schedule/ScanTask.h"
#include "schedule/SchedulerService.h"
#include "support/ReportRecorder.h"

namespace {

EngineFunctionTable& Table()
{
    static EngineFunctionTable* table = [] {
        EngineFunctionTable* t = nullptr;
        static UiCallbackTable callbacks{};
        toEngineInitGetUIInterface(&callbacks, &t);
        return t;
    }();
    return *table;
}

class Service {
public:
    Service()
    {
        manager_ = OpenSCManagerW(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        if (manager_) service_ = OpenServiceW(manager_, schedule::kScheduleService, SERVICE_ALL_ACCESS);
    }
    ~Service()
    {
        if (service_) CloseServiceHandle(service_);
        if (manager_) CloseServiceHandle(manager_);
    }
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;
    bool ok() const { return service_ != nullptr; }

    DWORD State() const
    {
        SERVICE_STATUS status{};
        return QueryServiceStatus(service_, &status) ? status.dwCurrentState : 0;
    }
    bool SetStartType(DWORD type) const
    {
        return ChangeServiceConfigW(service_, SERVICE_NO_CHANGE, type, SERVICE_NO_CHANGE, nullptr, nullptr,
                                    nullptr, nullptr, nullptr, nullptr, nullptr) != FALSE;
    }
    DWORD StartType() const
    {
        DWORD needed = 0;
        QueryServiceConfigW(service_, nullptr, 0, &needed);
        std::vector<BYTE> buffer(needed ? needed : 1);
        auto* config = reinterpret_cast<QUERY_SERVICE_CONFIGW*>(buffer.data());
        if (!QueryServiceConfigW(service_, config, needed, &needed)) return SERVICE_NO_CHANGE;
        return config->dwStartType;
    }

private:
    SC_HANDLE manager_ = nullptr;
    SC_HANDLE service_ = nullptr;
};

}  // namespace

// Wine's scheduler accepts no stop control, so the case needs the service as
// a new wineserver leaves it: stopped, started on demand (ctest runs it so).
TEST(SchedulerService, AStoppedServiceIsStartedWhenItMayBeAndNamedWhenNot)
{
    Service service;
    ASSERT_TRUE(service.ok()) << "no Schedule service in the prefix";
    ASSERT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOPPED))
        << "the scheduler service runs already: run this case with a new wineserver (wine-run.sh --fresh)";
    const DWORD startType = service.StartType();
    ASSERT_NE(startType, static_cast<DWORD>(SERVICE_NO_CHANGE));
    // The start type comes back however the case ends: a disabled service
    // would fail every later scheduler test of the prefix.
    struct Restore {
        const Service& service;
        DWORD type;
        ~Restore() { service.SetStartType(type); }
    } restore{service, startType};
    ReportRecorder reports;

    // A service that may not start: the slot fails and says why, once.
    ASSERT_TRUE(service.SetStartType(SERVICE_DISABLED));
    EXPECT_FALSE(schedule::StartSchedulerService(2000));
    EXPECT_EQ(Table().EnsureScheduleTask(), 0);
    auto shown = reports.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].text, schedule::kServiceNotStartedText);
    EXPECT_EQ(shown[0].caption, schedule::kServiceCaption);
    EXPECT_EQ(shown[0].flags, static_cast<unsigned>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_STOPPED));

    // Allowed again: the first scheduler call starts it and goes on.
    ASSERT_TRUE(service.SetStartType(startType));
    EXPECT_EQ(Table().EnsureScheduleTask(), 1);
    EXPECT_EQ(service.State(), static_cast<DWORD>(SERVICE_RUNNING));
    PtrArray<ScangetTaskTrigger> triggers;
    EXPECT_EQ(Table().GetScheduleTriggers(&triggers), 1);
    EXPECT_EQ(triggers.GetCount(), 0);
    EXPECT_TRUE(schedule::StartSchedulerService(0));  // running: true at once
    EXPECT_EQ(Table().DeleteScheduleTask(), 1);
    EXPECT_TRUE(reports.Take().empty());
}
