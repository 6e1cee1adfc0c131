// What each fix removes, measured in the real registry in the view the fix
// acts in, and the guard that refuses containers, big trees and keys that
// changed after the scan.
#include <gtest/gtest.h>

#include "core/EngineState.h"
#include "engine/backup/RegistryFixture.h"
#include "pure/FixGuard.h"
#include "scan/FixExtentMeasure.h"
#include "scan/FixRun.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

namespace {

using fixture::KeyExists;

struct Problems {
    CRegEngine engine;
    XMLElement category;
    RegScanCategory* result = nullptr;
    Problems()
    {
        auto r = std::make_unique<RegScanCategory>();
        r->name = L"Application Paths";
        result = engine.results.Add(std::move(r));
    }
    RegEntryProb& Add(HKEY root, const std::wstring& path, const std::wstring& value, int view, int action)
    {
        fixture::Record(engine, *result, category, root, path, value, view, action);
        return *result->problems[result->problems.GetCount() - 1];
    }
};

// The scratch key removes itself in its own view only.
void DeleteInView(const std::wstring& softwarePath, REGSAM view)
{
    HKEY software = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"Software", 0, KEY_ALL_ACCESS | view, &software) != ERROR_SUCCESS) return;
    RegDeleteTreeW(software, softwarePath.substr(softwarePath.find(L'\\') + 1).c_str());
    RegCloseKey(software);
}

// Each action's extent, measured when the problem is recorded, in both views: the same path holds a different
// tree in the other view, which must not be what is counted.
TEST(FixExtent, EveryActionInBothViews)
{
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
        const REGSAM other = view == KEY_WOW64_64KEY ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
        testenv::ScratchKey key(HKEY_LOCAL_MACHINE, L"Software", L"extent", view);
        key.SetString(L"leaf", L"a", L"1");
        key.SetString(L"leaf", L"b", L"2");
        key.SetString(L"leaf", L"c", L"three");
        key.SetString(L"tree\\x", L"v", L"1");
        key.SetString(L"tree\\x\\y", L"v", L"1");
        key.SetString(L"tree", L"v", L"1");
        // The other view: more below the same names.
        fixture::SetValue(HKEY_LOCAL_MACHINE, key.path() + L"\\tree\\z\\w", L"v", REG_SZ, L"x", 4, other);
        fixture::SetValue(HKEY_LOCAL_MACHINE, key.path() + L"\\leaf", L"d", REG_SZ, L"x", 4, other);

        Problems c;
        const int v = static_cast<int>(view);
        RegEntryProb& value = c.Add(HKEY_LOCAL_MACHINE, key.path() + L"\\leaf", L"c", v, 0);
        RegEntryProb& leaf = c.Add(HKEY_LOCAL_MACHINE, key.path() + L"\\leaf", L"a", v, 1);
        RegEntryProb& tree = c.Add(HKEY_LOCAL_MACHINE, key.path() + L"\\tree", L"v", v, 2);
        RegEntryProb& gone = c.Add(HKEY_LOCAL_MACHINE, key.path() + L"\\gone", L"v", v, 2);
        SCOPED_TRACE(view == KEY_WOW64_64KEY ? "64-bit view" : "32-bit view");
        EXPECT_EQ(value.extent.kind, FixExtent::kValue);
        EXPECT_EQ(value.extent.valueType, static_cast<unsigned>(REG_SZ));
        EXPECT_EQ(value.extent.valueSize, 12u);  // "three" and its terminator
        EXPECT_EQ(DescribeFixExtent(leaf.extent), L"key, 3 values");
        EXPECT_EQ(DescribeFixExtent(tree.extent), L"tree: 3 keys, 3 values");
        EXPECT_EQ(gone.extent.kind, FixExtent::kUnknown);
        for (const RegEntryProb* p : {&value, &leaf, &tree, &gone}) EXPECT_EQ(p->refusal, L"");
        DeleteInView(key.path(), other);
    }
}

TEST(FixExtent, ATreePastTheBoundIsCountedNoFurther)
{
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"bound");
    key.CreateKey(L"big");
    HKEY big = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (key.path() + L"\\big").c_str(), 0, KEY_SET_VALUE, &big),
              ERROR_SUCCESS);
    const DWORD one = 1;
    for (unsigned i = 0; i <= kExtentCountBound; ++i)
        RegSetValueExW(big, (L"v" + std::to_wstring(i)).c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                       sizeof one);
    RegCloseKey(big);
    Problems c;
    RegEntryProb& tree = c.Add(HKEY_CURRENT_USER, key.path() + L"\\big", L"v0", kView64, 2);
    EXPECT_EQ(tree.extent.more, 1);
    EXPECT_EQ(DescribeFixExtent(tree.extent), L"tree: more than 10000 keys and values");
    EXPECT_EQ(tree.refusal.rfind(L"refused: the key tree (more than 10000 keys and values)", 0), 0u);
}

// A broken entry inside a container: the entry goes, the container stays
// even when it is left empty; the container itself is never removed, and a
// refused problem checked anyway counts as not fixed.
TEST(FixGuard, AContainerStaysWhenItsLastEntryIsFixed)
{
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"guard");
    const std::wstring appPaths = key.path() + L"\\Microsoft\\Windows\\CurrentVersion\\App Paths";
    fixture::SetValue(HKEY_CURRENT_USER, appPaths + L"\\tool.exe", L"", REG_SZ, L"C:\\gone\\tool.exe", 34,
                      KEY_WOW64_64KEY);
    Problems c;
    RegEntryProb& entry = c.Add(HKEY_CURRENT_USER, appPaths + L"\\tool.exe", L"", kView64, 2);
    RegEntryProb& whole = c.Add(HKEY_CURRENT_USER, appPaths, L"", kView64, 1);
    EXPECT_EQ(entry.refusal, L"");
    EXPECT_EQ(whole.refusal.rfind(L"refused: it would remove the container key HKEY_CURRENT_USER\\", 0), 0u);
    EXPECT_EQ(whole.selected, 0);
    EXPECT_EQ(c.engine.checkedCount.load(), 1);
    whole.selected = 1;  // checked anyway
    scan::RunFix(c.engine);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, appPaths + L"\\tool.exe", KEY_WOW64_64KEY));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, appPaths, KEY_WOW64_64KEY));
    EXPECT_EQ(c.engine.fixedCount.load(), 1);
    EXPECT_EQ(c.engine.notFixedCount.load(), 1);
    EXPECT_EQ(whole.fixOk, 0);
}

TEST(FixGuard, ABigTreeAndATreeThatGrewAfterTheScanAreRefused)
{
    ReportRecorder reports;
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"trees");
    for (int i = 0; i < 300; ++i) key.CreateKey(L"big\\k" + std::to_wstring(i));
    key.SetString(L"grows\\a", L"v", L"1");
    Problems c;
    RegEntryProb& big = c.Add(HKEY_CURRENT_USER, key.path() + L"\\big", L"v", kView64, 2);
    RegEntryProb& grows = c.Add(HKEY_CURRENT_USER, key.path() + L"\\grows", L"v", kView64, 2);
    EXPECT_EQ(big.refusal,
              L"refused: the key tree (301 keys, 0 values) is larger than the limit of 200 keys or 1000 values");
    EXPECT_EQ(big.selected, 0);
    EXPECT_EQ(DescribeFixExtent(grows.extent), L"tree: 2 keys, 1 value");
    EXPECT_EQ(grows.refusal, L"");
    // A higher limit from the settings lets the big tree pass.
    pure::GuardLimits wide;
    wide.maxTreeKeys = 400;
    EXPECT_EQ(pure::FixRefusal(2, L"HKEY_CURRENT_USER", key.path() + L"\\big", big.extent, wide), L"");

    key.SetString(L"grows\\b", L"new", L"1");  // after the scan
    scan::RunFix(c.engine);
    EXPECT_EQ(grows.refusal, pure::ChangedSinceScanRefusal());
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.path() + L"\\grows\\a", KEY_WOW64_64KEY));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.path() + L"\\big\\k0", KEY_WOW64_64KEY));
    EXPECT_EQ(c.engine.fixedCount.load(), 0);
    EXPECT_EQ(c.engine.notFixedCount.load(), 1);  // the big tree was not checked
}

}  // namespace
