// TamselCli backup, backups, restore, delete-backup and ignored: the backup
// store and the ignore list through the engine table.
#include "Commands.h"
#include "Console.h"
#include "EngineBinding.h"
#include "OperationEvents.h"
#include "ScanProgress.h"

namespace cli {
namespace {

// Backup and restore report their end only through the callback; the
// outcome is GetOperationResult afterwards.
bool WaitOperation(EngineFunctionTable& engine, Finish which, const wchar_t* what)
{
    if (!WaitFinish(which, kOperationTimeoutMs)) throw CliError{std::wstring(L"the ") + what + L" did not finish"};
    return engine.GetOperationResult() == 1;
}

}  // namespace

int RunBackup(const CommandContext&)
{
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    ResetFinish(Finish::Backup);
    engine->StartFullBackup();
    if (!WaitOperation(*engine, Finish::Backup, L"backup")) throw CliError{L"the full backup failed"};
    Out().Write(L"full backup made\n");
    return kExitClean;
}

int RunBackups(const CommandContext&)
{
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    PtrArray<BackupEntry>* list = engine->ListBackups();
    if (!list) throw CliError{L"the engine could not list the backups"};
    std::wstring text;
    for (const BackupEntry* b : *list) text += b->fileName + L"\t" + (b->kind == 0 ? L"full" : L"partial") + L"\n";
    text += std::to_wstring(list->GetCount()) + L" backup(s)\n";
    Out().Write(text);
    return kExitClean;
}

int RunRestore(const CommandContext& ctx)
{
    const std::wstring& name = ctx.args.operands[0];
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    ResetFinish(Finish::Restore);
    engine->StartRestore(&name);
    if (!WaitOperation(*engine, Finish::Restore, L"restore")) throw CliError{L"restoring '" + name + L"' failed"};
    Out().Write(L"restored " + name + L"\n");
    return kExitClean;
}

int RunDeleteBackup(const CommandContext& ctx)
{
    const std::wstring& name = ctx.args.operands[0];
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    if (engine->DeleteBackup(&name) != 1) throw CliError{L"cannot delete the backup '" + name + L"'"};
    Out().Write(L"deleted " + name + L"\n");
    return kExitClean;
}

int RunIgnored(const CommandContext&)
{
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    PtrArray<RegScanCategory>* list = engine->GetIgnoreList();
    if (!list) throw CliError{L"the engine could not read the ignore list"};
    std::wstring text;
    int total = 0;
    for (const RegScanCategory* group : *list) {
        for (const RegEntryProb* p : group->problems) {
            text += group->name + L"\t" + p->rootName + L"\\" + p->keyPath;
            if (!p->valueName.empty()) text += L"\\" + p->valueName;
            text += L"\n";
            ++total;
        }
    }
    text += std::to_wstring(total) + L" ignored problem(s)\n";
    Out().Write(text);
    return kExitClean;
}

}  // namespace cli
