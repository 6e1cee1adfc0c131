// The last scan's problems, kept as .\LastScan.json beside LastScan.ini in
// the form of the console tool's "scan --json" report (so "TamselCli scan
// --compare LastScan.json" reads it too), and how many problems a scan found
// that the previous one had not.
#pragma once

#include "corvex/Records.h"

namespace ui::lastscan {

inline constexpr wchar_t kReportFile[] = L".\\LastScan.json";
// LastScan.ini's count of problems new since the previous scan; empty when
// there was no previous report.
inline constexpr wchar_t kNewCount[] = L"NewSincePrevious";

// Compares the results with the kept report, keeps them as the new report
// and records the count of new problems in LastScan.ini. Returns the count,
// or -1 when there was no readable previous report.
int KeepReport(const PtrArray<RegScanCategory>* results);

}  // namespace ui::lastscan
