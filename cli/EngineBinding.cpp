#include "EngineBinding.h"

#include <atomic>
#include <mutex>
#include <string>

#include "Console.h"
#include "safeload/SafeLoad.h"
#include "cli/pure/ReportAnswer.h"
#include "report/pure/TextEncoding.h"

namespace cli {
namespace {

std::atomic<bool> g_reported{false};
std::mutex g_lock;
std::wstring g_first;  // guarded by g_lock

// "TamselCli: <caption>: <text>" as one line, and the safe answer.
int CORVEX_CALL PrintReport(const std::wstring* text, const std::wstring* caption, unsigned flags)
{
    {
        std::lock_guard<std::mutex> guard(g_lock);
        const std::wstring line =
            (caption ? *caption : std::wstring()) + L": " + (text ? *text : std::wstring());
        PrintError(line);
        if (!g_reported) g_first = report::PrintableText(line);
        g_reported = true;
    }
    return SafeAnswer(flags);
}

}  // namespace

bool EngineReported()
{
    return g_reported.load();
}

std::wstring FirstReport()
{
    std::lock_guard<std::mutex> guard(g_lock);
    return g_first;
}

EngineFunctionTable& BindEngine(UiCallbackTable* callbacks)
{
    // From the program's own folder only, never from PATH or elsewhere.
    HMODULE dll = safeload::LoadFromFolder(std::wstring(), L"Corvex.dll");
    if (!dll) throw CliError{L"cannot load Corvex.dll (error " + std::to_wstring(GetLastError()) + L")"};
    auto init = reinterpret_cast<ToEngineInitGetUIInterfaceFn>(
        reinterpret_cast<void*>(GetProcAddress(dll, "toEngineInitGetUIInterface")));
    if (!init) throw CliError{L"Corvex.dll has no export toEngineInitGetUIInterface"};
    EngineFunctionTable* table = nullptr;
    init(callbacks, &table);
    if (!table) throw CliError{L"Corvex.dll returned no engine table"};
    table->SetReportHandler(&PrintReport);
    return *table;
}

}  // namespace cli
