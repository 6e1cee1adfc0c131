// Recently-used lists, sound events and the registry's run lists. These read
// text and binary values; binary data is read as text.
#include "core/ReportBox.h"
#include "scan/ProblemRecord.h"
#include "scan/RuleHelpers.h"
#include "scan/Scanner.h"

namespace scan {
namespace {

constexpr unsigned kTextAndBinary = TypeBit(REG_SZ) | TypeBit(REG_BINARY);
constexpr wchar_t kHistoryEnumCaption[] = L"CRegistryKey::ScanHistoryListsEntries-RegEnumValue()";

// Every entry of a list is offered for removal; nothing is tested.
class HistoryRules : public WalkRules {
public:
    HistoryRules()
    {
        scopeCategory = L"History Lists";
        valueTypes = kTextAndBinary;
        subKeyNameCapacity = kLongSubKeyNameCapacity;
    }

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        RecordValueProblem(t, key, v, kOpenWithList, kCommon, kDeleteValue);
    }

    void OnValueError(const ScanTarget&, const WalkKey&, DWORD, LONG error) override
    {
        report::ShowError(static_cast<DWORD>(error), kHistoryEnumCaption);
    }
};

// A value whose data names a missing file, with the category's grade.
class FileValueRules : public WalkRules {
public:
    FileValueRules(const wchar_t* category, int grade) : grade_(grade)
    {
        scopeCategory = category;
        valueTypes = kTextAndBinary;
    }

    void OnValue(const ScanTarget& t, const WalkKey& key, const WalkValue& v) override
    {
        if (DataNamesMissingFile(t, v)) RecordValueProblem(t, key, v, kFileMissing, grade_, kDeleteValue);
    }

private:
    int grade_;
};

}  // namespace

void ScanHistoryLists(const ScanTarget& t)
{
    HistoryRules rules;
    WalkKeys(t, rules);
}

void ScanSoundEvents(const ScanTarget& t)
{
    FileValueRules rules(L"Sound&App Events", kFair);
    WalkKeys(t, rules);
}

void ScanStartupItems(const ScanTarget& t)
{
    FileValueRules rules(L"Windows Startup Items", kImportant);  // the scope enters no subkey
    WalkKeys(t, rules);
}

}  // namespace scan
