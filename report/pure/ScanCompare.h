// What changed between an earlier scan's JSON report and this scan: the
// problems that are new, gone or still there. A problem is the same when it
// is at the same place (its real location where known), in the same view,
// on the same value and with the same message. No windows.h.
#pragma once

#include <string>
#include <vector>

#include "report/pure/ScanReport.h"

namespace report {

class JsonWriter;

struct ComparedProblem {
    std::wstring category;
    std::wstring key;  // as the reports show it
    std::wstring message;
};

struct Comparison {
    std::wstring oldScannedAt;  // empty when the earlier report does not say
    std::vector<ComparedProblem> added, gone, unchanged;
};

// The identity two scans' problems are matched by (case folded where the
// registry folds case).
std::wstring ProblemIdentity(const ProblemInfo& p);

// Compares `now` with the report in `oldJson`. False, with a one-line
// reason, when the text is not a report of `scan --json`.
bool CompareWithReport(const ScanReport& now, const std::string& oldJson, Comparison& out, std::wstring& error);

// "3 new, 5 gone since 2026-12-09 18:30:00" ("since the earlier scan" when
// its report has no time).
std::wstring ComparisonLine(const Comparison& c);

// "comparedWith", "new", "gone" and "unchanged" members into an open object.
void WriteComparison(JsonWriter& w, const Comparison& c, const std::wstring& oldFile);

}  // namespace report
