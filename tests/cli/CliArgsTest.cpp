#include <gtest/gtest.h>

#include "cli/pure/CliArgs.h"

using cli::Command;
using cli::ParseArguments;

namespace {

struct OkCase {
    std::vector<std::wstring> argv;
    Command command;
    bool json;
    bool quiet;
    std::vector<std::wstring> categories;
    std::wstring settings;
};

TEST(CliArgs, AcceptedCommandLines)
{
    const OkCase cases[] = {
        {{L"scan"}, Command::Scan, false, false, {}, L""},
        {{L"scan", L"--json"}, Command::Scan, true, false, {}, L""},
        {{L"--json", L"scan"}, Command::Scan, true, false, {}, L""},  // options before the command
        {{L"scan", L"--category", L"COM/ActiveX Entries", L"--category=Font Entries"},
         Command::Scan,
         false,
         false,
         {L"COM/ActiveX Entries", L"Font Entries"},
         L""},
        {{L"scan", L"--settings", L"x.xml", L"--quiet"}, Command::Scan, false, true, {}, L"x.xml"},
        {{L"scan", L"--settings=C:\\a=b.xml"}, Command::Scan, false, false, {}, L"C:\\a=b.xml"},
        {{L"scan", L"--category", L"--json"}, Command::Scan, false, false, {L"--json"}, L""},  // a value is a
                                                                                               // value
        {{L"categories"}, Command::Categories, false, false, {}, L""},
        {{L"categories", L"--settings", L"s.xml"}, Command::Categories, false, false, {}, L"s.xml"},
        {{L"help"}, Command::Help, false, false, {}, L""},
        {{L"--help"}, Command::Help, false, false, {}, L""},
        {{L"scan", L"--bogus", L"-h"}, Command::Help, false, false, {}, L""},  // help wins over errors after
                                                                               // it
        {{L"/?"}, Command::Help, false, false, {}, L""},
    };
    for (const OkCase& c : cases) {
        cli::ParseResult r = ParseArguments(c.argv);
        SCOPED_TRACE(c.argv.empty() ? std::string() : std::string(c.argv[0].begin(), c.argv[0].end()));
        ASSERT_TRUE(r.ok()) << std::string(r.error.begin(), r.error.end());
        EXPECT_EQ(r.args.command, c.command);
        EXPECT_EQ(r.args.json, c.json);
        EXPECT_EQ(r.args.quiet, c.quiet);
        EXPECT_EQ(r.args.categories, c.categories);
        EXPECT_EQ(r.args.settingsFile, c.settings);
    }
}

// Every command but help can answer with one JSON document; a command line
// that does not parse still asks for one when "--json" is among its words.
TEST(CliArgs, JsonForEveryCommand)
{
    for (const cli::CommandSpec& c : cli::CommandTable()) {
        if (c.command == Command::Help) continue;
        std::vector<std::wstring> argv = {c.name, L"--json"};
        for (int i = 0; i < c.minOperands; ++i) argv.push_back(L"x");
        cli::ParseResult r = ParseArguments(argv);
        EXPECT_TRUE(r.ok()) << std::string(r.error.begin(), r.error.end());
        EXPECT_TRUE(r.args.json);
        EXPECT_EQ(cli::CommandName(c.command), c.name);
    }
    EXPECT_TRUE(cli::WantsJson({L"frob", L"--json"}));
    EXPECT_FALSE(cli::WantsJson({L"scan", L"--json=1"}));
    EXPECT_FALSE(cli::WantsJson({L"scan"}));
}

TEST(CliArgs, RejectedCommandLinesGiveOneLine)
{
    const struct {
        std::vector<std::wstring> argv;
        std::wstring error;
    } cases[] = {
        {{}, L"no command given (see TamselCli --help)"},
        {{L"--json"}, L"no command given (see TamselCli --help)"},
        {{L"clean"}, L"unknown command 'clean' (see TamselCli --help)"},
        {{L"scan", L"--bogus"}, L"unknown option '--bogus' (see TamselCli --help)"},
        {{L"scan", L"--bogus=1"}, L"unknown option '--bogus' (see TamselCli --help)"},
        {{L"scan", L"--category"}, L"option '--category' needs a value"},
        {{L"scan", L"--category="}, L"option '--category' needs a non-empty value"},
        {{L"scan", L"--category", L""}, L"option '--category' needs a non-empty value"},
        {{L"scan", L"--json=yes"}, L"option '--json' takes no value"},
        {{L"scan", L"--settings", L"a", L"--settings", L"b"}, L"option '--settings' given twice"},
        {{L"scan", L"extra"}, L"unexpected argument 'extra'"},
        {{L"scan", L"categories"}, L"unexpected argument 'categories'"},
        {{L"help", L"--json"}, L"option '--json' does not apply to 'help'"},
        {{L"categories", L"--category", L"x"}, L"option '--category' does not apply to 'categories'"},
        {{L"help", L"--quiet"}, L"option '--quiet' does not apply to 'help'"},
        {{L"scan", L"--progress=xml"}, L"option '--progress' takes json or text"},
        {{L"backup", L"--progress=json"}, L"option '--progress' does not apply to 'backup'"},
        {{L"scan", L"--threads", L"0"}, L"option '--threads' takes a number from 1 to 64"},
        {{L"scan", L"--threads=65"}, L"option '--threads' takes a number from 1 to 64"},
        {{L"scan", L"--threads=-2"}, L"option '--threads' takes a number from 1 to 64"},
        {{L"fix", L"--threads", L"two"}, L"option '--threads' takes a number from 1 to 64"},
        {{L"categories", L"--threads=2"}, L"option '--threads' does not apply to 'categories'"},
    };
    for (const auto& c : cases) {
        cli::ParseResult r = ParseArguments(c.argv);
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(r.error, c.error);
        EXPECT_EQ(r.error.find(L'\n'), std::wstring::npos);
    }
}

TEST(CliArgs, UsageNamesEveryCommandAndOption)
{
    std::wstring usage = cli::UsageText();
    for (const cli::CommandSpec& c : cli::CommandTable())
        EXPECT_NE(usage.find(L"  " + std::wstring(c.name) + L" "), std::wstring::npos);
    for (const wchar_t* o :
         {L"--json", L"--category", L"--settings", L"--quiet", L"--yes", L"--weekly", L"--at", L"--progress",
          L"--threads"})
        EXPECT_NE(usage.find(o), std::wstring::npos);
    for (const std::vector<std::wstring>& argv :
         {std::vector<std::wstring>{L"scan", L"--progress=json"}, {L"fix", L"--progress", L"json"}})
        EXPECT_TRUE(cli::ParseArguments(argv).args.progressJson);
    EXPECT_FALSE(cli::ParseArguments({L"scan", L"--progress=text"}).args.progressJson);
    // The thread cap: 1 (the one-thread scan) to 64; not given is 0, the engine's choice.
    EXPECT_EQ(cli::ParseArguments({L"scan", L"--threads", L"1"}).args.threads, 1);
    EXPECT_EQ(cli::ParseArguments({L"fix", L"--threads=64"}).args.threads, 64);
    EXPECT_EQ(cli::ParseArguments({L"scan"}).args.threads, 0);
}

TEST(CliArgs, CommandsWithOperands)
{
    const struct {
        std::vector<std::wstring> argv;
        Command command;
        std::vector<std::wstring> operands;
        std::wstring action;
        std::wstring item;
        bool all;
        bool yes;
    } cases[] = {
        {{L"fix"}, Command::Fix, {}, L"", L"", false, false},
        {{L"fix", L"--yes", L"--category", L"COM/ActiveX Entries", L"--quiet"}, Command::Fix, {}, L"", L"", false, true},
        {{L"backup"}, Command::Backup, {}, L"", L"", false, false},
        {{L"backups"}, Command::Backups, {}, L"", L"", false, false},
        {{L"restore", L"20261209072400-f"}, Command::Restore, {L"20261209072400-f"}, L"", L"", false, false},
        {{L"delete-backup", L"x y"}, Command::DeleteBackup, {L"x y"}, L"", L"", false, false},
        {{L"ignored"}, Command::Ignored, {}, L"", L"", false, false},
        {{L"startup"}, Command::Startup, {}, L"", L"", false, false},
        {{L"startup", L"disable", L"HKEY_CURRENT_USER\\Run\\x"}, Command::Startup,
         {L"disable", L"HKEY_CURRENT_USER\\Run\\x"}, L"disable", L"HKEY_CURRENT_USER\\Run\\x", false, false},
        {{L"startup", L"remove", L"x 1"}, Command::Startup, {L"remove", L"x 1"}, L"remove", L"x 1", false, false},
        {{L"startup", L"enable", L"--all"}, Command::Startup, {L"enable"}, L"enable", L"", true, false},
        {{L"startup", L"--json", L"disabled"}, Command::Startup, {L"disabled"}, L"disabled", L"", false, false},
        {{L"schedule"}, Command::Schedule, {}, L"", L"", false, false},
        {{L"schedule", L"delete", L"weekly Mon at 01:00 from 2026-12-10"}, Command::Schedule,
         {L"delete", L"weekly Mon at 01:00 from 2026-12-10"}, L"delete", L"weekly Mon at 01:00 from 2026-12-10", false,
         false},
        {{L"schedule", L"add", L"--weekly", L"Mon", L"--at", L"0:05"}, Command::Schedule, {L"add"}, L"add", L"",
         false, false},
    };
    for (const auto& c : cases) {
        cli::ParseResult r = ParseArguments(c.argv);
        SCOPED_TRACE(std::string(c.argv[0].begin(), c.argv[0].end()));
        ASSERT_TRUE(r.ok()) << std::string(r.error.begin(), r.error.end());
        EXPECT_EQ(r.args.command, c.command);
        EXPECT_EQ(r.args.operands, c.operands);
        EXPECT_EQ(r.args.action, c.action);
        EXPECT_EQ(r.args.item, c.item);
        EXPECT_EQ(r.args.all, c.all);
        EXPECT_EQ(r.args.yes, c.yes);
    }
    cli::ParseResult add = ParseArguments({L"schedule", L"add", L"--weekly=Sat,mon,WED", L"--at", L"23:59"});
    ASSERT_TRUE(add.ok());
    EXPECT_EQ(add.args.weekDays, 0x40 | 0x2 | 0x8);
    EXPECT_EQ(add.args.hour, 23);
    EXPECT_EQ(add.args.minute, 59);
}

TEST(CliArgs, RejectedOperandsGiveOneLine)
{
    const struct {
        std::vector<std::wstring> argv;
        std::wstring error;
    } cases[] = {
        {{L"restore"}, L"'restore' needs NAME"},
        {{L"delete-backup"}, L"'delete-backup' needs NAME"},
        {{L"restore", L"a", L"b"}, L"unexpected argument 'b'"},
        {{L"backups", L"x"}, L"unexpected argument 'x'"},
        {{L"backup", L"--yes"}, L"option '--yes' does not apply to 'backup'"},
        {{L"scan", L"--yes"}, L"option '--yes' does not apply to 'scan'"},
        {{L"backups", L"--quiet"}, L"option '--quiet' does not apply to 'backups'"},
        {{L"startup", L"pause", L"1"}, L"unknown startup action 'pause' (disable, enable, remove or disabled)"},
        {{L"startup", L"disable"}, L"startup disable needs the item as listed (ROOT\\key\\value)"},
        {{L"startup", L"remove", L"-1"}, L"unknown option '-1' (see TamselCli --help)"},
        // A position from an earlier listing is refused: one new value shifts every later one.
        {{L"startup", L"enable", L"0"}, L"'0' is a position; name the item as 'startup' lists it (ROOT\\key\\value)"},
        {{L"startup", L"disable", L"12"},
         L"'12' is a position; name the item as 'startup' lists it (ROOT\\key\\value)"},
        {{L"startup", L"enable", L"1", L"2"}, L"unexpected argument '2'"},
        {{L"startup", L"enable", L"--all", L"x"}, L"unexpected argument 'x'"},
        {{L"startup", L"disable", L"--all"}, L"option '--all' only applies to 'startup enable'"},
        {{L"startup", L"--all"}, L"option '--all' only applies to 'startup enable'"},
        {{L"startup", L"disabled", L"x"}, L"unexpected argument 'x'"},
        {{L"schedule", L"--all"}, L"option '--all' does not apply to 'schedule'"},
        {{L"schedule", L"--weekly", L"Mon"}, L"options '--weekly' and '--at' only apply to 'schedule add'"},
        {{L"schedule", L"delete", L"0", L"--at", L"1:00"},
         L"options '--weekly' and '--at' only apply to 'schedule add'"},
        {{L"schedule", L"add"}, L"schedule add needs --weekly DAYS and --at HH:MM"},
        {{L"schedule", L"add", L"--weekly", L"Mon"}, L"schedule add needs --weekly DAYS and --at HH:MM"},
        {{L"schedule", L"add", L"x", L"--weekly", L"Mon", L"--at", L"1:00"}, L"unexpected argument 'x'"},
        {{L"schedule", L"add", L"--weekly", L"Mon,Mon", L"--at", L"1:00"},
         L"'Mon,Mon' is not a list of days like Mon,Wed"},
        {{L"schedule", L"add", L"--weekly", L"Monday", L"--at", L"1:00"},
         L"'Monday' is not a list of days like Mon,Wed"},
        {{L"schedule", L"add", L"--weekly", L"Mon,", L"--at", L"1:00"}, L"'Mon,' is not a list of days like Mon,Wed"},
        {{L"schedule", L"add", L"--weekly", L"Mon", L"--at", L"24:00"}, L"'24:00' is not a time like 18:30"},
        {{L"schedule", L"add", L"--weekly", L"Mon", L"--at", L"7:5"}, L"'7:5' is not a time like 18:30"},
        {{L"schedule", L"add", L"--weekly", L"Mon", L"--at", L"12:60"}, L"'12:60' is not a time like 18:30"},
        {{L"schedule", L"add", L"--weekly", L"Mon", L"--at", L"123:00"}, L"'123:00' is not a time like 18:30"},
        {{L"schedule", L"delete"}, L"schedule delete needs the trigger as listed"},
        {{L"schedule", L"delete", L"3"}, L"'3' is a position; name the trigger as 'schedule' lists it"},
        {{L"schedule", L"edit", L"1"}, L"unknown schedule action 'edit' (add, delete or delete-task)"},
        {{L"schedule", L"delete-task", L"1"}, L"unexpected argument '1'"},
    };
    for (const auto& c : cases) {
        cli::ParseResult r = ParseArguments(c.argv);
        EXPECT_FALSE(r.ok());
        EXPECT_EQ(r.error, c.error);
    }
}

TEST(CliArgs, WeekDaysRoundTrip)
{
    EXPECT_EQ(cli::FormatWeekDays(cli::ParseWeekDays(L"sat,Sun,fri")), L"Sun,Fri,Sat");
    EXPECT_EQ(cli::FormatWeekDays(0x7F), L"Sun,Mon,Tue,Wed,Thu,Fri,Sat");
    EXPECT_EQ(cli::ParseWeekDays(L""), 0);
    EXPECT_EQ(cli::ParseWeekDays(L"Mon;Tue"), 0);
}

}  // namespace
