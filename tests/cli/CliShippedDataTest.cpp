// The console tool's backup, fix and restore with the data files exactly as
// shipped (a copy of the program folder, settings untouched). These judge and
// change the whole prefix, so they run alone.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "CliRun.h"
#include "engine/backup/RegistryFixture.h"
#include "support/TestEnv.h"

namespace {

using namespace clirun;

constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Keys of the shipped settings whose state the round trip must keep. The
// class root in both views: under Wine the 32-bit view's classes fall back
// to the 64-bit ones only while Software\Classes\Wow6432Node is the key the
// server made, so a restore that deleted and made it again showed 32-bit
// programs another class root.
struct Snapshot {
    std::vector<std::wstring> run, appEvents, appPaths, fonts, classes64, classes32;
    static Snapshot Take()
    {
        return {fixture::Dump(HKEY_CURRENT_USER, kRun, 0), fixture::Dump(HKEY_CURRENT_USER, L"AppEvents", 0),
                fixture::Dump(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", 0),
                fixture::Dump(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0),
                fixture::Dump(HKEY_LOCAL_MACHINE, L"Software\\Classes", KEY_WOW64_64KEY),
                fixture::Dump(HKEY_LOCAL_MACHINE, L"Software\\Classes", KEY_WOW64_32KEY)};
    }
};

// The first lines only one of two sorted dumps has; empty when they are equal.
std::string Differences(const char* what, const std::vector<std::wstring>& before,
                        const std::vector<std::wstring>& after)
{
    std::vector<std::wstring> gone, added;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(gone));
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    if (gone.empty() && added.empty()) return std::string();
    std::string text = std::string(what) + ": " + std::to_string(gone.size()) + " lines gone, " +
                       std::to_string(added.size()) + " added\n";
    for (size_t i = 0; i < gone.size() && i < 5; ++i) text += "  - " + testenv::WideToUtf8(gone[i].substr(0, 160)) + "\n";
    for (size_t i = 0; i < added.size() && i < 5; ++i) text += "  + " + testenv::WideToUtf8(added[i].substr(0, 160)) + "\n";
    return text;
}

std::string Differences(const Snapshot& before, const Snapshot& after)
{
    return Differences("Run", before.run, after.run) + Differences("AppEvents", before.appEvents, after.appEvents) +
           Differences("App Paths", before.appPaths, after.appPaths) + Differences("Fonts", before.fonts, after.fonts) +
           Differences("classes, 64-bit view", before.classes64, after.classes64) +
           Differences("classes, 32-bit view", before.classes32, after.classes32);
}

std::wstring NewBackupName(const std::string& out, const char* prefix)
{
    const size_t at = out.find(prefix);
    if (at == std::string::npos) return std::wstring();
    const size_t from = at + strlen(prefix);
    return testenv::Utf8ToWide(out.substr(from, out.find('\n', from) - from));
}

// The shipped Program Shortcuts entries name folders: the full backup leaves
// them out and says so in its index instead of failing, and restoring it
// gives back the keys as they were. A fix with the shipped settings backs up
// and removes a broken Run value, and restoring that backup brings it back.
TEST(ShippedData, FullBackupFixAndRestore)
{
    testenv::ScratchDir dir(L"shipped");
    ASSERT_TRUE(testenv::CopyDeliverables(dir.path()));
    const std::string settings = dir.Read(L"scanSetting.xml");
    ASSERT_NE(settings.find("%USERPROFILE%\\Desktop\\"), std::string::npos);
    auto cli = [&](const std::vector<std::wstring>& args) { return RunExe(dir.File(L"TamselCli.exe"), args); };

    const Snapshot before = Snapshot::Take();
    ASSERT_GT(before.classes64.size(), 1000u);
    ASSERT_GT(before.classes32.size(), 1000u);
    Outcome full = cli({L"backup"});
    ASSERT_EQ(full.exitCode, 0u) << full.out << full.err;
    EXPECT_EQ(full.err, "");
    const std::wstring fullName = NewBackupName(full.out, "full backup made: ");
    ASSERT_EQ(fullName.size(), 23u) << full.out;
    const std::string index = dir.Read(L"regback\\" + fullName);
    EXPECT_NE(index.find("<category name=\"Program Shortcuts\" saved=\"no\""), std::string::npos) << index;
    EXPECT_NE(index.find("<category name=\"Windows Startup Items\" saved=\"yes\""), std::string::npos) << index;
    EXPECT_EQ(index.find("%USERPROFILE%"), std::string::npos);

    // A broken Run value the shipped settings find.
    const std::wstring name = testenv::UniqueName(L"shippedgone");
    const std::wstring command = L"\"" + dir.File(name + L".exe") + L"\" /min";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kRun, name.c_str(), REG_SZ, command.c_str(),
                              static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    Sleep(1100);  // a new backup gets a new second
    Outcome fix = cli({L"fix", L"--quiet", L"--yes"});
    EXPECT_LE(fix.exitCode, 1u) << fix.out << fix.err;
    EXPECT_NE(fix.out.find("backed up and fixed "), std::string::npos) << fix.out << fix.err;
    EXPECT_FALSE(fixture::ValueExists(HKEY_CURRENT_USER, kRun, name.c_str(), 0));
    Outcome list = cli({L"backups"});
    const size_t partialEnd = list.out.find("-p.regbak");
    ASSERT_NE(partialEnd, std::string::npos) << list.out;
    const std::wstring partialName = testenv::Utf8ToWide(list.out.substr(partialEnd - 14, 23));
    Outcome partial = cli({L"restore", partialName});
    EXPECT_EQ(partial.exitCode, 0u) << partial.err;
    EXPECT_TRUE(fixture::ValueExists(HKEY_CURRENT_USER, kRun, name.c_str(), 0));

    // The full backup was taken before the value existed: its restore gives
    // back exactly that state, without the planted value.
    Outcome restore = cli({L"restore", fullName});
    EXPECT_EQ(restore.exitCode, 0u) << restore.out << restore.err;
    EXPECT_FALSE(fixture::ValueExists(HKEY_CURRENT_USER, kRun, name.c_str(), 0));
    // Exactly the saved keys, as soon as the restore has ended.
    const std::string differences = Differences(before, Snapshot::Take());
    EXPECT_EQ(differences, "");
    EXPECT_EQ(dir.Read(L"scanSetting.xml"), settings);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRun, name.c_str());
}

}  // namespace
