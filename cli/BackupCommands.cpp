// TamselCli backup, backups, restore, delete-backup and ignored: the backup
// store and the ignore list through the engine table.
#include <string>
#include <vector>

#include "Commands.h"
#include "Console.h"
#include "EngineBinding.h"
#include "Interrupt.h"
#include "OperationEvents.h"
#include "ScanProgress.h"

namespace cli {
namespace {

// Backup and restore report their end only through the callback; the
// outcome is GetOperationResult afterwards.
bool WaitOperation(EngineFunctionTable& engine, Finish which, const wchar_t* what)
{
    if (!WaitFinish(which, kOperationTimeoutMs))
        throw CliError{std::wstring(L"the ") + what + L" did not finish"};
    return engine.GetOperationResult() == 1;
}

struct Backup {
    std::wstring name;
    int kind;
};

std::vector<Backup> ListBackups(EngineFunctionTable& engine)
{
    PtrArray<BackupEntry>* list = engine.ListBackups();
    if (!list) throw CliError{L"the engine could not list the backups"};
    std::vector<Backup> backups;
    for (const BackupEntry* b : *list) backups.push_back({b->fileName, b->kind});
    return backups;
}

const wchar_t* KindName(int kind)
{
    return kind == 0 ? L"full" : L"partial";
}

// A command's one result line, or its one member of the JSON document.
void Done(const CommandContext& ctx, const char* member, const std::wstring& name, const std::wstring& line)
{
    if (ctx.json)
        ctx.json->Body().Member(member, name);
    else
        Out().Write(line + L"\n");
}

}  // namespace

int RunBackup(const CommandContext& ctx)
{
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    // The new backup is the name the store did not hold before.
    std::vector<Backup> before = ListBackups(*engine);
    ResetFinish(Finish::Backup);
    bool ok = false;
    {
        InterruptGuard interrupt(*engine, L"backup", false);
        engine->StartFullBackup();
        ok = WaitOperation(*engine, Finish::Backup, L"backup");
    }
    if (!ok) throw CliError{L"the full backup failed"};
    std::wstring made;
    for (const Backup& b : ListBackups(*engine)) {
        bool old = false;
        for (const Backup& o : before) old = old || o.name == b.name;
        if (!old) made = b.name;
    }
    Done(ctx, "backup", made, made.empty() ? L"full backup made" : L"full backup made: " + made);
    return kExitClean;
}

int RunBackups(const CommandContext& ctx)
{
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    std::vector<Backup> backups = ListBackups(*engine);
    if (ctx.json) {
        report::JsonWriter& w = ctx.json->Body();
        w.Key("backups").BeginArray();
        for (const Backup& b : backups)
            w.BeginObject().Member("name", b.name).Member("kind", KindName(b.kind)).EndObject();
        w.EndArray();
        return kExitClean;
    }
    std::wstring text;
    for (const Backup& b : backups) text += b.name + L"\t" + KindName(b.kind) + L"\n";
    text += std::to_wstring(backups.size()) + L" backup(s)\n";
    Out().Write(text);
    return kExitClean;
}

int RunRestore(const CommandContext& ctx)
{
    const std::wstring& name = ctx.args.operands[0];
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    RefuseWhileCompactionPending(*engine);
    ResetFinish(Finish::Restore);
    bool ok = false;
    {
        // A restore stopped half-way would leave keys half restored.
        InterruptGuard interrupt(*engine, L"restore", false);
        engine->StartRestore(&name);
        ok = WaitOperation(*engine, Finish::Restore, L"restore");
    }
    if (!ok) throw CliError{L"restoring '" + name + L"' failed"};
    Done(ctx, "restored", name, L"restored " + name);
    return kExitClean;
}

int RunDeleteBackup(const CommandContext& ctx)
{
    const std::wstring& name = ctx.args.operands[0];
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    if (engine->DeleteBackup(&name) != 1) throw CliError{L"cannot delete the backup '" + name + L"'"};
    Done(ctx, "deleted", name, L"deleted " + name);
    return kExitClean;
}

int RunIgnored(const CommandContext& ctx)
{
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    PtrArray<RegScanCategory>* list = engine->GetIgnoreList();
    if (!list) throw CliError{L"the engine could not read the ignore list"};
    if (ctx.json) {
        report::JsonWriter& w = ctx.json->Body();
        w.Key("ignored").BeginArray();
        for (const RegScanCategory* group : *list)
            for (const RegEntryProb* p : group->problems)
                w.BeginObject()
                    .Member("category", group->name)
                    .Member("rootName", p->rootName)
                    .Member("keyPath", p->keyPath)
                    .Member("valueName", p->valueName)
                    .MemberBool("is64View", p->is64View != 0)
                    .EndObject();
        w.EndArray();
        return kExitClean;
    }
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
