// Events the engine's finishing callbacks signal. The backup and restore
// threads' handles are not handed out, so the console waits for their
// callbacks instead.
#pragma once

#include <windows.h>

#include "corvex/EngineTables.h"

namespace cli {

enum class Finish { Backup, Restore, Fix };

// Clears the event before an operation is started.
void ResetFinish(Finish which);
// Waits for the callback; false on timeout or failure.
bool WaitFinish(Finish which, DWORD timeoutMs);
// Fills the three finishing slots of a callback table.
void SetFinishCallbacks(UiCallbackTable& table);

}  // namespace cli
