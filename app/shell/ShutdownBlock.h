// The reason Windows shows while the program holds up a log-off or shutdown
// (ShutdownBlockReasonCreate/Destroy). A seam: Wine has no shutdown screen
// and only stubs the calls, so tests capture them instead.
#pragma once

#include <windows.h>

#include <functional>
#include <string>

namespace ui {

// The text Windows shows beside the program while an engine worker runs.
inline constexpr wchar_t kShutdownBlockReason[] =
    L"Tamsel is still working on the registry (a scan, fix, backup or restore); it must end first.";

// `reason` set (non-null) or taken back (null) for `window`.
using ShutdownReasonCall = std::function<void(HWND window, const wchar_t* reason)>;
// Replaces the real calls (tests); empty puts them back.
void SetShutdownReasonCall(ShutdownReasonCall call);

void SetShutdownReason(HWND window, const wchar_t* reason);

}  // namespace ui
