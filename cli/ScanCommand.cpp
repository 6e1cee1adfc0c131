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
#include "cli/pure/ExitCode.h"
#include "report/FromEngine.h"
#include "report/LocalTime.h"
#include "report/ReportFile.h"
#include "report/pure/ScanCompare.h"
#include "report/pure/ScanReport.h"

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

// The earlier report, read whole.
std::string ReadReport(const std::wstring& path)
{
    std::string data;
    if (!report::ReadCappedFile(path, data))
        throw CliError{L"cannot read the report to compare with: " + path};
    return data;
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

report::ScanReport ScanOnce(EngineFunctionTable& table, bool quiet, bool jsonProgress, int threads)
{
    report::ScanReport scan;
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
        scan.durationMs = static_cast<int64_t>(GetTickCount64() - start);
        if (!progress.Finished()) throw CliError{L"the scan thread ended without finishing the scan"};
        scan.stopped = progress.Stopped();
    }
    report::AddCategories(table.GetScanCategories(), scan);
    report::AddResults(table.GetScanResults(), scan);
    scan.problemCount = table.GetProblemCount();
    scan.checkedCount = table.GetCheckedCount();
    scan.scanThreads = table.GetScanThreads();
    // Every item examined, whichever thread examined it: the categories'
    // own counts (a begun category always has its result entry).
    for (const report::ResultInfo& r : scan.results) scan.itemsExamined += r.examinedCount;
    return scan;
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
        report::Comparison check;
        std::wstring error;
        if (!report::CompareWithReport(report::ScanReport{}, earlier, check, error))
            throw CliError{ctx.compareFile + L" is " + error};
    }
    std::unique_ptr<WorkFolder> folder = ScanWorkFolder(ctx);
    EngineSession engine(table);
    if (!args.categories.empty()) LimitCategories(table, args.categories);

    const std::wstring started = report::LocalTimeText();
    report::ScanReport scan = ScanOnce(table, args.quiet, args.progressJson, args.threads);
    scan.scannedAt = started;
    scan.peakWorkingSetBytes = PeakWorkingSet();

    report::Comparison comparison;
    std::wstring unused;
    const bool compared =
        !ctx.compareFile.empty() && report::CompareWithReport(scan, earlier, comparison, unused);
    if (ctx.json) {
        report::WriteJsonMembers(ctx.json->Body(), scan);
        if (compared) report::WriteComparison(ctx.json->Body(), comparison, ctx.compareFile);
    } else {
        Out().Write(report::FormatText(scan));
        if (compared) Out().Write(report::ComparisonLine(comparison) + L"\n");
    }
    if (scan.stopped) throw CliError{L"scan stopped"};
    return ExitCodeFor(scan);
}

}  // namespace cli
