// A system restore point around a fix, through SRSetRestorePointW of
// srclient.dll, looked up at run time: some systems have none, and Wine's
// forwards to a stub that fails.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>

namespace ui {

// One SRSetRestorePointW call: event type, restore point type and the
// sequence number (in for the end, out for the begin); true on success.
using RestorePointCall = std::function<bool(DWORD eventType, DWORD pointType, INT64* sequence)>;
// Replaces the real call (tests); empty puts it back.
void SetRestorePointCall(RestorePointCall call);

// Begins the restore point of a fix; its sequence number, or empty when
// none could be begun.
std::optional<INT64> BeginRestorePoint();
// Ends it: kept when the fix changed something, cancelled otherwise.
void EndRestorePoint(INT64 sequence, bool keep);

}  // namespace ui
