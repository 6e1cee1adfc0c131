#include "OperationEvents.h"

namespace cli {
namespace {

// Manual-reset events, made once and kept for the process's life.
HANDLE Event(Finish which)
{
    static HANDLE events[3] = {CreateEventW(nullptr, TRUE, FALSE, nullptr), CreateEventW(nullptr, TRUE, FALSE, nullptr),
                               CreateEventW(nullptr, TRUE, FALSE, nullptr)};
    return events[static_cast<int>(which)];
}

void CORVEX_CALL OnBackupFinished(int) { SetEvent(Event(Finish::Backup)); }
void CORVEX_CALL OnRestoreFinished(const std::wstring*) { SetEvent(Event(Finish::Restore)); }
void CORVEX_CALL OnFixFinished(int) { SetEvent(Event(Finish::Fix)); }

}  // namespace

void ResetFinish(Finish which) { ResetEvent(Event(which)); }

bool WaitFinish(Finish which, DWORD timeoutMs)
{
    HANDLE e = Event(which);
    return e && WaitForSingleObject(e, timeoutMs) == WAIT_OBJECT_0;
}

void SetFinishCallbacks(UiCallbackTable& table)
{
    table.OnBackupFinished = &OnBackupFinished;
    table.OnRestoreFinished = &OnRestoreFinished;
    table.OnFixFinished = &OnFixFinished;
}

}  // namespace cli
