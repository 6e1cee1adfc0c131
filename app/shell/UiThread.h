// Runs work on the UI thread synchronously, for engine callbacks that
// arrive on worker threads.
#pragma once

#include <windows.h>

#include <functional>

namespace ui {

// Creates the message-only window on the calling (UI) thread.
bool StartUiThreadDispatch();
void StopUiThreadDispatch();
bool IsUiThread();

// Runs `work` on the UI thread and returns when it is done. On the UI thread
// itself it runs at once. Dropped (returns false) when no dispatch window
// exists, i.e. before start-up or after shut-down.
bool RunOnUiThread(const std::function<void()>& work);

}  // namespace ui
