// TamselCli fix: scan, then (only with --yes) a partial backup of what the
// fix will change and, only when that backup succeeded, the fix.
#include <memory>

#include "Commands.h"
#include "Console.h"
#include "EngineBinding.h"
#include "Interrupt.h"
#include "OperationEvents.h"
#include "ScanProgress.h"
#include "WorkFolder.h"

namespace cli {
namespace {

const wchar_t* IgnoreListProblem(int state)
{
    switch (state) {
    case kIgnoreListRead: return nullptr;
    case kIgnoreListDamaged: return L"is damaged";
    default: return L"could not be read";
    }
}

}  // namespace

int RunFix(const CommandContext& ctx)
{
    const Arguments& args = ctx.args;
    EngineFunctionTable& table = BindEngine(ScanProgress::Callbacks());
    std::unique_ptr<WorkFolder> folder = ScanWorkFolder(ctx);
    EngineSession engine(table);
    if (!args.categories.empty()) LimitCategories(table, args.categories);

    report::ScanReport scan = ScanOnce(table, args.quiet, args.progressJson, args.threads);
    report::JsonWriter* json = ctx.json ? &ctx.json->Body() : nullptr;
    if (json) report::WriteJsonMembers(*json, scan);
    if (scan.stopped) throw CliError{L"scan stopped; nothing was fixed"};
    // Without the ignore list the scan cannot leave out what the user
    // ignored: nothing is backed up or fixed (the engine would refuse too).
    if (const wchar_t* why = IgnoreListProblem(table.GetIgnoreListState())) {
        if (!json) Out().Write(report::FormatText(scan));
        throw CliError{std::wstring(L"IgnoreList.dat ") + why + L"; nothing was backed up or fixed"};
    }
    const int checked = table.GetCheckedCount();
    if (json)
        json->Key("fix")
            .BeginObject()
            .MemberBool("dryRun", !args.yes)
            .Member("checked", checked)
            .Member("removes", report::FixTotals(scan));
    if (!args.yes) {
        if (!json) {
            Out().Write(report::FormatText(scan));
            Out().Write(L"the fix would remove: " + report::FixTotals(scan) + L"\n");
            Out().Write(L"would fix " + std::to_wstring(checked) +
                        L" problem(s); nothing was changed (run with --yes to back up and fix)\n");
        }
        return kExitClean;
    }
    if (checked == 0) {
        if (!json) Out().Write(L"nothing to fix\n");
        return kExitClean;
    }
    RefuseWhileCompactionPending(table);

    // The registry is changed only after a backup of exactly what changes.
    // The backup goes to the program folder's store (with its template),
    // never into the scan's temporary folder.
    if (folder) folder->Leave();
    ResetFinish(Finish::Backup);
    bool backedUp = false, interrupted = false;
    {
        InterruptGuard interrupt(table, L"backup", false);
        table.StartPartialBackup(table.GetScanResults());
        backedUp = WaitFinish(Finish::Backup, kOperationTimeoutMs) && table.GetOperationResult() == 1;
        interrupted = interrupt.Interrupted();
    }
    if (!backedUp) throw CliError{L"the backup failed; nothing was fixed"};
    if (json) json->MemberBool("backedUp", true);
    if (interrupted) throw CliError{L"stopped after the backup; nothing was fixed"};

    ResetFinish(Finish::Fix);
    bool ended = false;
    {
        InterruptGuard interrupt(table, L"fix", true);
        HANDLE thread = table.StartFix();
        if (!thread) throw CliError{L"the engine could not start the fix"};
        // OnFixFinished is the fix thread's last act.
        ended = WaitForSingleObject(thread, kOperationTimeoutMs) == WAIT_OBJECT_0 && WaitFinish(Finish::Fix, 0);
        interrupted = interrupt.Interrupted();
    }
    if (!ended) throw CliError{L"the fix did not finish"};
    const int fixed = table.GetFixedCount(), notFixed = table.GetNotFixedCount();
    if (interrupted) {
        if (json) json->Member("fixed", fixed).Member("notFixed", notFixed);
        throw CliError{L"the fix was stopped: " + std::to_wstring(fixed) + L" of " + std::to_wstring(checked) +
                       L" problem(s) fixed, the rest left as it was"};
    }
    if (json)
        json->Member("fixed", fixed).Member("notFixed", notFixed);
    else
        Out().Write(L"backed up and fixed " + std::to_wstring(fixed) + L" of " + std::to_wstring(checked) +
                    L" problem(s), " + std::to_wstring(notFixed) + L" not fixed\n");
    return notFixed == 0 ? kExitClean : kExitProblems;
}

}  // namespace cli
