// The resource monitor, system information, system restore and the shell's
// properties sheet.
#include "tools/SystemTools.h"

#include "core/ReportBox.h"
#include "tools/ProgramStarter.h"
#include "scan/Checks.h"
#include "tools/ToolPaths.h"

namespace tools {
namespace {

bool Start(const std::wstring& path, const std::wstring& verb, const std::wstring& arguments, DWORD* error)
{
    starter::Request request;
    request.via = starter::Via::kShellExecuteEx;
    request.verb = verb;
    request.file = path;
    request.parameters = arguments;
    request.show = SW_SHOWNORMAL;
    request.mask = starter::kExMask;
    starter::Outcome outcome = starter::Start(request);
    if (error) *error = outcome.error;
    return outcome.ok;
}

bool Expanded(const wchar_t* variable, const wchar_t* tail, std::wstring& out)
{
    if (!scan::ExpandEnvString(variable, scan::kExpandCapacity, out)) return false;
    out += tail;
    return true;
}

}  // namespace

bool RunProgram(const std::wstring& path, const std::wstring& arguments)
{
    return Start(path, L"", arguments, nullptr);
}

void LaunchSystemTool(const CRegEngine& engine, int tool)
{
    const SystemFacts& facts = engine.facts;
    // Tool paths are tested as the native system sees its folders.
    std::wstring path;
    switch (tool) {
    case 0:
        if (!Expanded(L"%SYSTEMROOT%", L"\\SYSTEM32\\perfmon.exe", path) ||
            scan::CheckFileExist(path, engine) != scan::Presence::Present)
            return;
        if (CanSwitchRedirection(facts)) {
            ScopedNoRedirection noRedirection(facts);
            RunProgram(path, L"/res");
        } else {
            RunProgram(path, L"");
        }
        return;
    case 1:
        if (!Expanded(L"%PROGRAMFILES%", L"\\Common Files\\Microsoft Shared\\MSInfo\\msinfo32.exe", path) ||
            scan::CheckFileExist(path, engine) != scan::Presence::Present)
            return;
        RunProgram(path, L"");
        return;
    case 2: {
        std::wstring second;
        if (!Expanded(L"%SYSTEMROOT%", L"\\SYSTEM32\\restore\\rstrui.exe", path) ||
            !Expanded(L"%SYSTEMROOT%", L"\\SYSTEM32\\rstrui.exe", second))
            return;
        bool started;
        {
            ScopedNoRedirection noRedirection(facts);
            started = RunProgram(path, L"") || RunProgram(second, L"");
        }
        if (!started) report::Show(L"Can not open this excute file!", L"OpenExcuteFile()", MB_OK);
        return;
    }
    default:
        return;
    }
}

bool ShowFileProperties(const std::wstring& path)
{
    DWORD error = 0;
    if (Start(path, L"properties", L"", &error)) return true;
    report::ShowError(error, L"GetFileProperty-shellExecuteEx():");
    return false;
}

}  // namespace tools
