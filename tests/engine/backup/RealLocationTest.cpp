// Class-root problems are backed up, fixed and restored in the real key they
// are in. On Windows a key read through HKEY_CLASSES_ROOT may be the user's
// class key or the machine's; Wine's class root is the machine's alone, so
// the merged view's answer is fed to the engine here, for a fixture that has
// both keys.
#include <gtest/gtest.h>

#include "backup/BackupStore.h"
#include "backup/Restore.h"
#include "core/ComPtr.h"
#include "core/KeyNames.h"
#include "engine/backup/RegistryFixture.h"
#include "scan/FixRun.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

namespace {

std::wstring g_ext;  // the fixture's class key below the class root

// As Windows answers: the extension's key is the user's, its "Sub" key the
// machine's (a per-user key shadows only what it holds).
std::wstring MergedClassRoot(HKEY root, const std::wstring& path, REGSAM view)
{
    if (root != HKEY_CLASSES_ROOT) return regkey::SystemKeyName(root, path, view);
    if (path == g_ext) return L"\\REGISTRY\\USER\\" + regkey::CurrentUserSid() + L"_Classes\\" + path;
    if (path == g_ext + L"\\Sub") return L"\\REGISTRY\\MACHINE\\SOFTWARE\\Classes\\" + path;
    return regkey::SystemKeyName(root, path, view);
}

class MergedView {
public:
    MergedView() { regkey::SetSystemNameSourceForTests(&MergedClassRoot); }
    ~MergedView() { regkey::SetSystemNameSourceForTests(nullptr); }
};

}  // namespace

TEST(RealLocation, AUserClassKeyIsSavedFixedAndRestoredAsTheUsersOnly)
{
    ASSERT_FALSE(regkey::CurrentUserSid().empty());
    ScopedCoInit com;
    ReportRecorder reports;
    testenv::ScratchDir dir(L"realloc");
    ASSERT_TRUE(fixture::CopyTemplate());
    g_ext = L"." + testenv::UniqueName(L"ext");
    const std::wstring userKey = L"Software\\Classes\\" + g_ext;
    const std::wstring machineKey = L"Software\\Classes\\" + g_ext;
    const wchar_t user[] = L"user", machine[] = L"machine";
    fixture::SetValue(HKEY_CURRENT_USER, userKey, L"Stale", REG_SZ, user, sizeof user, KEY_WOW64_64KEY);
    fixture::SetValue(HKEY_LOCAL_MACHINE, machineKey, L"Stale", REG_SZ, machine, sizeof machine, KEY_WOW64_64KEY);
    fixture::SetValue(HKEY_LOCAL_MACHINE, machineKey + L"\\Sub", L"Old", REG_SZ, machine, sizeof machine,
                      KEY_WOW64_64KEY);
    const auto userBefore = fixture::Dump(HKEY_CURRENT_USER, userKey, KEY_WOW64_64KEY);
    const auto machineBefore = fixture::Dump(HKEY_LOCAL_MACHINE, machineKey, KEY_WOW64_64KEY);

    CRegEngine engine;
    XMLElement category;
    auto result = std::make_unique<RegScanCategory>();
    result->name = L"File Extensions";
    {
        MergedView merged;
        fixture::Record(engine, *result, category, HKEY_CLASSES_ROOT, g_ext, L"Stale", kView64, 0);
        fixture::Record(engine, *result, category, HKEY_CLASSES_ROOT, g_ext + L"\\Sub", L"Old", kView64, 0);
    }
    const RegEntryProb& inUser = *result->problems[0];
    EXPECT_EQ(inUser.realRootName, L"HKEY_CURRENT_USER");
    EXPECT_EQ(inUser.realKeyPath, userKey);
    EXPECT_EQ(inUser.rootName, L"HKEY_CLASSES_ROOT");  // shown as found
    EXPECT_EQ(inUser.keyPath, g_ext);
    const RegEntryProb& inMachine = *result->problems[1];
    EXPECT_EQ(inMachine.realRootName, L"HKEY_LOCAL_MACHINE");
    engine.results.Add(std::move(result));

    // Both real keys are saved: the user's key does not cover the machine's
    // "Sub", whose class-root path lies below it.
    engine.backupSource = &engine.results;
    ASSERT_EQ(backup::RunBackup(engine, 1), 1);
    const std::vector<std::wstring> saved = {L"HKEY_CURRENT_USER\\" + userKey,
                                             L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\" + g_ext + L"\\Sub"};
    EXPECT_EQ(engine.savedKeys, saved);

    scan::RunFix(engine);
    EXPECT_EQ(engine.fixedCount.load(), 2);
    EXPECT_FALSE(fixture::ValueExists(HKEY_CURRENT_USER, userKey, L"Stale", KEY_WOW64_64KEY));
    EXPECT_TRUE(fixture::ValueExists(HKEY_LOCAL_MACHINE, machineKey, L"Stale", KEY_WOW64_64KEY));  // not the user's
    EXPECT_FALSE(fixture::ValueExists(HKEY_LOCAL_MACHINE, machineKey + L"\\Sub", L"Old", KEY_WOW64_64KEY));

    CRegEngine lister;
    backup::ListBackups(lister);
    ASSERT_EQ(lister.backups.GetCount(), 1);
    EXPECT_EQ(backup::RunRestore(lister.backups[0]->fileName), 1);
    EXPECT_EQ(fixture::Dump(HKEY_CURRENT_USER, userKey, KEY_WOW64_64KEY), userBefore);
    EXPECT_EQ(fixture::Dump(HKEY_LOCAL_MACHINE, machineKey, KEY_WOW64_64KEY), machineBefore);
    EXPECT_TRUE(reports.Take().empty());

    RegDeleteTreeW(HKEY_CURRENT_USER, userKey.c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, userKey.c_str());
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, machineKey.c_str());
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, machineKey.c_str());
}
