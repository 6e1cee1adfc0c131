// How a backup, fix or restore started from the console ends when the user
// presses Ctrl+C or Ctrl+Break, closes the console window, logs off or shuts
// down: the fix stops at its next safe point (between two problems), a
// backup or restore is finished first, and the process never ends, nor
// releases the engine, while the engine's worker runs.
#pragma once

#include <atomic>

#include "corvex/EngineTables.h"

namespace cli {

// The class name of the hidden window that answers the session's end while
// an operation runs (tests find it by this name).
inline constexpr wchar_t kSessionWindowClass[] = L"TamselCliSession";

class InterruptGuard {
public:
    // `what` names the operation in the lines shown ("backup", "fix",
    // "restore"); `canStop`: the engine stops it between items when asked.
    InterruptGuard(EngineFunctionTable& engine, const wchar_t* what, bool canStop);
    // Call only once the operation's worker has made its final callback: a
    // handler holding the process for it then lets it end.
    ~InterruptGuard();
    InterruptGuard(const InterruptGuard&) = delete;
    InterruptGuard& operator=(const InterruptGuard&) = delete;

    // True once the user or the system asked the process to stop.
    bool Interrupted() const;
};

}  // namespace cli
