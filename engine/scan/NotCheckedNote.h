// The scan's list of what its checks could not judge, kept per category
// result beside the problems (see corvex/NotChecked.h).
#pragma once

#include "corvex/Records.h"

namespace scan {

// Adds `why` to the result's list unless the same path was listed with the
// same reason and error already. Called by the thread scanning the category,
// which owns its result entry until the entry joins the result list.
void NoteNotChecked(RegScanCategory& result, const NotCheckedPath& why);

}  // namespace scan
