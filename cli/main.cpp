// TamselCli: the engine from a console, through the same two tables the
// program uses.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "Commands.h"
#include "Console.h"
#include "Elevation.h"
#include "EngineBinding.h"
#include "ToolFactsDetect.h"
#include "WorkFolder.h"
#include "safeload/SafeLoad.h"
#include "cli/pure/CliArgs.h"
#include "cli/pure/JsonDocument.h"
#include "cli/pure/Rights.h"
#include "report/pure/TextEncoding.h"

namespace {

// Data files are opened by relative names: work in the program's folder.
std::wstring EnterProgramFolder()
{
    std::wstring dir = safeload::ProgramFolder();
    if (!dir.empty()) SetCurrentDirectoryW(dir.c_str());
    return dir;
}

int Run(const cli::Arguments& args, cli::JsonDocument* json)
{
    using cli::Command;
    // Before anything is loaded or touched.
    if (cli::NeedsAdministrator(args) && !cli::ProcessIsElevated()) throw cli::CliError{cli::kNeedsAdministrator};
    cli::CommandContext ctx;
    ctx.args = args;
    ctx.json = json;
    // --settings names a file as seen from where the user started us.
    if (!args.settingsFile.empty()) ctx.settingsFile = cli::FullPath(args.settingsFile);
    if (!args.compareFile.empty()) ctx.compareFile = cli::FullPath(args.compareFile);
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
    safeload::RestrictDllSearch();
    std::vector<std::wstring> args(argv + 1, argv + argc);
    cli::ParseResult parsed = cli::ParseArguments(args);
    std::unique_ptr<cli::JsonDocument> json;
    // A command line that parses says itself whether it wants JSON ("--json"
    // may be the value of another option); the usage text stays text.
    if (parsed.ok() ? parsed.args.json : cli::WantsJson(args))
        json = std::make_unique<cli::JsonDocument>(
            cli::DetectToolFacts(), parsed.ok() ? cli::CommandName(parsed.args.command) : std::wstring());
    int code = cli::kExitError;
    std::wstring error;  // as the stderr line shows it, without the prefix
    auto fail = [&](const std::wstring& message) {
        cli::PrintError(message);
        error = report::PrintableText(message);
        code = cli::kExitError;
    };
    if (!parsed.ok()) {
        fail(parsed.error);
    } else {
        try {
            code = Run(parsed.args, json.get());
            // The engine's report line is already on stderr.
            if (cli::EngineReported()) {
                code = cli::kExitError;
                error = cli::FirstReport();
            }
        } catch (const cli::CliError& e) {
            fail(e.message);
        } catch (const std::exception& e) {
            fail(L"unexpected failure: " + std::wstring(e.what(), e.what() + std::strlen(e.what())));
        }
    }
    if (json) {
        const std::wstring report = cli::EngineReported() ? cli::FirstReport() : std::wstring();
        cli::Out().WriteUtf8(json->Finish(code, error, report == error ? std::wstring() : report));
    }
    return code;
}
