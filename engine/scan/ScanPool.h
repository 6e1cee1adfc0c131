// Runs a scan's pieces on a small pool of threads. Each thread takes the
// next piece in scan order, walks it with its own registry handles, buffers
// and existence caches, and hands it back; whoever ends the last piece of
// the oldest open category merges it, appends it to the result list and
// raises its closing OnScanCategory. Every callback is raised under the
// scan lock, so the program gets them one at a time.
#pragma once

#include "scan/ScanWork.h"

namespace scan {

// Runs `plan` on at most `threads` threads, the calling one among them.
// Returns once every thread it started has ended and every category it
// began has been closed. A thread that cannot be started leaves its share to
// the others; a piece that fails stops the scan as a stop request would.
void RunPlan(CRegEngine& engine, ScanPlan& plan, int threads);

}  // namespace scan
