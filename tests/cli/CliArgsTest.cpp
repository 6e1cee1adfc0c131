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
        {{L"categories", L"--json"}, L"option '--json' does not apply to 'categories'"},
        {{L"categories", L"--category", L"x"}, L"option '--category' does not apply to 'categories'"},
        {{L"help", L"--quiet"}, L"option '--quiet' does not apply to 'help'"},
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
    for (const wchar_t* o : {L"--json", L"--category", L"--settings", L"--quiet"})
        EXPECT_NE(usage.find(o), std::wstring::npos);
}

}  // namespace
