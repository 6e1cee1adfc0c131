// The Task Scheduler service. Some systems (Wine among them) start it only
// on request, and the scheduler's COM object then refuses to work.
#pragma once

#include <windows.h>

namespace schedule {

inline constexpr wchar_t kScheduleService[] = L"Schedule";

// Starts the service through the service control manager unless it runs
// already, and waits for it to report running for at most `waitMs`. True
// when it runs.
bool StartSchedulerService(DWORD waitMs);

}  // namespace schedule
