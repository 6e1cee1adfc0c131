// TamselCli categories: the category list as LoadScanSettings reads it.
#include <memory>

#include "Commands.h"
#include "Console.h"
#include "EngineBinding.h"
#include "ScanProgress.h"
#include "WorkFolder.h"

namespace cli {

int RunCategories(const CommandContext& ctx)
{
    EngineFunctionTable& table = BindEngine(ScanProgress::Callbacks());
    std::unique_ptr<WorkFolder> folder;
    if (!ctx.settingsFile.empty()) folder = std::make_unique<WorkFolder>(ctx.settingsFile, std::wstring());
    EngineSession engine(table);
    PtrArray<XMLElement>* list = engine->LoadScanSettings();
    if (!list) throw CliError{L"the engine could not read the scan settings"};
    if (ctx.json) {
        report::JsonWriter& w = ctx.json->Body();
        w.Key("categories").BeginArray();
        int index = 0;
        for (const XMLElement* c : *list)
            w.BeginObject()
                .Member("index", index++)
                .Member("elementName", c->elementName)
                .Member("name", c->categoryName)
                .MemberBool("enabled", c->enabled != 0)
                .Member("keyCount", c->keyEntries.GetCount())
                .EndObject();
        w.EndArray();
        return kExitClean;
    }
    std::wstring text;
    int index = 0;
    for (const XMLElement* c : *list) {
        // scan --list-categories: index, element name, category name, enabled.
        if (ctx.args.listCategories)
            text += std::to_wstring(index++) + L"\t" + c->elementName + L"\t" + c->categoryName + L"\t" +
                    (c->enabled ? L"enabled" : L"disabled") + L"\n";
        else
            text += std::wstring(c->enabled ? L"on " : L"off") + L"\t" + c->categoryName + L"\t" +
                    std::to_wstring(c->keyEntries.GetCount()) + L" key(s)\n";
    }
    Out().Write(text);
    return kExitClean;
}

std::wstring ShippedSettings(const CommandContext& ctx)
{
    return ctx.programFolder + L"\\scanSetting.xml";
}

std::wstring ShippedIgnoreList(const CommandContext& ctx)
{
    return ctx.programFolder + L"\\IgnoreList.dat";
}

}  // namespace cli
