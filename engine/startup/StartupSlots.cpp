// Startup manager slots. The items handed out belong to the caller: each load
// lets go of the previous ones without deleting them.
#include "core/ComPtr.h"
#include "core/EngineState.h"
#include "core/Slots.h"
#include "defrag/PendingSwap.h"
#include "startup/DisabledStore.h"
#include "startup/RunKeys.h"
#include "startup/StartupApproved.h"

namespace slots {
namespace {

// Enables a program Tamsel disabled: its value goes back unless the program
// has written a different one since, which is never replaced unasked.
int EnableRecorded(const CRegEngine& e, StartupItem& item, bool replaceNewer, std::wstring* current)
{
    std::wstring text;
    DWORD type = REG_NONE;
    const startup::ReadResult now = startup::ReadRunValue(e, item, text, type);
    if (now == startup::ReadResult::kFailed) return 0;
    const bool same = now == startup::ReadResult::kPresent && text == item.commandLine &&
                      (type == REG_EXPAND_SZ) == (item.valueType == REG_EXPAND_SZ);
    if (now == startup::ReadResult::kPresent && !same && !replaceNewer) {
        if (current) *current = text;
        return 2;
    }
    // Windows' own switch first: a value written under a switch that stays
    // off would be listed as enabled and never start.
    if (!startup::SwitchOnApproved(e, item)) return 0;
    if (!same && !startup::WriteRunValue(e, item)) return 0;
    item.enabled = 1;
    item.windowsDisabled = 0;
    ScopedCoInit com;
    return startup::RemoveDisabledRecord(item) ? 1 : 3;
}

}  // namespace

PtrArray<StartupItem>* CORVEX_CALL LoadStartupItems()
{
    return Guard<PtrArray<StartupItem>*>(nullptr, [] {
        CRegEngine& e = engine::Ensure();
        e.startupItems.DetachAll();
        ScopedCoInit com;
        startup::AppendRunKeyItems(e, e.startupItems);
        startup::AppendDisabledItems(e.startupItems);
        return &e.startupItems;
    });
}

int CORVEX_CALL AddDisabledStartupItem(StartupItem* item)
{
    return Guard(0, [item] {
        if (!engine::Current() || !item || defrag::RefuseWhileSwapPending()) return 0;
        ScopedCoInit com;
        return startup::AddDisabledRecord(*item) ? 1 : 0;
    });
}

int CORVEX_CALL RemoveDisabledStartupItem(StartupItem* item)
{
    return Guard(0, [item] {
        if (!engine::Current() || !item) return 0;
        ScopedCoInit com;
        return startup::RemoveDisabledRecord(*item) ? 1 : 0;
    });
}

int CORVEX_CALL DeleteStartupEntry(StartupItem* item)
{
    return Guard(0, [item] {
        CRegEngine* e = engine::Current();
        if (!e || !item || defrag::RefuseWhileSwapPending()) return 0;
        return startup::DeleteRunValue(*e, *item) == startup::DeleteResult::kFailed ? 0 : 1;
    });
}

int CORVEX_CALL WriteStartupEntry(StartupItem* item)
{
    return Guard(0, [item] {
        CRegEngine* e = engine::Current();
        if (!e || !item || defrag::RefuseWhileSwapPending()) return 0;
        return startup::WriteRunValue(*e, *item) ? 1 : 0;
    });
}

int CORVEX_CALL EnableStartupItem(StartupItem* item, int replaceNewer, std::wstring* current)
{
    return Guard(0, [=] {
        CRegEngine* e = engine::Current();
        if (!e || !item || defrag::RefuseWhileSwapPending()) return 0;
        if (item->enabled) return 1;
        if (!item->windowsDisabled) return EnableRecorded(*e, *item, replaceNewer != 0, current);
        if (!startup::SwitchOnApproved(*e, *item)) return 0;
        item->enabled = 1;
        item->windowsDisabled = 0;
        return 1;
    });
}

}  // namespace slots
