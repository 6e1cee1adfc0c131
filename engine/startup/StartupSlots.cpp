// Startup manager slots. Not built yet: an empty engine-owned list, no changes.
#include "core/EngineState.h"
#include "core/Slots.h"

namespace slots {

PtrArray<StartupItem>* CORVEX_CALL LoadStartupItems()
{
    return Guard<PtrArray<StartupItem>*>(nullptr, [] { return &engine::Ensure().startupItems; });
}
int CORVEX_CALL AddDisabledStartupItem(StartupItem*) { return 0; }
void CORVEX_CALL RemoveDisabledStartupItem(std::wstring) {}
int CORVEX_CALL DeleteStartupEntry(StartupItem*) { return 0; }
int CORVEX_CALL WriteStartupEntry(StartupItem*) { return 0; }

}  // namespace slots
