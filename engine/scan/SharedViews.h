// Keys that are one key in both registry views. On 64-bit Windows most of
// HKEY_CURRENT_USER\Software and parts of the class root (TypeLib, AppID)
// are shared: reading them in the 32-bit view gives the very key the 64-bit
// pass has read, and its problems would be listed and fixed twice (the
// second delete of a value then fails and counts as not fixed).
#pragma once

#include <windows.h>

#include <string>

#include "core/RegEngine.h"

namespace scan {

// root\path opened in the 64-bit and in the 32-bit view is the same key (the
// system's full names of the two opened keys are equal). False when either
// cannot be opened or named.
bool IsSameKeyInBothViews(HKEY root, const std::wstring& path);

// Drops the problems of result.problems from index `first32` on (the 32-bit
// pass over one key entry) that repeat a problem from `first64` up to
// `first32` (the 64-bit pass) in a key shared by both views, and takes them
// out of the counters RecordProblem moved.
void DropSharedViewRepeats(CRegEngine& engine, RegScanCategory& result, XMLElement& category, int first64,
                           int first32);

}  // namespace scan
