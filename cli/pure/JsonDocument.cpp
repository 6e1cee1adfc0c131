#include "cli/pure/JsonDocument.h"

namespace cli {

std::vector<std::wstring> RegistryViews(bool windows64)
{
    if (windows64) return {L"64-bit", L"32-bit"};
    return {L"32-bit"};
}

JsonDocument::JsonDocument(const ToolFacts& facts, std::wstring_view command)
{
    w_.BeginObject();
    w_.Key("tool").BeginObject().Member("name", L"TamselCli").Member("version", facts.version).EndObject();
    w_.Member("build", facts.x64Build ? L"x64" : L"x86");
    w_.Key("windows").BeginObject().MemberBool("is64Bit", facts.windows64).EndObject();
    w_.Key("wine");
    if (facts.underWine && !facts.wineVersion.empty())
        w_.String(facts.wineVersion);
    else
        w_.Null();
    w_.Key("views").BeginArray();
    for (const std::wstring& view : RegistryViews(facts.windows64)) w_.String(view);
    w_.EndArray();
    w_.Key("command");
    if (command.empty())
        w_.Null();
    else
        w_.String(command);
}

std::string JsonDocument::Finish(int exitCode, std::wstring_view error, std::wstring_view engineReport)
{
    w_.Unwind(1);
    w_.Member("exitCode", exitCode);
    if (!error.empty()) w_.Member("error", error);
    if (!engineReport.empty()) w_.Member("engineReport", engineReport);
    w_.EndObject();
    return w_.Finish();
}

}  // namespace cli
