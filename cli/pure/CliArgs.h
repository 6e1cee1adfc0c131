// The command line of TamselCli: commands, their options and the usage text.
// No windows.h: the parser is tested on its own.
#pragma once

#include <string>
#include <vector>

namespace cli {

inline constexpr int kExitClean = 0;     // no problem found
inline constexpr int kExitProblems = 1;  // problems found
inline constexpr int kExitError = 2;     // bad arguments, missing engine, failed or stopped run

enum class Command { Help, Scan, Categories };

// Options a command may accept (bit set).
enum Option : unsigned {
    kOptJson = 1u << 0,
    kOptCategory = 1u << 1,
    kOptSettings = 1u << 2,
    kOptQuiet = 1u << 3,
};

// One row per command; a new command is one more row here and one handler
// in Commands.cpp.
struct CommandSpec {
    Command command;
    const wchar_t* name;
    unsigned options;
    const wchar_t* summary;
};

const std::vector<CommandSpec>& CommandTable();

struct Arguments {
    Command command = Command::Help;
    bool json = false;
    bool quiet = false;
    std::vector<std::wstring> categories;  // --category, in the order given
    std::wstring settingsFile;             // --settings, as given (not yet resolved)
};

struct ParseResult {
    Arguments args;
    std::wstring error;  // one line, without the "TamselCli: " prefix; empty on success
    bool ok() const { return error.empty(); }
};

// argv without the program name.
ParseResult ParseArguments(const std::vector<std::wstring>& argv);

std::wstring UsageText();

}  // namespace cli
