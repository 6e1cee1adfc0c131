// A finished scan as the console tool and the program keep it: a copy of the
// engine's category list, result list and counters in plain records, and its
// two renderings (the text list and the JSON document). No windows.h: the
// engine records are copied into these by report/FromEngine.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "corvex/FixExtent.h"
#include "corvex/NotChecked.h"

namespace report {

// The fields of one engine problem record (RegEntryProb), without the root
// handle, which only means something inside the process.
struct ProblemInfo {
    std::wstring rootName;
    std::wstring keyPath;  // display form
    std::wstring valueName;
    std::wstring data;
    std::wstring message;
    int is64View = 0;
    int selected = 1;
    int fixOk = 1;
    int ignored = 0;
    int grade = 0;
    int fixAction = 0;
    std::wstring scannedKeyPath;
    int viewFlag = 0x0200;
    int isDefaultValue = 0;
    std::wstring realRootName;  // the real key of a class-root find, when known
    std::wstring realKeyPath;
    FixExtent extent;      // what the fix would remove
    std::wstring refusal;  // why the fix refuses; empty when it may fix
};

// A path or key the scan could not judge (NotCheckedPath).
struct NotCheckedInfo {
    std::wstring path;
    int reason = 0;      // NotCheckedPath::Reason
    uint32_t error = 0;  // the system's error code, 0 when the kind of drive decided
};

struct ResultInfo {  // one result entry (RegScanCategory)
    std::wstring name;
    int problemCount = 0;
    int ignoredCount = 0;
    int fixedCount = 0;
    int notFixedCount = 0;
    int fixState = 0;
    std::vector<ProblemInfo> problems;
    int examinedCount = 0;
    std::vector<NotCheckedInfo> notChecked;
};

struct KeyEntryInfo {
    std::wstring rootName;
    std::wstring subKey;
};

struct CategoryInfo {  // one category of the settings (XMLElement)
    std::wstring elementName;
    std::wstring name;
    int enabled = 1;
    int scanState = 0;
    int foundCount = 0;
    std::vector<KeyEntryInfo> keyEntries;
};

struct ScanReport {
    std::vector<CategoryInfo> categories;
    std::vector<ResultInfo> results;
    int problemCount = 0;  // GetProblemCount
    int checkedCount = 0;  // GetCheckedCount
    int64_t itemsExamined = 0;
    int64_t durationMs = 0;
    int scanThreads = 0;  // GetScanThreads; 0 when unknown
    bool stopped = false;
    uint64_t peakWorkingSetBytes = 0;  // 0 when unknown
    std::wstring scannedAt;  // local time the scan started, "2026-12-09 18:30:00"; empty when unknown
};

// "Common", "Fair", "Important"; "grade N" for anything else.
std::wstring GradeName(int grade);
// "delete value", "delete key", "delete parent tree"; "action N" otherwise.
std::wstring FixActionName(int fixAction);
// root\path\value, the way the problem is shown.
std::wstring DisplayKey(const ProblemInfo& p);

// Problems that are shown: those not marked ignored.
int VisibleProblemCount(const ResultInfo& r);
int VisibleProblemCount(const ScanReport& r);

// The paths and keys of all categories the scan could not judge.
int NotCheckedCount(const ScanReport& r);

// "value", "key", "tree", "shortcut file" or "unknown".
std::wstring ExtentKindName(int kind);

// What the fixes of the checked, not refused problems remove together, as
// one line: "3 values, 2 keys, 1 key tree (12 keys, 40 values), 1 shortcut file".
std::wstring FixTotals(const ScanReport& r);

// The text list: one block per scanned category, then a summary line and
// the "not checked: N" line.
std::wstring FormatText(const ScanReport& r);

// One JSON document in UTF-8 with every field of the report.
std::string FormatJson(const ScanReport& r);
// The same members, written into an object the caller has opened.
class JsonWriter;
void WriteJsonMembers(JsonWriter& w, const ScanReport& r);

}  // namespace report
