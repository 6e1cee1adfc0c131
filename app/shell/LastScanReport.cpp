#include "shell/LastScanReport.h"

#include <string>

#include "cli/pure/ScanCompare.h"
#include "cli/pure/ScanReport.h"
#include "shell/LastScan.h"

namespace ui::lastscan {
namespace {

cli::ScanReport ReportOf(const PtrArray<RegScanCategory>* results)
{
    cli::ScanReport r;
    SYSTEMTIME t{};
    GetLocalTime(&t);
    wchar_t when[32];
    swprintf(when, 32, L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    r.scannedAt = when;
    if (!results) return r;
    for (const RegScanCategory* category : *results) {
        cli::ResultInfo info{category->name, category->problemCount, category->ignoredCount, 0, 0, 0, {}};
        for (const RegEntryProb* p : category->problems) {
            cli::ProblemInfo i;
            i.rootName = p->rootName;
            i.keyPath = p->keyPath;
            i.valueName = p->valueName;
            i.data = p->data;
            i.message = p->message;
            i.is64View = p->is64View;
            i.selected = p->selected;
            i.ignored = p->ignored;
            i.grade = p->grade;
            i.fixAction = p->fixAction;
            i.scannedKeyPath = p->scannedKeyPath;
            i.viewFlag = p->viewFlag;
            i.isDefaultValue = p->isDefaultValue;
            i.realRootName = p->realRootName;
            i.realKeyPath = p->realKeyPath;
            i.extent = p->extent;
            i.refusal = p->refusal;
            info.problems.push_back(std::move(i));
        }
        r.results.push_back(std::move(info));
    }
    return r;
}

bool ReadAll(const wchar_t* path, std::string& data)
{
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= (256ll << 20);
    if (ok) {
        data.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = data.empty() ||
             (ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, nullptr) && read == data.size());
    }
    CloseHandle(file);
    return ok;
}

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
    const cli::ScanReport now = ReportOf(results);
    int added = -1;
    std::string previous;
    cli::Comparison comparison;
    std::wstring error;
    if (ReadAll(kReportFile, previous) && cli::CompareWithReport(now, previous, comparison, error))
        added = static_cast<int>(comparison.added.size());
    WriteAll(kReportFile, cli::FormatJson(now));
    Write(kNewCount, added < 0 ? std::wstring() : std::to_wstring(added));
    return added;
}

}  // namespace ui::lastscan
