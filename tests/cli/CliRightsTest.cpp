// The console tool declares itself (its manifest, read back from the built
// binary) and refuses every command that changes the machine when it runs
// without administrator rights, before it touches anything.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "CliRun.h"
#include "TamselVersion.h"
#include "cli/pure/Rights.h"
#include "support/TestEnv.h"

namespace {

using namespace clirun;

cli::Arguments Parsed(const std::vector<std::wstring>& words)
{
    cli::ParseResult r = cli::ParseArguments(words);
    EXPECT_TRUE(r.ok()) << testenv::WideToUtf8(r.error);
    return r.args;
}

TEST(Rights, OnlyCommandsThatChangeTheMachineNeedAdministrator)
{
    struct Case {
        std::vector<std::wstring> words;
        bool needs;
    };
    const Case cases[] = {
        {{L"scan"}, false},
        {{L"categories"}, false},
        {{L"fix"}, false},
        {{L"fix", L"--yes"}, true},
        {{L"backup"}, true},
        {{L"backups"}, false},
        {{L"restore", L"20260101000000-f.regbak"}, true},
        {{L"delete-backup", L"20260101000000-f.regbak"}, true},
        {{L"ignored"}, false},
        {{L"startup"}, false},
        {{L"startup", L"disable", L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Tool"}, true},
        {{L"startup", L"enable", L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Tool"}, true},
        {{L"startup", L"enable", L"--all"}, true},
        {{L"startup", L"remove", L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run\\Tool"}, true},
        {{L"startup", L"disabled"}, false},
        {{L"schedule"}, false},
        {{L"schedule", L"add", L"--weekly", L"Mon", L"--at", L"03:00"}, true},
        {{L"schedule", L"delete", L"Every Mon at 03:00"}, true},
        {{L"--help"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testenv::WideToUtf8(c.words[0] + (c.words.size() > 1 ? L" " + c.words[1] : L"")));
        EXPECT_EQ(cli::NeedsAdministrator(Parsed(c.words)), c.needs);
    }
}

// "Not elevated" through the tool's seam: each changing command stops with
// exit 2 and the one line, and nothing is changed; reading commands work.
TEST(Rights, WithoutAdministratorRightsChangingCommandsStopFirst)
{
    testenv::ScratchDir dir(L"clirights");
    ASSERT_TRUE(testenv::CopyDeliverables(dir.path()));
    testenv::ScratchKey run(HKEY_CURRENT_USER, L"Software", L"clirights");
    run.SetString(L"", L"Gone", L"\"" + dir.File(testenv::UniqueName(L"gone") + L".exe") + L"\"");
    dir.Write(L"scanSetting.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanSetting>\n"
                                  "  <Startup flag=\"true\" category=\"Windows Startup Items\">\n"
                                  "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" +
                                      testenv::WideToUtf8(run.path()) + "\"/>\n  </Startup>\n</ScanSetting>\n");
    ASSERT_TRUE(SetEnvironmentVariableW(L"TAMSELCLI_NOT_ELEVATED", L"1"));
    auto cli = [&](const std::vector<std::wstring>& args) { return RunExe(dir.File(L"TamselCli.exe"), args); };
    const std::string refusal = "TamselCli: " + testenv::WideToUtf8(cli::kNeedsAdministrator) + "\n";
    const std::vector<std::vector<std::wstring>> changing = {
        {L"fix", L"--yes"},          {L"backup"},
        {L"restore", L"20260101000000-f.regbak"}, {L"delete-backup", L"20260101000000-f.regbak"},
        {L"startup", L"remove", L"HKEY_CURRENT_USER\\" + run.path() + L"\\Gone"}, {L"schedule", L"delete-task"}};
    for (const auto& args : changing) {
        SCOPED_TRACE(testenv::WideToUtf8(args[0]));
        Outcome o = cli(args);
        EXPECT_EQ(o.exitCode, 2u) << o.out << o.err;
        EXPECT_EQ(o.err, refusal);
        EXPECT_EQ(o.out, "");
    }
    Outcome json = cli({L"backup", L"--json"});
    EXPECT_EQ(ExpectErrorDocument(json, L"backup")["error"].text, cli::kNeedsAdministrator);

    Outcome dry = cli({L"fix", L"--quiet"});
    EXPECT_EQ(dry.exitCode, 0u) << dry.err;
    EXPECT_NE(dry.out.find("would fix 1 problem(s)"), std::string::npos) << dry.out;
    Outcome list = cli({L"backups"});
    EXPECT_EQ(list.exitCode, 0u) << list.err;
    EXPECT_EQ(list.out, "0 backup(s)\n");
    SetEnvironmentVariableW(L"TAMSELCLI_NOT_ELEVATED", nullptr);
    EXPECT_EQ(RegGetValueW(HKEY_CURRENT_USER, run.path().c_str(), L"Gone", RRF_RT_ANY, nullptr, nullptr, nullptr),
              ERROR_SUCCESS);
    // The same tool with rights (Wine runs it elevated) does the work.
    Outcome made = cli({L"backup"});
    EXPECT_EQ(made.exitCode, 0u) << made.err;
}

// The manifest as Windows reads it from the binary's resources.
TEST(Rights, TheManifestDeclaresInvokerSystemsAndLongPaths)
{
    HMODULE exe = LoadLibraryExW((testenv::BinDir() + L"\\TamselCli.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(exe, nullptr) << GetLastError();
    HRSRC found = FindResourceW(exe, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(exe, found)));
    ASSERT_NE(bytes, nullptr);
    const std::string manifest(bytes, SizeofResource(exe, found));
    FreeLibrary(exe);
    for (const char* part : {"<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>",
                             "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
                             "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
                             ">true</longPathAware>"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part << "\n" << manifest;
    EXPECT_NE(manifest.find(std::string("version=\"") + TAMSEL_VERSION_STR + "\""), std::string::npos) << manifest;
}

}  // namespace
