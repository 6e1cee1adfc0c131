// Startup manager slots. The items handed out belong to the caller: each load
// lets go of the previous ones without deleting them.
#include "core/ComPtr.h"
#include "core/EngineState.h"
#include "core/Slots.h"
#include "startup/DisabledStore.h"
#include "startup/RunKeys.h"

namespace slots {

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
        if (!engine::Current() || !item) return 0;
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
        if (!e || !item) return 0;
        return startup::DeleteRunValue(*e, *item) == startup::DeleteResult::kFailed ? 0 : 1;
    });
}

int CORVEX_CALL WriteStartupEntry(StartupItem* item)
{
    return Guard(0, [item] {
        CRegEngine* e = engine::Current();
        if (!e || !item) return 0;
        return startup::WriteRunValue(*e, *item) ? 1 : 0;
    });
}

}  // namespace slots
