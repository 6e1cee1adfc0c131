// TamselCli scan: one scan through the engine table, then the problems as
// text or JSON.
#include <windows.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <memory>

#include "Commands.h"
#include "Console.h"
#include "EngineBinding.h"
#include "ScanProgress.h"
#include "WorkFolder.h"
#include "cli/pure/CategoryFilter.h"
#include "cli/pure/ScanCompare.h"
#include "cli/pure/ScanReport.h"

namespace cli {
namespace {

std::atomic<EngineFunctionTable*> g_stoppable{nullptr};

// Ctrl+C asks the scan to stop (the engine tests its stop flag between
// items); a second Ctrl+C ends the process the usual way.
BOOL WINAPI OnConsoleBreak(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
    EngineFunctionTable* engine = g_stoppable.exchange(nullptr);
    if (!engine) return FALSE;
    engine->SetStopFlag(1);
    return TRUE;
}

std::vector<CategoryRow> Rows(const PtrArray<XMLElement>* list)
{
    std::vector<CategoryRow> rows;
    if (list)
        for (const XMLElement* c : *list) rows.push_back({c->elementName, c->categoryName, c->enabled != 0});
    return rows;
}

ProblemInfo Copy(const RegEntryProb& p)
{
    ProblemInfo i;
    i.rootName = p.rootName;
    i.keyPath = p.keyPath;
    i.valueName = p.valueName;
    i.data = p.data;
    i.message = p.message;
    i.is64View = p.is64View;
    i.selected = p.selected;
    i.fixOk = p.fixOk;
    i.ignored = p.ignored;
    i.grade = p.grade;
    i.fixAction = p.fixAction;
    i.scannedKeyPath = p.scannedKeyPath;
    i.viewFlag = p.viewFlag;
    i.isDefaultValue = p.isDefaultValue;
    i.realRootName = p.realRootName;
    i.realKeyPath = p.realKeyPath;
    i.extent = p.extent;
    i.refusal = p.refusal;
    return i;
}

void CollectResults(EngineFunctionTable& engine, ScanReport& report)
{
    if (PtrArray<XMLElement>* list = engine.GetScanCategories()) {
        for (const XMLElement* c : *list) {
            CategoryInfo info{c->elementName, c->categoryName, c->enabled, c->scanState, c->foundCount, {}};
            for (const RegScanKeyEntry* k : c->keyEntries)
                info.keyEntries.push_back({k->rootName, k->subKey});
            report.categories.push_back(std::move(info));
        }
    }
    if (PtrArray<RegScanCategory>* results = engine.GetScanResults()) {
        for (const RegScanCategory* r : *results) {
            ResultInfo info{r->name,          r->problemCount, r->ignoredCount,   r->fixedCount,
                            r->notFixedCount, r->fixState,     {},                r->examinedCount};
            info.problems.reserve(static_cast<size_t>(r->problems.GetCount()));
            for (const RegEntryProb* p : r->problems) info.problems.push_back(Copy(*p));
            report.results.push_back(std::move(info));
        }
    }
    report.problemCount = engine.GetProblemCount();
    report.checkedCount = engine.GetCheckedCount();
    report.scanThreads = engine.GetScanThreads();
    // Every item examined, whichever thread examined it: the categories'
    // own counts (a begun category always has its result entry).
    int64_t examined = 0;
    for (const ResultInfo& r : report.results) examined += r.examinedCount;
    report.itemsExamined = examined;
}

// The earlier report, read whole; at most 256 MiB.
std::string ReadReport(const std::wstring& path)
{
    const std::wstring failure = L"cannot read the report to compare with: " + path;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw CliError{failure};
    std::string data;
    LARGE_INTEGER size{};
    bool ok = GetFileSizeEx(file, &size) && size.QuadPart <= (256ll << 20);
    if (ok) {
        data.resize(static_cast<size_t>(size.QuadPart));
        DWORD read = 0;
        ok = data.empty() || (ReadFile(file, data.data(), static_cast<DWORD>(data.size()), &read, nullptr) &&
                              read == data.size());
    }
    CloseHandle(file);
    if (!ok) throw CliError{failure};
    return data;
}

std::wstring LocalTimeText()
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    wchar_t text[32];
    swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond);
    return text;
}

uint64_t PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc)) return 0;
    return pmc.PeakWorkingSetSize;
}

}  // namespace

void LimitCategories(EngineFunctionTable& engine, const std::vector<std::wstring>& wanted)
{
    FilterPlan plan = PlanCategoryFilter(Rows(engine.LoadScanSettings()), wanted);
    if (!plan.error.empty()) throw CliError{plan.error};
    for (const FlagWrite& w : plan.writes) {
        std::wstring flag = w.enabled ? L"true" : L"false";
        engine.SetCategoryEnabled(w.elementName, &flag);
    }
    std::wstring error = CheckCategoryFilter(Rows(engine.LoadScanSettings()), wanted);
    if (!error.empty()) throw CliError{error};
}

ScanReport ScanOnce(EngineFunctionTable& table, bool quiet, bool jsonProgress, int threads)
{
    ScanReport report;
    if (threads > 0) table.SetScanThreads(threads);
    {
        ScanProgress progress(table, Err(), quiet, jsonProgress);
        ULONGLONG start = GetTickCount64();
        HANDLE thread = table.StartScan();
        if (!thread) throw CliError{L"the engine could not start the scan"};
        g_stoppable = &table;
        SetConsoleCtrlHandler(OnConsoleBreak, TRUE);
        // The handle belongs to the engine state; OnScanFinished is the
        // thread's last act, so its end means the results are complete.
        DWORD wait = WaitForSingleObject(thread, INFINITE);
        g_stoppable = nullptr;
        SetConsoleCtrlHandler(OnConsoleBreak, FALSE);
        if (wait != WAIT_OBJECT_0)
            throw CliError{L"waiting for the scan failed (error " + std::to_wstring(GetLastError()) + L")"};
        report.durationMs = static_cast<int64_t>(GetTickCount64() - start);
        if (!progress.Finished()) throw CliError{L"the scan thread ended without finishing the scan"};
        report.stopped = progress.Stopped();
    }
    CollectResults(table, report);
    return report;
}

std::unique_ptr<WorkFolder> ScanWorkFolder(const CommandContext& ctx)
{
    if (ctx.settingsFile.empty() && ctx.args.categories.empty()) return nullptr;
    return std::make_unique<WorkFolder>(ctx.settingsFile.empty() ? ShippedSettings(ctx) : ctx.settingsFile,
                                        ShippedIgnoreList(ctx));
}

int RunScan(const CommandContext& ctx)
{
    const Arguments& args = ctx.args;
    EngineFunctionTable& table = BindEngine(ScanProgress::Callbacks());

    // The earlier report is read first: a wrong file name costs no scan.
    const std::string earlier = ctx.compareFile.empty() ? std::string() : ReadReport(ctx.compareFile);
    if (!ctx.compareFile.empty()) {
        Comparison check;
        std::wstring error;
        if (!CompareWithReport(ScanReport{}, earlier, check, error)) throw CliError{ctx.compareFile + L" is " + error};
    }
    std::unique_ptr<WorkFolder> folder = ScanWorkFolder(ctx);
    EngineSession engine(table);
    if (!args.categories.empty()) LimitCategories(table, args.categories);

    const std::wstring started = LocalTimeText();
    ScanReport report = ScanOnce(table, args.quiet, args.progressJson, args.threads);
    report.scannedAt = started;
    report.peakWorkingSetBytes = PeakWorkingSet();

    Comparison comparison;
    std::wstring unused;
    const bool compared = !ctx.compareFile.empty() && CompareWithReport(report, earlier, comparison, unused);
    if (ctx.json) {
        WriteJsonMembers(ctx.json->Body(), report);
        if (compared) WriteComparison(ctx.json->Body(), comparison, ctx.compareFile);
    } else {
        Out().Write(FormatText(report));
        if (compared) Out().Write(ComparisonLine(comparison) + L"\n");
    }
    if (report.stopped) throw CliError{L"scan stopped"};
    return ExitCodeFor(report);
}

}  // namespace cli
