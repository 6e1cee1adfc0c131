// The fix run against the real registry and file system.
#include <gtest/gtest.h>

#include <fstream>

#include "core/Callbacks.h"
#include "core/EngineState.h"
#include "core/Slots.h"
#include "engine/backup/RegistryFixture.h"
#include "scan/FixRun.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

namespace {

using fixture::KeyExists;
using fixture::ValueExists;

struct FixCase {
    CRegEngine engine;
    XMLElement category;
    RegScanCategory* result = nullptr;
    explicit FixCase(const wchar_t* name = L"Application Paths")
    {
        auto r = std::make_unique<RegScanCategory>();
        r->name = name;
        result = engine.results.Add(std::move(r));
    }
    RegEntryProb& Add(HKEY root, const std::wstring& path, const std::wstring& value, int view, int action,
                      bool isDefault = false)
    {
        fixture::Record(engine, *result, category, root, path, value, view, action, isDefault);
        return *result->problems[result->problems.GetCount() - 1];
    }
};

// Fix action 0 on the unnamed value, and on a real value that is named like
// the label of the unnamed one.
TEST(FixRun, DefaultValueAndAValueNamedDefaultValueAreDifferent)
{
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"dv");
    key.SetString(L"A", L"", L"unnamed");
    key.SetString(L"A", L"default value", L"named");
    key.SetString(L"B", L"", L"unnamed");
    key.SetString(L"B", L"default value", L"named");
    FixCase c;
    c.Add(HKEY_CURRENT_USER, key.path() + L"\\A", L"", kView64, 0, true);
    c.Add(HKEY_CURRENT_USER, key.path() + L"\\B", L"default value", kView64, 0, false);
    c.result->problems[1]->valueName = L"DEFAULT VALUE";  // the label in another case
    c.result->problems[1]->valueName = L"default value";
    scan::RunFix(c.engine);
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, key.path() + L"\\A", nullptr, 0));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, key.path() + L"\\A", L"default value", 0));
    EXPECT_TRUE(ValueExists(HKEY_CURRENT_USER, key.path() + L"\\B", nullptr, 0));
    EXPECT_FALSE(ValueExists(HKEY_CURRENT_USER, key.path() + L"\\B", L"default value", 0));
    EXPECT_EQ(c.engine.fixedCount.load(), 2);
}

// A 32-bit view find on 64-bit Windows has "Wow6432Node" in its display
// path; the fix must use the examined path and view, and a "not found" on
// a path nobody examined must not count as fixed.
TEST(FixRun, ViewsAndExaminedPaths)
{
    testenv::ScratchKey k32(HKEY_LOCAL_MACHINE, L"Software", L"v32", KEY_WOW64_32KEY);
    testenv::ScratchKey k64(HKEY_LOCAL_MACHINE, L"Software", L"v64", KEY_WOW64_64KEY);
    k32.SetString(L"", L"v", L"x");
    k64.SetString(L"", L"v", L"x");
    // The same path in the other view stays untouched.
    fixture::SetValue(HKEY_LOCAL_MACHINE, k32.path(), L"v", REG_SZ, L"other", 12, KEY_WOW64_64KEY);
    FixCase c;
    RegEntryProb& p32 = c.Add(HKEY_LOCAL_MACHINE, k32.path(), L"v", kView32, 0);
    c.Add(HKEY_LOCAL_MACHINE, k64.path(), L"v", kView64, 0);
    EXPECT_NE(p32.keyPath, p32.scannedKeyPath);
    EXPECT_NE(p32.keyPath.find(L"Wow6432Node"), std::wstring::npos);
    RegEntryProb& noPath = c.Add(HKEY_LOCAL_MACHINE, k64.path() + L"\\Gone", L"v", kView64, 0);
    noPath.scannedKeyPath.clear();
    RegEntryProb& tooLong = c.Add(HKEY_LOCAL_MACHINE, k64.path() + L"\\" + std::wstring(300, L'x'), L"v", kView64, 0);
    RegEntryProb& badRoot = c.Add(HKEY_LOCAL_MACHINE, k64.path() + L"\\Gone", L"v", kView64, 0);
    badRoot.rootName = L"hkey_local_machine";
    scan::RunFix(c.engine);
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, k32.path(), L"v", KEY_WOW64_32KEY));
    EXPECT_FALSE(ValueExists(HKEY_LOCAL_MACHINE, k64.path(), L"v", KEY_WOW64_64KEY));
    EXPECT_TRUE(ValueExists(HKEY_LOCAL_MACHINE, k32.path(), L"v", KEY_WOW64_64KEY));
    EXPECT_EQ(c.engine.fixedCount.load(), 2);
    EXPECT_EQ(c.engine.notFixedCount.load(), 3);
    EXPECT_EQ(noPath.fixOk, 0);
    EXPECT_EQ(tooLong.fixOk, 0);
    EXPECT_EQ(badRoot.fixOk, 0);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, k32.path().c_str(), KEY_WOW64_64KEY, 0);
}

TEST(FixRun, KeyActions)
{
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"keys");
    key.SetString(L"Leaf", L"v", L"1");
    key.SetString(L"Busy\\Child", L"v", L"1");
    // A broken win32 type library next to a working win64 one.
    key.SetString(L"TypeLib\\1.0\\0\\win32", L"", L"C:\\gone.tlb");
    key.SetString(L"TypeLib\\1.0\\0\\win64", L"", L"C:\\Windows\\ok.tlb");
    // A key whose parent holds nothing else goes with its parent.
    key.SetString(L"Lonely\\Only\\Deep", L"v", L"1");
    FixCase c;
    c.Add(HKEY_CURRENT_USER, key.path() + L"\\Leaf", L"v", kView64, 1);
    RegEntryProb& busy = c.Add(HKEY_CURRENT_USER, key.path() + L"\\Busy", L"v", kView64, 1);
    c.Add(HKEY_CURRENT_USER, key.path() + L"\\TypeLib\\1.0\\0\\win32", L"", kView64, 2);
    c.Add(HKEY_CURRENT_USER, key.path() + L"\\Lonely\\Only", L"v", kView64, 2);
    c.Add(HKEY_CURRENT_USER, key.path() + L"\\NotThere\\X", L"v", kView64, 2);
    RegEntryProb& goneLeaf = c.Add(HKEY_CURRENT_USER, key.path() + L"\\NoSuchLeaf", L"v", kView64, 1);
    c.Add(HKEY_CURRENT_USER, key.path() + L"\\NoSuchParent\\Leaf", L"v", kView64, 1);
    c.Add(HKEY_CURRENT_USER, key.path() + L"\\Leaf", L"v", kView64, 7);  // unknown action: not counted
    scan::RunFix(c.engine);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key.path() + L"\\Leaf", 0));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.path() + L"\\Busy\\Child", 0));
    EXPECT_EQ(busy.fixOk, 0);
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key.path() + L"\\TypeLib\\1.0\\0\\win32", 0));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.path() + L"\\TypeLib\\1.0\\0\\win64", 0));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, key.path() + L"\\Lonely", 0));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, key.path(), 0));
    EXPECT_EQ(goneLeaf.fixOk, 0);
    EXPECT_EQ(c.engine.fixedCount.load(), 5);
    EXPECT_EQ(c.engine.notFixedCount.load(), 2);
    EXPECT_EQ(c.result->fixedCount, 5);
    EXPECT_EQ(c.result->notFixedCount, 2);
    EXPECT_EQ(c.result->fixState, 2);
}

TEST(FixRun, ShortcutsGoToTheRecycleBin)
{
    testenv::ScratchDir dir(L"lnk");
    std::ofstream(dir.File(L"a.lnk").c_str()) << "x";
    FixCase c(L"Program Shortcuts");
    RegEntryProb& there = c.Add(HKEY_CURRENT_USER, dir.path(), L"a.lnk", kView64, 0);
    there.keyPath = dir.path();
    RegEntryProb& gone = c.Add(HKEY_CURRENT_USER, dir.path(), L"gone.lnk", kView64, 0);
    gone.keyPath = dir.path();
    scan::RunFix(c.engine);
    EXPECT_EQ(GetFileAttributesW(dir.File(L"a.lnk").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(c.engine.fixedCount.load(), 1);
    EXPECT_EQ(c.engine.notFixedCount.load(), 1);
    EXPECT_EQ(gone.fixOk, 0);

    // Only where a deleted file can be recovered.
    EXPECT_TRUE(scan::CanRecycle(dir.File(L"b.lnk")));
    EXPECT_FALSE(scan::CanRecycle(L"\\\\tamsel-no-server\\share\\x.lnk"));
}

struct Recorded {
    std::vector<int> progress;
    std::vector<std::pair<std::wstring, int>> items;
    int finished = -1;
};
Recorded g_rec;
HANDLE g_done = nullptr;

TEST(FixRun, ThreadRaisesItsCallbacksInOrder)
{
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"cb");
    key.SetString(L"", L"a", L"1");
    key.SetString(L"", L"b", L"1");
    CRegEngine& e = engine::New();
    XMLElement category;
    for (const wchar_t* name : {L"Help Files", L"Shared DLLS", L"Font Entries"}) {
        auto r = std::make_unique<RegScanCategory>();
        r->name = name;
        e.results.Add(std::move(r));
    }
    fixture::Record(e, *e.results[0], category, HKEY_CURRENT_USER, key.path(), L"a", kView64, 0);
    fixture::Record(e, *e.results[0], category, HKEY_CURRENT_USER, key.path(), L"b", kView64, 0);
    e.results[0]->problems[0]->selected = 0;
    fixture::Record(e, *e.results[2], category, HKEY_CURRENT_USER, key.path(), L"b", kView64, 0);
    e.stopFlag = 1;  // StartFix clears it
    g_rec = Recorded();
    g_done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    static UiCallbackTable table{};
    table.OnFixProgress = [](int i) { g_rec.progress.push_back(i); };
    table.OnFixItem = [](const std::wstring* t, int n) { g_rec.items.push_back({*t, n}); };
    table.OnFixFinished = [](int stopped) {
        g_rec.finished = stopped;
        SetEvent(g_done);
    };
    ui::SetTable(&table);
    HANDLE thread = slots::StartFix();
    ASSERT_NE(thread, nullptr);
    ASSERT_EQ(WaitForSingleObject(g_done, 20000), WAIT_OBJECT_0);
    WaitForSingleObject(thread, 5000);
    ui::SetTable(nullptr);
    CloseHandle(g_done);
    EXPECT_EQ(g_rec.progress, (std::vector<int>{0, 0, 2, 2}));
    ASSERT_EQ(g_rec.items.size(), 2u);
    EXPECT_EQ(g_rec.items[0].first, L"HKEY_CURRENT_USER\\" + key.path() + L"\\b");
    EXPECT_EQ(g_rec.items[0].second, 1);  // the unselected problem was visited first
    EXPECT_EQ(g_rec.items[1].second, 2);
    EXPECT_EQ(g_rec.finished, 0);
    EXPECT_EQ(e.results[1]->fixState, 0);
    EXPECT_EQ(e.processedCount.load(), 3);
    EXPECT_EQ(e.fixedCount.load(), 1);
    EXPECT_EQ(e.notFixedCount.load(), 1);  // "b" was already gone the second time
    engine::Destroy();
}

}  // namespace
