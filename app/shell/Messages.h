// Private window messages of Tamsel.exe.
#pragma once

#include <windows.h>

namespace ui {

// lParam: std::function<void()>* to run on the UI thread (UiThread window).
constexpr UINT kMsgRunOnUi = WM_APP + 1;
// Clean page: the partial backup failed; ask whether to fix without it.
constexpr UINT kMsgAskFixWithoutBackup = WM_APP + 2;
// Notification-area icon callback of the main window (fixed number).
constexpr UINT kMsgTrayNotify = 4002;

}  // namespace ui
