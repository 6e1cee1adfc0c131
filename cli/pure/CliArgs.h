// The command line of TamselCli: commands, their options and the usage text.
// No windows.h: the parser is tested on its own.
#pragma once

#include <string>
#include <vector>

namespace cli {

inline constexpr int kExitClean = 0;     // no problem found
inline constexpr int kExitProblems = 1;  // problems found
inline constexpr int kExitError = 2;     // bad arguments, missing engine, failed or stopped run

enum class Command { Help, Scan, Categories, Fix, Backup, Backups, Restore, DeleteBackup, Ignored, Startup, Schedule };

// Options a command may accept (bit set).
enum Option : unsigned {
    kOptJson = 1u << 0,
    kOptCategory = 1u << 1,
    kOptSettings = 1u << 2,
    kOptQuiet = 1u << 3,
    kOptYes = 1u << 4,
    kOptWeekly = 1u << 5,
    kOptAt = 1u << 6,
    kOptListCategories = 1u << 7,
    kOptProgress = 1u << 8,
    kOptCompare = 1u << 9,
    kOptThreads = 1u << 10,
    kOptAll = 1u << 11,
};

// One row per command; a new command is one more row here and one handler
// in Commands.cpp.
struct CommandSpec {
    Command command;
    const wchar_t* name;
    unsigned options;
    const wchar_t* operands;  // shown in the usage text, e.g. L"NAME"
    int minOperands;
    int maxOperands;
    const wchar_t* summary;
};

const std::vector<CommandSpec>& CommandTable();

struct Arguments {
    Command command = Command::Help;
    bool json = false;
    bool quiet = false;
    bool progressJson = false;             // --progress=json: one JSON object a line on stderr
    bool listCategories = false;           // scan --list-categories: list, do not scan
    std::vector<std::wstring> categories;  // --category, in the order given
    std::wstring settingsFile;             // --settings, as given (not yet resolved)
    std::wstring compareFile;              // scan --compare, as given (not yet resolved)
    int threads = 0;                       // --threads N (1..64); 0 when not given
    bool yes = false;                      // --yes: fix really changes the registry
    std::wstring weekly;                   // --weekly, as given
    std::wstring at;                       // --at, as given
    std::vector<std::wstring> operands;    // the words after the command
    // Checked forms of the operands of startup and schedule.
    std::wstring action;                   // "", disable, enable, remove, disabled, add, delete, delete-task
    // What startup ACTION and schedule delete act on, as the listing shows
    // it: ROOT\key\value of a startup item, the text of a trigger. Never a
    // position: a new value shifts every later one.
    std::wstring item;
    bool all = false;                      // startup enable --all
    unsigned short weekDays = 0;           // TASK_SUNDAY.. bits of --weekly
    unsigned short hour = 0, minute = 0;   // --at
};

struct ParseResult {
    Arguments args;
    std::wstring error;  // one line, without the "TamselCli: " prefix; empty on success
    bool ok() const { return error.empty(); }
};

// argv without the program name.
ParseResult ParseArguments(const std::vector<std::wstring>& argv);

std::wstring UsageText();

// True when "--json" is one of the words, even on a command line that does
// not parse: its error is then a JSON document too.
bool WantsJson(const std::vector<std::wstring>& argv);
// "scan" for Command::Scan.
std::wstring CommandName(Command command);

// "0".."2147483647" without sign or spaces; -1 otherwise.
int ParseIndex(const std::wstring& text);
// "Mon,Wed" (three-letter English names, any case, comma separated, no
// repeats) as TASK_SUNDAY (1) .. TASK_SATURDAY (0x40) bits; 0 when invalid.
unsigned short ParseWeekDays(const std::wstring& text);
// The bits back as "Mon,Wed" (Sunday first, as the bits go).
std::wstring FormatWeekDays(unsigned short bits);
// "HH:MM", 24-hour clock; false when invalid.
bool ParseClock(const std::wstring& text, unsigned short& hour, unsigned short& minute);

}  // namespace cli
