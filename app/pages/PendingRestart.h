// While compacted hives wait for the restart that swaps them in, anything
// written to the registry would be thrown away then: the pages that change
// it ask here first.
#pragma once

#include <windows.h>

namespace ui {

inline constexpr wchar_t kRestartFirstText[] =
    L"The compacted registry replaces the current one at the next restart; restart first";

// The main menu's note while a swap waits.
inline constexpr wchar_t kRestartPendingText[] =
    L"A restart is pending: the compacted registry replaces the current one then.";

// True while the engine says a swap is pending (or cannot tell).
bool RestartPending();

// True, after telling the user in the standard box, while a swap is pending.
bool RefuseWhileRestartPending(HWND owner);

}  // namespace ui
