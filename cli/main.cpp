// TamselCli: the engine from a console, through the same two tables the
// program uses.
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "Commands.h"
#include "EngineBinding.h"
#include "Console.h"
#include "WorkFolder.h"
#include "cli/pure/CliArgs.h"

namespace {

// Data files are opened by relative names: work in the program's folder.
std::wstring EnterProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    size_t slash = path.find_last_of(L"\\/");
    if (slash == std::wstring::npos) return std::wstring();
    std::wstring dir = path.substr(0, slash);
    SetCurrentDirectoryW(dir.c_str());
    return dir;
}

int Run(const cli::Arguments& args)
{
    using cli::Command;
    cli::CommandContext ctx;
    ctx.args = args;
    // --settings names a file as seen from where the user started us.
    if (!args.settingsFile.empty()) ctx.settingsFile = cli::FullPath(args.settingsFile);
    ctx.programFolder = EnterProgramFolder();
    switch (args.command) {
        case Command::Scan:
            return args.listCategories ? cli::RunCategories(ctx) : cli::RunScan(ctx);
        case Command::Categories:
            return cli::RunCategories(ctx);
        case Command::Fix:
            return cli::RunFix(ctx);
        case Command::Backup:
            return cli::RunBackup(ctx);
        case Command::Backups:
            return cli::RunBackups(ctx);
        case Command::Restore:
            return cli::RunRestore(ctx);
        case Command::DeleteBackup:
            return cli::RunDeleteBackup(ctx);
        case Command::Ignored:
            return cli::RunIgnored(ctx);
        case Command::Startup:
            return cli::RunStartup(ctx);
        case Command::Schedule:
            return cli::RunSchedule(ctx);
        case Command::Help:
            break;
    }
    cli::Out().Write(cli::UsageText());
    return cli::kExitClean;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    std::vector<std::wstring> args(argv + 1, argv + argc);
    cli::ParseResult parsed = cli::ParseArguments(args);
    if (!parsed.ok()) {
        cli::PrintError(parsed.error);
        return cli::kExitError;
    }
    try {
        const int code = Run(parsed.args);
        // The engine's report line is already on stderr.
        return cli::EngineReported() ? cli::kExitError : code;
    } catch (const cli::CliError& e) {
        cli::PrintError(e.message);
    } catch (const std::exception& e) {
        cli::PrintError(L"unexpected failure: " + std::wstring(e.what(), e.what() + std::strlen(e.what())));
    }
    return cli::kExitError;
}
