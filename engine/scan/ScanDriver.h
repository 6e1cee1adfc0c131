// The scan thread: settings, ignore list, then every enabled category
// through the dispatch table, shared out among the scan's threads and put
// together in file order.
#pragma once

#include <windows.h>

#include <vector>

#include "core/RegEngine.h"
#include "scan/ScanWork.h"

namespace scan {

inline constexpr wchar_t kEndOfEntryMarker[] = L"TCTC";

// The views one key entry of a category is scanned in, in order; returns
// their count (0 for a name that selects no scanner).
int ViewsFor(const CRegEngine& engine, const std::wstring& categoryName, HKEY entryRoot, int (&views)[2]);

// The pieces of the given categories (indices into the engine's category
// list, in scan order), the walks with many subkeys cut into ranges when
// `splitLargeWalks` is set. Planning stops at a stop request.
ScanPlan PlanScan(const CRegEngine& engine, const std::vector<int>& categoryIndices, bool splitLargeWalks);

// Scans one category on the calling thread: builds its result entry, raises
// its two OnScanCategory calls and appends the entry (also after a stop).
void ScanCategory(CRegEngine& engine, int categoryIndex);

// The whole scan, from the calling thread on as many threads as
// ThreadsForScan gives; its last act is OnScanFinished, after every other
// thread of the scan has ended.
void RunScan(CRegEngine& engine);

DWORD WINAPI ScanThreadProc(LPVOID engineState);

}  // namespace scan
