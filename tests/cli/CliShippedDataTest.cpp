// The console tool's backup, fix and restore with the data files exactly as
// shipped (a copy of the program folder, settings untouched). These judge and
// change the whole prefix, so they run alone.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "CliRun.h"
#include "engine/backup/RegistryFixture.h"
#include "support/TestEnv.h"

namespace {

using namespace clirun;

constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

// Keys of the shipped settings whose state the round trip must keep.
struct Snapshot {
    std::vector<std::wstring> run, appEvents, appPaths, fonts, classes;
    static Snapshot Take()
    {
        return {fixture::Dump(HKEY_CURRENT_USER, kRun, 0), fixture::Dump(HKEY_CURRENT_USER, L"AppEvents", 0),
                fixture::Dump(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths", 0),
                fixture::Dump(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\Fonts", 0),
                fixture::Dump(HKEY_LOCAL_MACHINE, L"Software\\Classes", 0)};
    }
    bool operator==(const Snapshot& o) const
    {
        return run == o.run && appEvents == o.appEvents && appPaths == o.appPaths && fonts == o.fonts &&
               classes == o.classes;
    }
};

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
    // Under Wine the restored class keys are not seen by another process
    // for a moment after the restore has ended (the load-and-copy restore
    // rewrites every key below Software\Classes); they must be exactly the
    // saved ones once they are.
    bool same = false;
    for (int attempt = 0; attempt < 30 && !same; ++attempt) {
        same = Snapshot::Take() == before;
        if (!same) Sleep(1000);
    }
    EXPECT_TRUE(same);
    EXPECT_EQ(dir.Read(L"scanSetting.xml"), settings);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRun, name.c_str());
}

}  // namespace
