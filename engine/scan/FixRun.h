// The fix run: removes what the selected problems of the last scan point at
// (a value, a key, a key tree, or a shortcut file moved to the Recycle Bin)
// and counts what was fixed.
#pragma once

#include <windows.h>

#include "core/RegEngine.h"

namespace scan {

enum class FixOutcome { Fixed, NotFixed, Skipped };

// Acts on one problem of a registry category. Keys are opened with the path
// and view the scanner examined, never with the display path.
FixOutcome FixRegistryProblem(const RegEntryProb& problem);
// A folder on a fixed drive whose Recycle Bin answers: a deleted file there
// can be recovered.
bool CanRecycle(const std::wstring& path);

// Moves a shortcut file to the Recycle Bin.
FixOutcome FixShortcutProblem(const RegEntryProb& problem);

// Deletes root\path in `view` with its whole subtree: true when it is gone
// afterwards (also when it was not there).
bool DeleteKeyTree(HKEY root, const std::wstring& path, REGSAM view);

// The whole fix run on the calling thread; its last act is OnFixFinished.
void RunFix(CRegEngine& engine);

DWORD WINAPI FixThreadProc(LPVOID engineState);

}  // namespace scan
