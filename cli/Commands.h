// The console's commands. Each takes the parsed arguments and returns the
// exit code; a failure is thrown as CliError.
#pragma once

#include <string>

#include "cli/pure/CliArgs.h"

namespace cli {

struct CommandContext {
    Arguments args;
    std::wstring programFolder;  // the current folder when a command starts
    std::wstring settingsFile;   // --settings as a full path, empty when not given
};

int RunScan(const CommandContext& ctx);
int RunCategories(const CommandContext& ctx);

// The settings and ignore list beside the program.
std::wstring ShippedSettings(const CommandContext& ctx);
std::wstring ShippedIgnoreList(const CommandContext& ctx);

}  // namespace cli
