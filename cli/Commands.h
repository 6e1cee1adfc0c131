// The console's commands. Each takes the parsed arguments and returns the
// exit code; a failure is thrown as CliError.
#pragma once

#include <memory>

#include <string>
#include <vector>

#include "cli/pure/CliArgs.h"
#include "cli/pure/JsonDocument.h"
#include "report/pure/ScanReport.h"
#include "corvex/EngineTables.h"

namespace cli {

struct CommandContext {
    Arguments args;
    std::wstring programFolder;  // the current folder when a command starts
    std::wstring settingsFile;   // --settings as a full path, empty when not given
    std::wstring compareFile;    // scan --compare as a full path, empty when not given
    // With --json the command writes its members here and nothing on stdout
    // (main prints the document); null otherwise.
    JsonDocument* json = nullptr;
};

class WorkFolder;
// The temporary folder a scan runs in when --settings or --category is given
// (null otherwise); it must outlive the engine session.
std::unique_ptr<WorkFolder> ScanWorkFolder(const CommandContext& ctx);

int RunScan(const CommandContext& ctx);
int RunCategories(const CommandContext& ctx);
int RunFix(const CommandContext& ctx);
int RunBackup(const CommandContext& ctx);
int RunBackups(const CommandContext& ctx);
int RunRestore(const CommandContext& ctx);
int RunDeleteBackup(const CommandContext& ctx);
int RunIgnored(const CommandContext& ctx);
int RunStartup(const CommandContext& ctx);
int RunSchedule(const CommandContext& ctx);

// Leaves only the chosen categories enabled in the current folder's settings.
void LimitCategories(EngineFunctionTable& engine, const std::vector<std::wstring>& wanted);
// Every command that changes the registry asks first: while compacted hives
// wait for their restart, anything written would be lost then (exit 2).
void RefuseWhileCompactionPending(EngineFunctionTable& engine);
// One scan with progress on stderr; fills the report from the engine's lists.
// `threads` above 0 caps the scan's threads (--threads); 0 leaves the engine's choice.
report::ScanReport ScanOnce(EngineFunctionTable& engine, bool quiet, bool jsonProgress = false, int threads = 0);

// A backup, restore or fix is waited for to its end: each engine worker ends
// with its callback, and neither dying mid-step nor releasing the engine
// under a running worker is ever better than waiting.
inline constexpr unsigned long kOperationTimeoutMs = 0xFFFFFFFFul;  // INFINITE

// The settings and ignore list beside the program.
std::wstring ShippedSettings(const CommandContext& ctx);
std::wstring ShippedIgnoreList(const CommandContext& ctx);

}  // namespace cli
