#include "shell/LastScanReport.h"

#include <string>

#include "report/FromEngine.h"
#include "report/LocalTime.h"
#include "report/ReportFile.h"
#include "report/pure/ScanCompare.h"
#include "report/pure/ScanReport.h"
#include "shell/LastScan.h"

namespace ui::lastscan {
namespace {

// Written beside the old one and moved over it, so a crash leaves either.
bool WriteAll(const wchar_t* path, const std::string& data)
{
    const std::wstring temp = std::wstring(path) + L".tmp";
    HANDLE file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(file, data.data(), static_cast<DWORD>(data.size()), &written, nullptr) &&
              written == data.size();
    ok = CloseHandle(file) && ok;
    if (ok) ok = MoveFileExW(temp.c_str(), path, MOVEFILE_REPLACE_EXISTING) != FALSE;
    if (!ok) DeleteFileW(temp.c_str());
    return ok;
}

}  // namespace

int KeepReport(const PtrArray<RegScanCategory>* results)
{
    report::ScanReport now;
    now.scannedAt = report::LocalTimeText();
    report::AddResults(results, now);
    int added = -1;
    std::string previous;
    report::Comparison comparison;
    std::wstring error;
    if (report::ReadCappedFile(kReportFile, previous) &&
        report::CompareWithReport(now, previous, comparison, error))
        added = static_cast<int>(comparison.added.size());
    WriteAll(kReportFile, report::FormatJson(now));
    Write(kNewCount, added < 0 ? std::wstring() : std::to_wstring(added));
    return added;
}

}  // namespace ui::lastscan
