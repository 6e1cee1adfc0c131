// The scan thread: settings, ignore list, then every enabled category in
// file order through the dispatch table.
#pragma once

#include <windows.h>

#include "core/RegEngine.h"

namespace scan {

inline constexpr wchar_t kEndOfEntryMarker[] = L"TCTC";

// The views one key entry of a category is scanned in, in order; returns
// their count (0 for a name that selects no scanner).
int ViewsFor(const CRegEngine& engine, const std::wstring& categoryName, HKEY entryRoot, int (&views)[2]);

// Scans one category: builds its result entry, raises its two OnScanCategory
// calls and appends the entry (also after a stop).
void ScanCategory(CRegEngine& engine, int categoryIndex);

// The whole scan on the calling thread; its last act is OnScanFinished.
void RunScan(CRegEngine& engine);

DWORD WINAPI ScanThreadProc(LPVOID engineState);

}  // namespace scan
