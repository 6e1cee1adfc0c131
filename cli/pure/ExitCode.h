// The exit code of a scan command.
#pragma once

#include "report/pure/ScanReport.h"

namespace cli {

// 0 none found, 1 found, 2 when the scan was stopped before its end.
int ExitCodeFor(const report::ScanReport& r);

}  // namespace cli
