// Measures what each problem's fix would remove and applies the guard: a
// refused problem is unchecked and carries its reason.
#pragma once

#include "core/RegEngine.h"
#include "pure/FixGuard.h"

namespace scan {

// What the fix of `problem` would remove now, where and in the view it acts.
FixExtent MeasureFix(const RegEntryProb& problem, bool shortcut);

// The tree limits from Registry.ini ([FixGuard] MaxTreeKeys, MaxTreeValues
// beside the program), the defaults where they are missing or not positive.
pure::GuardLimits LoadGuardLimits();

// Measures a newly recorded problem of `result` and applies the guard with
// the engine's limits: a refused problem is unchecked and carries its reason.
void MeasureAndGuard(CRegEngine& engine, const RegScanCategory& result, RegEntryProb& problem);

// Just before a backup or a fix: every problem that is to be fixed is
// measured again, and one whose target no longer is what the scan measured
// is refused as changed since the scan.
void RecheckBeforeFix(const PtrArray<RegScanCategory>& results);

}  // namespace scan
