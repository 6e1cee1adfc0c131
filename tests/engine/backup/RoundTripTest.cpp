// Partial backup, fix and restore against the real registry: the tree after
// the restore equals the tree before, in both registry views.
#include <gtest/gtest.h>

#include <algorithm>

#include "backup/BackupStore.h"
#include "backup/Restore.h"
#include "core/ComPtr.h"
#include "engine/backup/RegistryFixture.h"
#include "scan/FixRun.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

namespace {

struct ViewCase {
    const char* name;
    HKEY root;
    const wchar_t* parent;
    int view;
};

class RoundTrip : public ::testing::TestWithParam<ViewCase> {};

std::wstring OnlyBackupName()
{
    CRegEngine e;
    backup::ListBackups(e);
    return e.backups.GetCount() == 1 ? e.backups[0]->fileName : std::wstring();
}

TEST_P(RoundTrip, FixThenRestoreGivesBackTheSameTree)
{
    const ViewCase& c = GetParam();
    ScopedCoInit com;
    ReportRecorder reports;
    testenv::ScratchDir dir(L"roundtrip");
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey scratch(c.root, c.parent, L"rt", static_cast<REGSAM>(c.view));
    const REGSAM view = static_cast<REGSAM>(c.view);
    const std::wstring base = scratch.path();
    fixture::BuildTree(c.root, base + L"\\ClassA", view);
    fixture::BuildTree(c.root, base + L"\\ClassB", view);
    fixture::BuildTree(c.root, base + L"\\ClassC", view);
    const auto before = fixture::Dump(c.root, base, view);
    ASSERT_GT(before.size(), 20u);
    // The irregular values are there, with their bytes as written.
    for (const wchar_t* line : {L"\\ClassA|Unterminated|1|610062006300", L"\\ClassA|OddLength|1|610062",
                                L"\\ClassA|EmptyString|1|", L"\\ClassA|OwnType|74565|000102",
                                L"\\ClassA|MultiShort|7|6f006e0065000000740077006f00"})
        EXPECT_NE(std::find(before.begin(), before.end(), line), before.end()) << testenv::WideToUtf8(line);

    CRegEngine engine;
    XMLElement category;
    auto result = std::make_unique<RegScanCategory>();
    result->name = L"Application Paths";
    fixture::Record(engine, *result, category, c.root, base + L"\\ClassA", L"", c.view, 0, true);
    fixture::Record(engine, *result, category, c.root, base + L"\\ClassA", L"Qword", c.view, 0);
    fixture::Record(engine, *result, category, c.root, base + L"\\ClassB\\Sub\\Deeper", L"Leaf", c.view, 1);
    fixture::Record(engine, *result, category, c.root, base + L"\\ClassC\\Sub", L"", c.view, 2);
    engine.results.Add(std::move(result));

    engine.backupSource = &engine.results;
    ASSERT_EQ(backup::RunBackup(engine, 1), 1);
    scan::RunFix(engine);
    EXPECT_EQ(engine.fixedCount.load(), 4);
    EXPECT_EQ(engine.notFixedCount.load(), 0);
    const auto fixed = fixture::Dump(c.root, base, view);
    EXPECT_NE(fixed, before);
    EXPECT_FALSE(fixture::ValueExists(c.root, base + L"\\ClassA", nullptr, view));
    EXPECT_TRUE(fixture::ValueExists(c.root, base + L"\\ClassA", L"default value", view));
    EXPECT_FALSE(fixture::KeyExists(c.root, base + L"\\ClassB\\Sub\\Deeper", view));
    EXPECT_FALSE(fixture::KeyExists(c.root, base + L"\\ClassC\\Sub", view));
    EXPECT_TRUE(fixture::KeyExists(c.root, base + L"\\ClassC\\Sibling", view));

    // Changes made after the backup below a saved key are undone as well.
    fixture::SetValue(c.root, base + L"\\ClassA\\Extra", L"x", REG_SZ, L"y", 4, view);

    const std::wstring name = OnlyBackupName();
    ASSERT_FALSE(name.empty());
    EXPECT_EQ(backup::RunRestore(name), 1);
    EXPECT_EQ(fixture::Dump(c.root, base, view), before);
    EXPECT_TRUE(reports.Take().empty());
}

INSTANTIATE_TEST_SUITE_P(Views, RoundTrip,
                         ::testing::Values(ViewCase{"Hkcu64", HKEY_CURRENT_USER, L"Software", kView64},
                                           ViewCase{"Hklm64", HKEY_LOCAL_MACHINE, L"Software", kView64},
                                           ViewCase{"Hklm32", HKEY_LOCAL_MACHINE, L"Software", kView32}),
                         [](const ::testing::TestParamInfo<ViewCase>& i) { return std::string(i.param.name); });

// The 32-bit view fixture really is a different key from the 64-bit one, so
// the round trip above would fail if any step ignored the view.
TEST(RoundTripViews, ThirtyTwoBitFixtureIsInvisibleInTheSixtyFourBitView)
{
    testenv::ScratchKey scratch(HKEY_LOCAL_MACHINE, L"Software", L"view", KEY_WOW64_32KEY);
    fixture::BuildTree(HKEY_LOCAL_MACHINE, scratch.path(), KEY_WOW64_32KEY);
    EXPECT_TRUE(fixture::KeyExists(HKEY_LOCAL_MACHINE, scratch.path() + L"\\Sub", KEY_WOW64_32KEY));
    EXPECT_FALSE(fixture::KeyExists(HKEY_LOCAL_MACHINE, scratch.path(), KEY_WOW64_64KEY));
}

}  // namespace
