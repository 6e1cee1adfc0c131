// TamselCli startup: the programs Windows starts at log-on, and disabling,
// enabling or removing one of them, named as the listing shows it.
#include <memory>
#include <vector>

#include "Commands.h"
#include "Console.h"
#include "EngineBinding.h"
#include "ScanProgress.h"

namespace cli {
namespace {

using Items = std::vector<std::unique_ptr<StartupItem>>;

// The loaded items are handed over to the caller: take them at once.
Items Load(EngineFunctionTable& engine)
{
    PtrArray<StartupItem>* list = engine.LoadStartupItems();
    if (!list) throw CliError{L"the engine could not read the startup items"};
    Items items;
    for (StartupItem* item : *list) items.emplace_back(item);
    return items;
}

std::wstring Where(const StartupItem& item)
{
    return item.rootName + L"\\" + item.keyPath + L"\\" + item.valueName;
}

bool Recorded(const StartupItem& item) { return !item.enabled && !item.windowsDisabled; }

bool SameNoCase(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// The one item the action can apply to among those listed under `name`;
// identical records (same command) are one and the same.
StartupItem& Named(Items& items, const std::wstring& name, const std::wstring& action)
{
    std::vector<StartupItem*> found, fitting;
    for (auto& item : items)
        if (SameNoCase(Where(*item), name)) found.push_back(item.get());
    if (found.empty()) throw CliError{L"no startup item '" + name + L"' (see TamselCli startup)"};
    for (StartupItem* item : found) {
        const bool fits = action == L"disable" ? item->enabled != 0 : action == L"enable" ? !item->enabled : true;
        if (fits) fitting.push_back(item);
    }
    if (fitting.empty())
        throw CliError{L"'" + name + L"' is already " + (action == L"disable" ? L"disabled" : L"enabled")};
    for (StartupItem* item : fitting)
        if (item->commandLine != fitting.front()->commandLine || item->enabled != fitting.front()->enabled)
            throw CliError{L"'" + name + L"' names " + std::to_wstring(fitting.size()) +
                           L" different items; change them in the window"};
    return *fitting.front();
}

void Disable(EngineFunctionTable& engine, StartupItem& item)
{
    // The record goes first, so the command line is never lost.
    if (engine.AddDisabledStartupItem(&item) != 1)
        throw CliError{L"cannot save the disabled record of '" + item.valueName + L"'; nothing was changed"};
    if (engine.DeleteStartupEntry(&item) != 1) {
        engine.RemoveDisabledStartupItem(&item);
        throw CliError{L"cannot delete " + Where(item) + L"; it stays enabled"};
    }
}

enum class Enabled { kYes, kNewerValue, kFailed };

// Never replaces a value the program wrote since: the record is kept.
Enabled EnableOne(EngineFunctionTable& engine, StartupItem& item, std::wstring& message)
{
    std::wstring current;
    switch (engine.EnableStartupItem(&item, 0, &current)) {
    case 1:
        return Enabled::kYes;
    case 2:
        message = Where(item) + L" now holds \"" + current + L"\"; the recorded \"" + item.commandLine +
                  L"\" was not written and stays recorded";
        return Enabled::kNewerValue;
    case 3:
        message = L"enabled " + Where(item) + L", but its disabled record could not be removed";
        return Enabled::kFailed;
    default:
        message = L"cannot enable " + Where(item) + L"; it stays disabled";
        return Enabled::kFailed;
    }
}

void Remove(EngineFunctionTable& engine, StartupItem& item)
{
    // A program Windows switched off is still in its Run key.
    bool ok = Recorded(item) ? engine.RemoveDisabledStartupItem(&item) == 1 : engine.DeleteStartupEntry(&item) == 1;
    if (!ok) throw CliError{L"cannot remove '" + Where(item) + L"'"};
}

const wchar_t* DisabledBy(const StartupItem& item)
{
    if (item.enabled) return nullptr;
    return item.windowsDisabled ? L"windows" : L"tamsel";
}

void WriteItem(report::JsonWriter& w, size_t index, const StartupItem& item)
{
    w.BeginObject()
        .Member("index", static_cast<int>(index))
        .Member("item", Where(item))
        .MemberBool("enabled", item.enabled != 0)
        .Member("rootName", item.rootName)
        .Member("keyPath", item.keyPath)
        .Member("valueName", item.valueName)
        .Member("commandLine", item.commandLine);
    if (const wchar_t* by = DisabledBy(item))
        w.Member("disabledBy", std::wstring(by));
    else
        w.Key("disabledBy").Null();
    if (item.approvedKey.empty())
        w.Key("approvedKey").Null();
    else
        w.Member("approvedKey", item.approvedKey);
    w.EndObject();
}

std::wstring ItemLine(size_t index, const StartupItem& item)
{
    std::wstring line = std::to_wstring(index) + L"\t" + (item.enabled ? L"enabled" : L"disabled") + L"\t" +
                        Where(item) + L"\t" + item.commandLine;
    if (item.windowsDisabled) line += L"\t(switched off by Windows in " + item.approvedKey + L")";
    return line + L"\n";
}

int List(const CommandContext& ctx, const Items& items, bool recordsOnly)
{
    size_t shown = 0;
    std::wstring text;
    if (ctx.json) ctx.json->Body().Key(recordsOnly ? "disabledRecords" : "startupItems").BeginArray();
    for (size_t i = 0; i < items.size(); ++i) {
        if (recordsOnly && !Recorded(*items[i])) continue;
        ++shown;
        if (ctx.json)
            WriteItem(ctx.json->Body(), i, *items[i]);
        else
            text += ItemLine(i, *items[i]);
    }
    if (ctx.json) {
        ctx.json->Body().EndArray();
    } else {
        text += std::to_wstring(shown) + (recordsOnly ? L" disabled record(s)\n" : L" startup item(s)\n");
        Out().Write(text);
    }
    // For the uninstaller: 1 tells that startupManage.xml holds records.
    return recordsOnly && shown > 0 ? kExitProblems : kExitClean;
}

// Every program Tamsel disabled, back in its Run key; each one that cannot
// be (a newer value, a failure) keeps its record.
int EnableAll(const CommandContext& ctx, EngineFunctionTable& engine, Items& items)
{
    RefuseWhileCompactionPending(engine);
    int enabled = 0, kept = 0;
    std::wstring text;
    if (ctx.json) ctx.json->Body().Key("enabled").BeginArray();
    std::vector<std::wstring> problems;
    for (auto& item : items) {
        if (!Recorded(*item)) continue;
        std::wstring message;
        if (EnableOne(engine, *item, message) == Enabled::kYes) {
            ++enabled;
            if (ctx.json)
                ctx.json->Body().String(Where(*item));
            else
                text += L"enabled " + Where(*item) + L"\n";
        } else {
            ++kept;
            problems.push_back(message);
        }
    }
    if (ctx.json) {
        report::JsonWriter& w = ctx.json->Body();
        w.EndArray().Key("notEnabled").BeginArray();
        for (const std::wstring& p : problems) w.String(p);
        w.EndArray();
    } else {
        for (const std::wstring& p : problems) PrintError(p);
        text += std::to_wstring(enabled) + L" enabled, " + std::to_wstring(kept) + L" still disabled\n";
        Out().Write(text);
    }
    return kept > 0 ? kExitProblems : kExitClean;
}

}  // namespace

void RefuseWhileCompactionPending(EngineFunctionTable& engine)
{
    if (engine.GetPendingCompaction() != 0)
        throw CliError{L"The compacted registry replaces the current one at the next restart; restart first"};
}

int RunStartup(const CommandContext& ctx)
{
    const Arguments& args = ctx.args;
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    Items items = Load(*engine);
    if (args.action.empty()) return List(ctx, items, false);
    if (args.action == L"disabled") return List(ctx, items, true);
    if (args.all) return EnableAll(ctx, *engine, items);

    StartupItem& item = Named(items, args.item, args.action);
    if (ctx.json) {
        size_t position = 0;
        while (items[position].get() != &item) ++position;
        ctx.json->Body().Member("action", args.action).Key("item");
        WriteItem(ctx.json->Body(), position, item);
    }
    RefuseWhileCompactionPending(*engine);
    if (args.action == L"disable") {
        Disable(*engine, item);
    } else if (args.action == L"enable") {
        std::wstring message;
        if (EnableOne(*engine, item, message) != Enabled::kYes) throw CliError{message};
    } else {
        Remove(*engine, item);
    }
    if (ctx.json)
        ctx.json->Body().MemberBool("done", true);
    else
        Out().Write(args.action + L"d " + Where(item) + L"\n");
    return kExitClean;
}

}  // namespace cli
