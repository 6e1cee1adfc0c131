// TamselCli startup: the programs Windows starts at log-on, and disabling,
// enabling or removing one of them.
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

void Disable(EngineFunctionTable& engine, StartupItem& item)
{
    if (!item.enabled) throw CliError{L"'" + item.valueName + L"' is already disabled"};
    // The record goes first, so the command line is never lost.
    if (engine.AddDisabledStartupItem(&item) != 1)
        throw CliError{L"cannot save the disabled record of '" + item.valueName + L"'; nothing was changed"};
    if (engine.DeleteStartupEntry(&item) != 1) {
        engine.RemoveDisabledStartupItem(&item);
        throw CliError{L"cannot delete " + Where(item) + L"; it stays enabled"};
    }
}

void Enable(EngineFunctionTable& engine, StartupItem& item)
{
    if (item.enabled) throw CliError{L"'" + item.valueName + L"' is already enabled"};
    if (engine.WriteStartupEntry(&item) != 1) throw CliError{L"cannot write " + Where(item) + L"; it stays disabled"};
    if (engine.RemoveDisabledStartupItem(&item) != 1)
        throw CliError{L"enabled " + Where(item) + L", but its disabled record could not be removed"};
}

void Remove(EngineFunctionTable& engine, StartupItem& item)
{
    bool ok = item.enabled ? engine.DeleteStartupEntry(&item) == 1 : engine.RemoveDisabledStartupItem(&item) == 1;
    if (!ok) throw CliError{L"cannot remove '" + item.valueName + L"'"};
}

void WriteItem(report::JsonWriter& w, size_t index, const StartupItem& item)
{
    w.BeginObject()
        .Member("index", static_cast<int>(index))
        .MemberBool("enabled", item.enabled != 0)
        .Member("rootName", item.rootName)
        .Member("keyPath", item.keyPath)
        .Member("valueName", item.valueName)
        .Member("commandLine", item.commandLine)
        .EndObject();
}

}  // namespace

int RunStartup(const CommandContext& ctx)
{
    const Arguments& args = ctx.args;
    EngineSession engine(BindEngine(ScanProgress::Callbacks()));
    Items items = Load(*engine);
    if (args.action.empty() && ctx.json) {
        report::JsonWriter& w = ctx.json->Body();
        w.Key("startupItems").BeginArray();
        for (size_t i = 0; i < items.size(); ++i) WriteItem(w, i, *items[i]);
        w.EndArray();
        return kExitClean;
    }
    if (args.action.empty()) {
        std::wstring text;
        for (size_t i = 0; i < items.size(); ++i) {
            const StartupItem& item = *items[i];
            text += std::to_wstring(i) + L"\t" + (item.enabled ? L"enabled" : L"disabled") + L"\t" + Where(item) +
                    L"\t" + item.commandLine + L"\n";
        }
        text += std::to_wstring(items.size()) + L" startup item(s)\n";
        Out().Write(text);
        return kExitClean;
    }
    if (args.index < 0 || static_cast<size_t>(args.index) >= items.size())
        throw CliError{L"no startup item " + std::to_wstring(args.index) + L" (there are " +
                       std::to_wstring(items.size()) + L")"};
    StartupItem& item = *items[static_cast<size_t>(args.index)];
    if (ctx.json) {
        ctx.json->Body().Member("action", args.action).Key("item");
        WriteItem(ctx.json->Body(), static_cast<size_t>(args.index), item);
    }
    if (args.action == L"disable")
        Disable(*engine, item);
    else if (args.action == L"enable")
        Enable(*engine, item);
    else
        Remove(*engine, item);
    if (ctx.json)
        ctx.json->Body().MemberBool("done", true);
    else
        Out().Write(args.action + L"d " + Where(item) + L"\n");
    return kExitClean;
}

}  // namespace cli
