// The engine's records copied into the report model. The engine's lists are
// read in place and stay the engine's; the report owns its copies.
#pragma once

#include "corvex/Records.h"
#include "report/pure/ScanReport.h"

namespace report {

// Every field of the problem record except the process-local root handle.
ProblemInfo ProblemFrom(const RegEntryProb& p);
// The entry's counts, all its problems (ignored ones included) and what it
// could not check.
ResultInfo ResultFrom(const RegScanCategory& r);
CategoryInfo CategoryFrom(const XMLElement& c);

// The lists as the engine holds them; a null list adds nothing.
void AddResults(const PtrArray<RegScanCategory>* results, ScanReport& report);
void AddCategories(const PtrArray<XMLElement>* categories, ScanReport& report);

}  // namespace report
