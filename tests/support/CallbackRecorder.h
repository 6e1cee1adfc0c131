// A UiCallbackTable whose entries append one line per call to a shared log.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "corvex/EngineTables.h"

namespace callbacks {

// The log lines: "ScanStarted", "ScanCategory 2", "ScanItem TCTC 0",
// "ScanFinished 1", and so on. ScanItem lines other than "TCTC" are counted
// but not logged unless logItems is set.
struct Log {
    std::vector<std::wstring> lines;
    int items = 0;
};

UiCallbackTable* Table();          // the recording table
UiCallbackTable* SilentTable();    // a second table that only counts its calls
int SilentCalls();
void Reset(bool logItems = false);
Log Take();

}  // namespace callbacks
