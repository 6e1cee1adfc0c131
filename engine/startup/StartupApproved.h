// Windows' own start-up switch: the StartupApproved values Task Manager
// writes beside the Run keys (the byte rule is in pure/StartupRules).
#pragma once

#include "core/RegEngine.h"

namespace startup {

// Fills the item's approvedKey, and for a Run key item that Windows has
// switched off sets windowsDisabled and clears enabled. A value that cannot
// be read or is not understood leaves the item enabled.
void ApplyApprovedState(const CRegEngine& engine, StartupItem& item);

// Turns Windows' switch for the item back on when it says disabled. True
// when afterwards nothing of Windows' keeps the item from starting (also
// when there is no switch or no value); false when it says disabled and
// could not be changed.
bool SwitchOnApproved(const CRegEngine& engine, const StartupItem& item);

}  // namespace startup
