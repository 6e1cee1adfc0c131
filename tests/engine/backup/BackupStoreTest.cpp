// The store under .\regback: listing, names, full and partial backups,
// restore refusals and deletion.
#include <gtest/gtest.h>

#include <fstream>

#include "backup/BackupStore.h"
#include "backup/HiveRestore.h"
#include "backup/Privileges.h"
#include "backup/Restore.h"
#include "core/Callbacks.h"
#include "core/ComPtr.h"
#include "core/EngineState.h"
#include "core/KeyNames.h"
#include "pure/TextRules.h"
#include "core/Slots.h"
#include "engine/backup/RegistryFixture.h"
#include "pure/FixGuard.h"
#include "scan/FixExtentMeasure.h"
#include "scan/FixRun.h"
#include "scan/IgnoreList.h"
#include "support/ReportRecorder.h"
#include "support/TestEnv.h"

namespace {

bool IsDir(const std::wstring& p)
{
    DWORD a = GetFileAttributesW(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}
bool IsFile(const std::wstring& p)
{
    DWORD a = GetFileAttributesW(p.c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}
// Waits for a worker's completion event while pumping messages, as the
// program's UI thread does.
bool WaitPumping(HANDLE event, DWORD ms)
{
    const DWORD end = GetTickCount() + ms;
    while (true) {
        DWORD now = GetTickCount();
        if (now >= end) return false;
        DWORD rc = MsgWaitForMultipleObjects(1, &event, FALSE, end - now, QS_ALLINPUT);
        if (rc == WAIT_OBJECT_0) return true;
        if (rc != WAIT_OBJECT_0 + 1) return false;
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }
}

void Touch(const std::wstring& p) { std::ofstream(p.c_str()) << "x"; }

std::vector<std::wstring> Listed(int* kinds = nullptr)
{
    CRegEngine e;
    backup::ListBackups(e);
    std::vector<std::wstring> names;
    for (int i = 0; i < e.backups.GetCount(); ++i) {
        names.push_back(e.backups[i]->fileName);
        if (kinds) kinds[i] = e.backups[i]->kind;
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A result list with one problem in the scratch key.
struct OneProblem {
    CRegEngine engine;
    XMLElement category;
    OneProblem(HKEY root, const std::wstring& path, const std::wstring& value, int view, int action)
    {
        auto r = std::make_unique<RegScanCategory>();
        r->name = L"Shared DLLS";
        fixture::Record(engine, *r, category, root, path, value, view, action);
        engine.results.Add(std::move(r));
        engine.backupSource = &engine.results;
    }
};

class Store : public ::testing::Test {
protected:
    ScopedCoInit com_;
    ReportRecorder reports_;
    testenv::ScratchDir dir_{L"store"};
};

TEST_F(Store, ListingCreatesTheStoreAndFollowsTheNameRule)
{
    EXPECT_TRUE(Listed().empty());
    EXPECT_TRUE(IsDir(dir_.File(L"regback")));
    for (const wchar_t* n : {L"20260102030405-f.regbak", L"20260102030405-p.regbak", L"abc-p.regbak",
                             L"20260102030405-x.regbak", L"20260102030405-p.REGBAK", L"notes.txt"})
        Touch(dir_.File(L"regback\\") + n);
    CreateDirectoryW(dir_.File(L"regback\\dir-p.regbak").c_str(), nullptr);
    int kinds[8] = {};
    auto names = Listed(kinds);
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], L"20260102030405-f.regbak");
    EXPECT_EQ(names[1], L"20260102030405-p.regbak");
    EXPECT_EQ(names[2], L"abc-p.regbak");
}

TEST_F(Store, PartialBackupCreatesTheStoreAndWritesTheIndexWithViews)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"bk");
    key.SetString(L"", L"v", L"data");
    OneProblem p(HKEY_CURRENT_USER, key.path(), L"v", kView64, 0);
    ASSERT_FALSE(IsDir(dir_.File(L"regback")));
    ASSERT_EQ(backup::RunBackup(p.engine, 1), 1);
    auto names = Listed();
    ASSERT_EQ(names.size(), 1u);
    const std::wstring name = names[0];
    ASSERT_EQ(name.size(), 23u);
    EXPECT_EQ(name.substr(14), L"-p.regbak");
    const std::wstring dataDir = dir_.File(L"regback\\") + name.substr(0, 16) + L"-d";
    for (const wchar_t* root : {L"HKEY_CLASSES_ROOT", L"HKEY_CURRENT_USER", L"HKEY_LOCAL_MACHINE", L"HKEY_USERS",
                                L"HKEY_CURRENT_CONFIG"})
        EXPECT_TRUE(IsDir(dataDir + L"\\" + root)) << root;
    const std::string index = dir_.Read(L"regback\\" + name);
    EXPECT_NE(index.find("subkey=\"" + testenv::WideToUtf8(key.path()) + "\""), std::string::npos) << index;
    EXPECT_NE(index.find("view=\"256\""), std::string::npos) << index;
    EXPECT_NE(index.find(".bakdat\""), std::string::npos);
    ASSERT_EQ(p.engine.savedKeys.size(), 1u);
    EXPECT_EQ(p.engine.savedKeys[0], L"HKEY_CURRENT_USER\\" + key.path());
}

// The partial backup saves only what the fix will remove: not a problem
// the guard refused, nor one whose key changed after the scan.
TEST_F(Store, RefusedAndChangedProblemsAreNotSaved)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"bkguard");
    key.SetString(L"ok", L"v", L"data");
    key.SetString(L"Microsoft\\Windows\\CurrentVersion\\Run", L"v", L"data");
    key.SetString(L"changes\\a", L"v", L"data");
    OneProblem p(HKEY_CURRENT_USER, key.path() + L"\\ok", L"v", kView64, 0);
    RegScanCategory& result = *p.engine.results[0];
    fixture::Record(p.engine, result, p.category, HKEY_CURRENT_USER,
                    key.path() + L"\\Microsoft\\Windows\\CurrentVersion\\Run", L"v", kView64, 1);
    fixture::Record(p.engine, result, p.category, HKEY_CURRENT_USER, key.path() + L"\\changes", L"v", kView64, 2);
    ASSERT_NE(result.problems[1]->refusal, L"");
    result.problems[1]->selected = 1;  // checked anyway
    key.SetString(L"changes\\b", L"v", L"data");
    ASSERT_EQ(backup::RunBackup(p.engine, 1), 1);
    ASSERT_EQ(p.engine.savedKeys.size(), 1u);
    EXPECT_EQ(p.engine.savedKeys[0], L"HKEY_CURRENT_USER\\" + key.path() + L"\\ok");
    EXPECT_EQ(result.problems[2]->refusal, pure::ChangedSinceScanRefusal());
}

TEST_F(Store, TwoBackupsOfOneKindWithinOneSecond)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    CRegEngine e;
    PtrArray<RegScanCategory> empty;
    e.backupSource = &empty;
    // Start right after a second boundary so both runs share the stamp.
    SYSTEMTIME t{};
    GetLocalTime(&t);
    for (WORD s = t.wSecond; s == t.wSecond; GetLocalTime(&t)) Sleep(5);
    EXPECT_EQ(backup::RunBackup(e, 1), 1);
    EXPECT_EQ(backup::RunBackup(e, 1), 0);
    EXPECT_EQ(Listed().size(), 1u);
}

TEST_F(Store, MissingTemplateFailsWithItsReport)
{
    CRegEngine e;
    PtrArray<RegScanCategory> empty;
    e.backupSource = &empty;
    EXPECT_EQ(backup::RunBackup(e, 1), 0);
    auto r = reports_.Take();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].caption, L"Failed to load DOM from XMLFile");
    EXPECT_TRUE(Listed().empty());
}

TEST_F(Store, SkipRuleNeedsABackslashBoundary)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"skip");
    key.SetString(L"A", L"v", L"1");
    key.SetString(L"A\\B", L"v", L"2");
    key.SetString(L"AB", L"v", L"3");
    CRegEngine e;
    XMLElement category;
    auto r = std::make_unique<RegScanCategory>();
    r->name = L"Help Files";
    for (const wchar_t* sub : {L"A", L"A\\B", L"a", L"AB"})
        fixture::Record(e, *r, category, HKEY_CURRENT_USER, key.path() + L"\\" + sub, L"v", kView64, 0);
    e.results.Add(std::move(r));
    e.backupSource = &e.results;
    ASSERT_EQ(backup::RunBackup(e, 1), 1);
    ASSERT_EQ(e.savedKeys.size(), 2u);
    EXPECT_EQ(e.savedKeys[0], L"HKEY_CURRENT_USER\\" + key.path() + L"\\A");
    EXPECT_EQ(e.savedKeys[1], L"HKEY_CURRENT_USER\\" + key.path() + L"\\AB");
}

TEST_F(Store, PartialBackupSavesOnlyWhatTheFixTouches)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"sel");
    key.SetString(L"Checked", L"v", L"1");
    key.SetString(L"Unchecked", L"v", L"1");
    CRegEngine e;
    XMLElement category;
    auto r = std::make_unique<RegScanCategory>();
    r->name = L"Help Files";
    fixture::Record(e, *r, category, HKEY_CURRENT_USER, key.path() + L"\\Checked", L"v", kView64, 0);
    fixture::Record(e, *r, category, HKEY_CURRENT_USER, key.path() + L"\\Unchecked", L"v", kView64, 0);
    r->problems[1]->selected = 0;
    // Ignored after it was checked: neither saved nor fixed, and it cannot
    // be checked again.
    key.SetString(L"Ignored", L"v", L"1");
    fixture::Record(e, *r, category, HKEY_CURRENT_USER, key.path() + L"\\Ignored", L"v", kView64, 0);
    RegEntryProb& ignored = *r->problems[2];
    scan::SetSelected(e, ignored, false);
    ignored.ignored = 1;
    const int checked = e.checkedCount.load();
    scan::SetSelected(e, ignored, true);
    EXPECT_EQ(ignored.selected, 0);
    EXPECT_EQ(e.checkedCount.load(), checked);
    ignored.selected = 1;  // as a caller that sets the field itself would
    e.results.Add(std::move(r));
    e.backupSource = &e.results;
    ASSERT_EQ(backup::RunBackup(e, 1), 1);
    ASSERT_EQ(e.savedKeys.size(), 1u);
    EXPECT_EQ(e.savedKeys[0], L"HKEY_CURRENT_USER\\" + key.path() + L"\\Checked");

    scan::RunFix(e);
    auto hasValue = [&](const wchar_t* sub) {
        return RegGetValueW(HKEY_CURRENT_USER, (key.path() + L"\\" + sub).c_str(), L"v", RRF_RT_REG_SZ, nullptr,
                            nullptr, nullptr) == ERROR_SUCCESS;
    };
    EXPECT_FALSE(hasValue(L"Checked"));
    EXPECT_TRUE(hasValue(L"Unchecked"));
    EXPECT_TRUE(hasValue(L"Ignored"));
    EXPECT_EQ(e.fixedCount.load(), 1);
}

// A key-tree fix also removes a parent it leaves empty: such a parent is
// saved instead of the tree, so the restore brings it back as it was.
TEST_F(Store, AKeyTreeFixSavesAParentItWouldEmpty)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"tree");
    key.SetString(L"Lonely\\Tree", L"v", L"1");
    key.SetString(L"Busy\\Tree", L"v", L"1");
    key.SetString(L"Busy\\Other", L"v", L"1");
    CRegEngine e;
    XMLElement category;
    auto r = std::make_unique<RegScanCategory>();
    r->name = L"Help Files";
    fixture::Record(e, *r, category, HKEY_CURRENT_USER, key.path() + L"\\Lonely\\Tree", L"v", kView64, 2);
    fixture::Record(e, *r, category, HKEY_CURRENT_USER, key.path() + L"\\Busy\\Tree", L"v", kView64, 2);
    e.results.Add(std::move(r));
    e.backupSource = &e.results;
    ASSERT_EQ(backup::RunBackup(e, 1), 1);
    const std::vector<std::wstring> expected = {L"HKEY_CURRENT_USER\\" + key.path() + L"\\Lonely",
                                                L"HKEY_CURRENT_USER\\" + key.path() + L"\\Busy\\Tree"};
    EXPECT_EQ(e.savedKeys, expected);
}

// A missing key is nothing to save; a key that exists but cannot be saved
// fails the partial backup, and the program then fixes nothing.
TEST_F(Store, UnsavableKeyFailsThePartialBackupAndNothingIsDeleted)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"nosave");
    key.SetString(L"", L"v", L"keep");
    key.SetString(L"Stable", L"v", L"keep");
    // The registry of the test prefix enforces no key security, so a key the
    // backup cannot read as the fix would see it is one with an unknown view.
    key.SetString(L"Odd", L"v", L"keep");

    engine::New();
    CRegEngine& e = *engine::Current();
    XMLElement category;
    auto r = std::make_unique<RegScanCategory>();
    r->name = L"Shared DLLS";
    fixture::Record(e, *r, category, HKEY_CURRENT_USER, key.path() + L"\\Stable", L"v", kView64, 0);
    fixture::Record(e, *r, category, HKEY_CURRENT_USER, key.path() + L"\\NotThere", L"v", kView64, 0);
    fixture::Record(e, *r, category, HKEY_CURRENT_USER, key.path() + L"\\Odd", L"v", 0x0300, 0);
    e.results.Add(std::move(r));

    // Through the slots, as the program does it.
    static HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    static UiCallbackTable table{};
    table.OnBackupFinished = [](int) { SetEvent(done); };
    ui::SetTable(&table);
    slots::StartPartialBackup(&e.results);
    ASSERT_TRUE(WaitPumping(done, 20000));
    ui::SetTable(nullptr);
    const int result = slots::GetOperationResult();
    EXPECT_EQ(result, 0);
    if (result == 1) scan::RunFix(e);  // what the program does
    EXPECT_TRUE(fixture::ValueExists(HKEY_CURRENT_USER, key.path() + L"\\Stable", L"v", 0));
    EXPECT_TRUE(Listed().empty());  // no index file, and no data folder is left behind
    WIN32_FIND_DATAW fd;
    int folders = 0;
    HANDLE h = FindFirstFileW(dir_.File(L"regback\\*-d").c_str(), &fd);
    if (h != INVALID_HANDLE_VALUE) {
        do ++folders;
        while (FindNextFileW(h, &fd));
        FindClose(h);
    }
    EXPECT_EQ(folders, 0);
    // Without the unreadable key the same backup succeeds (a missing key is
    // nothing to save).
    e.results[0]->problems.RemoveAt(2);
    EXPECT_EQ(backup::RunBackup(e, 1), 1);
    EXPECT_EQ(Listed().size(), 1u);
    engine::Destroy();
}

TEST_F(Store, RestoreRefusesBadNamesAndBadElements)
{
    for (const wchar_t* bad : {L"2026010203040-p.regbak", L"202601020304050-p.regbak", L"20260102030405-p.REGBAK",
                               L"..\\..\\..\\..\\..\\.regbak"}) {
        EXPECT_EQ(backup::RunRestore(bad), 0) << bad;
        EXPECT_EQ(backup::DeleteBackupFiles(bad), 0) << bad;
    }
    EXPECT_TRUE(reports_.Take().empty());

    // An index file written by hand: every element is refused and counted.
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"refuse");
    CreateDirectoryW(dir_.File(L"regback").c_str(), nullptr);
    const std::string k = testenv::WideToUtf8(key.path());
    dir_.Write(L"regback\\20260102030405-p.regbak",
               "<regbak><root primekey=\"HKEY_CURRENT_USER\">"
               "<bakfile subkey=\"" + k + "\\A\" file=\"..\\..\\x.bakdat\"/>"
               "<bakfile subkey=\"" + k + "\\B\" file=\"C:x.bakdat\"/>"
               "<bakfile subkey=\"\" file=\"a.bakdat\"/>"
               "<bakfile subkey=\"" + k + "\\C\"/>"
               "</root><root primekey=\"hkey_current_user\"><bakfile subkey=\"" + k +
               "\\D\" file=\"a.bakdat\"/></root><root primekey=\"HKEY_CURRENT_USER\"/></regbak>");
    EXPECT_EQ(backup::RunRestore(L"20260102030405-p.regbak"), 0);
    auto r = reports_.Take();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].caption, L"RestoreKey");
    EXPECT_EQ(r[0].text, L"5 of 5 saved keys could not be restored.");
    for (const wchar_t* sub : {L"\\A", L"\\B", L"\\C", L"\\D"})
        EXPECT_FALSE(fixture::KeyExists(HKEY_CURRENT_USER, key.path() + sub, 0)) << sub;
}

TEST_F(Store, RestoreWithMissingHiveFilesReportsEachAndFails)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"gone");
    key.SetString(L"A", L"v", L"1");
    key.SetString(L"B", L"v", L"1");
    CRegEngine e;
    XMLElement category;
    auto r = std::make_unique<RegScanCategory>();
    r->name = L"Help Files";
    fixture::Record(e, *r, category, HKEY_CURRENT_USER, key.path() + L"\\A", L"v", kView64, 0);
    fixture::Record(e, *r, category, HKEY_CURRENT_USER, key.path() + L"\\B", L"v", kView64, 0);
    e.results.Add(std::move(r));
    e.backupSource = &e.results;
    ASSERT_EQ(backup::RunBackup(e, 1), 1);
    const std::wstring name = Listed()[0];
    const std::wstring cu = dir_.File(L"regback\\") + name.substr(0, 16) + L"-d\\HKEY_CURRENT_USER";
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((cu + L"\\*.bakdat").c_str(), &fd);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    do DeleteFileW((cu + L"\\" + fd.cFileName).c_str());
    while (FindNextFileW(h, &fd));
    FindClose(h);
    EXPECT_EQ(backup::RunRestore(name), 0);
    auto reports = reports_.Take();
    ASSERT_EQ(reports.size(), 3u);
    EXPECT_EQ(reports[0].caption, L"RestoreKey");
    EXPECT_EQ(reports[0].text, key.path() + L"\\A");
    EXPECT_EQ(reports[1].text, key.path() + L"\\B");
    EXPECT_EQ(reports[2].text, L"2 of 2 saved keys could not be restored.");
}

TEST_F(Store, DeleteRemovesTheBackupWithItsFolders)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"del");
    key.SetString(L"", L"v", L"1");
    OneProblem p(HKEY_CURRENT_USER, key.path(), L"v", kView64, 0);
    ASSERT_EQ(backup::RunBackup(p.engine, 1), 1);
    const std::wstring name = Listed()[0];
    const std::wstring dataDir = dir_.File(L"regback\\") + name.substr(0, 16) + L"-d";
    ASSERT_TRUE(IsDir(dataDir + L"\\HKEY_CURRENT_USER"));
    Touch(dir_.File(L"regback\\keep.txt"));
    EXPECT_EQ(backup::DeleteBackupFiles(name), 1);
    EXPECT_FALSE(IsDir(dataDir));
    EXPECT_FALSE(IsFile(dir_.File(L"regback\\") + name));
    EXPECT_TRUE(IsFile(dir_.File(L"regback\\keep.txt")));
    EXPECT_TRUE(Listed().empty());
    // Gone already, or never there: nothing was deleted.
    EXPECT_EQ(backup::DeleteBackupFiles(name), 0);
    EXPECT_EQ(backup::DeleteBackupFiles(L"20000101000000-f.regbak"), 0);
}

// An index that cannot be written leaves neither an index nor a data folder
// behind: a broken backup is never listed.
TEST_F(Store, AFailedIndexWriteLeavesNothingListed)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"idx");
    key.SetString(L"", L"v", L"1");
    OneProblem p(HKEY_CURRENT_USER, key.path(), L"v", kView64, 0);
    ASSERT_TRUE(backup::EnsureStoreDir());
    // Folders where the index's temporary file would go, for the stamps of
    // the next few seconds.
    std::vector<std::wstring> blockers;
    SYSTEMTIME t{};
    GetLocalTime(&t);
    FILETIME ft{};
    SystemTimeToFileTime(&t, &ft);
    for (int s = 0; s < 6; ++s) {
        ULARGE_INTEGER u{{ft.dwLowDateTime, ft.dwHighDateTime}};
        u.QuadPart += static_cast<ULONGLONG>(s) * 10000000ULL;
        FILETIME at{u.LowPart, u.HighPart};
        SYSTEMTIME st{};
        FileTimeToSystemTime(&at, &st);
        wchar_t stamp[32];
        swprintf(stamp, 32, L"%04d%02d%02d%02d%02d%02d-p.regbak.tmp", st.wYear, st.wMonth, st.wDay, st.wHour,
                 st.wMinute, st.wSecond);
        blockers.push_back(dir_.File(L"regback\\") + stamp);
        ASSERT_TRUE(CreateDirectoryW(blockers.back().c_str(), nullptr));
    }
    EXPECT_EQ(backup::RunBackup(p.engine, 1), 0);
    EXPECT_TRUE(Listed().empty());
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW(dir_.File(L"regback\\*-d").c_str(), &fd);
    EXPECT_EQ(h, INVALID_HANDLE_VALUE) << "a data folder was left: " << testenv::WideToUtf8(fd.cFileName);
    if (h != INVALID_HANDLE_VALUE) FindClose(h);
    for (const std::wstring& b : blockers) RemoveDirectoryW(b.c_str());
    reports_.Take();
}

TEST_F(Store, RestoreThroughTheSlotsReportsCompletion)
{
    static std::wstring finishedWith;
    static HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    static UiCallbackTable table{};
    table.OnRestoreFinished = [](const std::wstring* n) {
        finishedWith = n ? *n : L"";
        SetEvent(done);
    };
    ui::SetTable(&table);
    const std::wstring name = L"20991231235959-f.regbak";
    slots::StartRestore(&name);
    ASSERT_TRUE(WaitPumping(done, 20000));
    ui::SetTable(nullptr);
    EXPECT_EQ(finishedWith, name);
    EXPECT_EQ(slots::GetOperationResult(), 0);  // no such index file
    auto r = reports_.Take();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].caption, L"Failed to load DOM from XMLFile");
    engine::Destroy();
}

TEST(HiveRestoreChoice, WineUsesLoadAndCopy)
{
    ASSERT_TRUE(backup::RunningUnderWine());  // the tests run in a Wine prefix
    EXPECT_EQ(backup::ActiveHiveRestore(), &backup::RestoreByLoadAndCopy);
}

}  // namespace

namespace {

HANDLE g_backupDone = nullptr;
int g_backupMode = -1;

// A full backup saves the starting keys of scanSetting.xml, through the slots.
TEST_F(Store, FullBackupSavesEachStartingKeyOnce)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"full");
    key.SetString(L"A", L"v", L"1");
    key.SetString(L"A\\B", L"v", L"2");
    key.SetString(L"AB", L"v", L"3");
    const std::string k = testenv::WideToUtf8(key.path());
    dir_.Write(L"scanSetting.xml",
               "<ScanSetting><Fonts flag=\"false\" category=\"Font Entries\">"
               "<Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" + k + "\\A\"/>"
               "<Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" + k + "\\A\\B\"/>"
               "<Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" + k + "\\AB\"/>"
               "<Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" + k + "\\Missing\"/>"
               "<Key rootKey=\"hkey_current_user\" subKey=\"" + k + "\"/>"
               "</Fonts></ScanSetting>");
    engine::Destroy();
    g_backupDone = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    static UiCallbackTable table{};
    table.OnBackupFinished = [](int mode) {
        g_backupMode = mode;
        SetEvent(g_backupDone);
    };
    ui::SetTable(&table);
    EXPECT_EQ(slots::StartFullBackup(), 0);
    ASSERT_TRUE(WaitPumping(g_backupDone, 20000));
    ui::SetTable(nullptr);
    CloseHandle(g_backupDone);
    EXPECT_EQ(g_backupMode, 0);
    EXPECT_EQ(slots::GetOperationResult(), 1);
    CRegEngine& e = *engine::Current();
    ASSERT_EQ(e.savedKeys.size(), 2u);
    EXPECT_EQ(e.savedKeys[0], L"HKEY_CURRENT_USER\\" + key.path() + L"\\A");
    EXPECT_EQ(e.savedKeys[1], L"HKEY_CURRENT_USER\\" + key.path() + L"\\AB");

    PtrArray<BackupEntry>* list = slots::ListBackups();
    ASSERT_EQ(list->GetCount(), 1);
    EXPECT_EQ((*list)[0]->kind, 0);
    const std::wstring name = (*list)[0]->fileName;
    EXPECT_EQ(name.substr(14), L"-f.regbak");

    // An index file without views (as older backups are) restores in the
    // process's own view.
    const auto before = fixture::Dump(HKEY_CURRENT_USER, key.path(), 0);
    std::string index = dir_.Read(L"regback\\" + name);
    for (size_t at; (at = index.find(" view=\"256\"")) != std::string::npos;) index.erase(at, 11);
    for (size_t at; (at = index.find(" sysname=\"")) != std::string::npos;)
        index.erase(at, index.find('"', at + 10) + 1 - at);
    ASSERT_EQ(index.find("view="), std::string::npos);
    ASSERT_EQ(index.find("sysname="), std::string::npos);
    dir_.Write(L"regback\\" + name, index);
    key.SetString(L"A\\B\\New", L"x", L"y");
    key.SetString(L"AB", L"v", L"changed");
    EXPECT_EQ(backup::RunRestore(name), 1);
    EXPECT_EQ(fixture::Dump(HKEY_CURRENT_USER, key.path(), 0), before);
    EXPECT_EQ(slots::DeleteBackup(&name), 1);
    EXPECT_EQ(slots::ListBackups()->GetCount(), 0);
    engine::Destroy();
}

// A starting key that is a whole root: the class root is saved as the keys
// it is made of; any other root fails the full backup, which says so.
TEST_F(Store, FullBackupCoversTheClassRootOrFailsNamingWhatItCannot)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    auto run = [&](const char* root) {
        dir_.Write(L"scanSetting.xml", std::string("<ScanSetting><Types flag=\"true\" category=\"File Associations\">"
                                                   "<Key rootKey=\"") + root + "\" subKey=\"\"/></Types></ScanSetting>");
        CRegEngine e;
        return backup::RunBackup(e, 0) == 1 ? e.savedKeys : std::vector<std::wstring>{L"<failed>"};
    };
    const std::vector<std::wstring> classes = run("HKEY_CLASSES_ROOT");
    ASSERT_FALSE(classes.empty());
    EXPECT_EQ(classes[0], L"HKEY_LOCAL_MACHINE\\Software\\Classes");
    EXPECT_TRUE(reports_.Take().empty());
    ASSERT_EQ(Listed().size(), 1u);

    Sleep(1100);  // one full backup a second
    EXPECT_EQ(run("HKEY_CURRENT_USER"), std::vector<std::wstring>{L"<failed>"});
    auto shown = reports_.Take();
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].caption, L"Full registry backup");
    EXPECT_EQ(shown[0].text.rfind(L"HKEY_CURRENT_USER cannot be backed up as a whole", 0), 0u)
        << testenv::WideToUtf8(shown[0].text);
    EXPECT_EQ(Listed().size(), 1u);  // only the first
}

// The shipped settings name the shortcut folders as entries of their own
// category: a full backup leaves them out, saves every key entry, and its
// index says which categories it covers. A key entry that is a whole root
// still fails it (above).
TEST_F(Store, FullBackupWithTheShippedSettingsLeavesTheFoldersOut)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    ASSERT_TRUE(CopyFileW((testenv::BinDir() + L"\\scanSetting.xml").c_str(), dir_.File(L"scanSetting.xml").c_str(),
                          FALSE));
    CRegEngine e;
    ASSERT_EQ(backup::RunBackup(e, 0), 1);
    EXPECT_TRUE(reports_.Take().empty());
    ASSERT_FALSE(e.savedKeys.empty());
    bool sawRun = false;
    for (const std::wstring& k : e.savedKeys) {
        EXPECT_EQ(k.find(L'%'), std::wstring::npos) << testenv::WideToUtf8(k);
        sawRun = sawRun || pure::EqualsNoCase(k, L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
    }
    EXPECT_TRUE(sawRun);
    const std::vector<std::wstring> names = Listed();
    ASSERT_EQ(names.size(), 1u);
    const std::string index = dir_.Read(L"regback\\" + names[0]);
    const size_t coverage = index.find("<coverage>");
    ASSERT_NE(coverage, std::string::npos) << index;
    // Every category of the file, in its order, each said once.
    const char* expected[] = {"COM/ActiveX Entries\" saved=\"yes\"", "Application Paths\" saved=\"yes\"",
                              "Program Shortcuts\" saved=\"no\" reason=\"its entries are folders, not registry keys\"",
                              "Windows Startup Items\" saved=\"yes\""};
    size_t at = coverage;
    for (const char* c : expected) {
        const size_t next = index.find(std::string("<category name=\"") + c, at);
        EXPECT_NE(next, std::string::npos) << c;
        if (next != std::string::npos) at = next;
    }
    // The description is not a key group: restoring the index skips it. A
    // full restore of the prefix is the console's alone test; here the
    // index goes back to holding nothing but the description.
    std::string onlyCoverage = "<?xml version=\"1.0\"?>\n<regbak>" +
                               index.substr(coverage, index.find("</coverage>") + 11 - coverage) + "</regbak>\n";
    dir_.Write(L"regback\\" + names[0], onlyCoverage);
    EXPECT_EQ(backup::RunRestore(names[0]), 1);
    EXPECT_TRUE(reports_.Take().empty());
}

// A link key inside a saved tree (Wine keeps several in the class root) is
// restored as a link: neither emptying the tree nor copying it back follows
// the link into the key it names.
TEST_F(Store, ARestoreNeverFollowsALinkKey)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey tree(HKEY_CURRENT_USER, L"Software", L"linktree");
    testenv::ScratchKey target(HKEY_CURRENT_USER, L"Software", L"linktarget");
    tree.SetString(L"", L"v", L"1");
    target.SetString(L"Sub", L"kept", L"2");
    HKEY opened = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, target.path().c_str(), 0, KEY_READ, &opened), ERROR_SUCCESS);
    const std::wstring targetName = regkey::SystemNameOf(opened);
    RegCloseKey(opened);
    ASSERT_FALSE(targetName.empty());
    HKEY link = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, (tree.path() + L"\\Link").c_str(), 0, nullptr,
                              REG_OPTION_CREATE_LINK, KEY_ALL_ACCESS, nullptr, &link, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExW(link, L"SymbolicLinkValue", 0, REG_LINK, reinterpret_cast<const BYTE*>(targetName.data()),
                             static_cast<DWORD>(targetName.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);
    RegCloseKey(link);
    ASSERT_TRUE(fixture::ValueExists(HKEY_CURRENT_USER, tree.path() + L"\\Link\\Sub", L"kept", 0));
    dir_.Write(L"scanSetting.xml", "<ScanSetting><Fonts flag=\"false\" category=\"Font Entries\">"
                                   "<Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" + testenv::WideToUtf8(tree.path()) +
                                   "\"/></Fonts></ScanSetting>");
    CRegEngine e;
    ASSERT_EQ(backup::RunBackup(e, 0), 1);
    const auto before = fixture::Dump(HKEY_CURRENT_USER, target.path(), 0);
    tree.SetString(L"", L"v", L"changed");

    const std::vector<std::wstring> names = Listed();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(backup::RunRestore(names[0]), 1);
    EXPECT_TRUE(reports_.Take().empty());
    EXPECT_EQ(fixture::Dump(HKEY_CURRENT_USER, target.path(), 0), before);
    HKEY again = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, (tree.path() + L"\\Link").c_str(), REG_OPTION_OPEN_LINK, KEY_READ,
                            &again),
              ERROR_SUCCESS);
    DWORD type = 0;
    EXPECT_EQ(RegQueryValueExW(again, L"SymbolicLinkValue", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_LINK));
    RegCloseKey(again);
    EXPECT_TRUE(fixture::ValueExists(HKEY_CURRENT_USER, tree.path() + L"\\Link\\Sub", L"kept", 0));
    wchar_t data[8] = L"";
    DWORD size = sizeof data;
    RegGetValueW(HKEY_CURRENT_USER, tree.path().c_str(), L"v", RRF_RT_REG_SZ, nullptr, data, &size);
    EXPECT_EQ(std::wstring(data), L"1");
    // The link goes before the scratch key: deleting the tree must not reach the target.
    HKEY drop = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, (tree.path() + L"\\Link").c_str(), REG_OPTION_OPEN_LINK, DELETE, &drop) ==
        ERROR_SUCCESS) {
        using NtDeleteKeyFn = LONG(WINAPI*)(HANDLE);
        auto del = reinterpret_cast<NtDeleteKeyFn>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtDeleteKey")));
        if (del) del(drop);
        RegCloseKey(drop);
    }
}

}  // namespace

namespace {

TEST(HiveFiles, ATakenNameIsSkippedNotOverwritten)
{
    testenv::ScratchDir dir(L"hive");
    testenv::ScratchKey key(HKEY_CURRENT_USER, L"Software", L"hive");
    key.SetString(L"", L"v", L"1");
    dir.Write(L"AAAA1.bakdat", "taken");
    backup::ScopedPrivileges privileges;
    ASSERT_TRUE(privileges.Enable(L"SeBackupPrivilege"));
    HKEY k = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, key.path().c_str(), 0, KEY_READ, &k), ERROR_SUCCESS);
    const wchar_t* names[] = {L"AAAA1.bakdat", L"BBBB2.bakdat"};
    int next = 0;
    std::wstring file;
    EXPECT_EQ(backup::SaveHiveFile(k, dir.path(), [&] { return std::wstring(names[next++]); }, file),
              ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_EQ(file, L"BBBB2.bakdat");
    EXPECT_EQ(dir.Read(L"AAAA1.bakdat"), "taken");
    EXPECT_FALSE(dir.Read(L"BBBB2.bakdat").empty());

    RegCloseKey(k);
}

}  // namespace

namespace {

int g_restoreCalls = 0;
REGSAM g_restoreView = 0;

std::wstring g_restoreName;
backup::RestoreStatus FailingRestore(HKEY, const std::wstring&, REGSAM view, const std::wstring&,
                                     const std::wstring& systemName)
{
    g_restoreView = view;
    g_restoreName = systemName;
    backup::RestoreStatus s;
    s.stage = g_restoreCalls++ == 0 ? backup::RestoreStatus::KeyFailed : backup::RestoreStatus::RestoreFailed;
    s.code = ERROR_ACCESS_DENIED;
    return s;
}

// A key that cannot be opened is skipped without a box, a failed restore
// shows its subkey; both make the result 0 and are counted in the summary.
TEST_F(Store, FailedRestoresAreReportedAndCounted)
{
    ASSERT_TRUE(fixture::CopyTemplate());
    testenv::ScratchKey key(HKEY_LOCAL_MACHINE, L"Software", L"fail", KEY_WOW64_32KEY);
    key.SetString(L"A", L"v", L"1");
    key.SetString(L"B", L"v", L"1");
    CRegEngine e;
    XMLElement category;
    auto r = std::make_unique<RegScanCategory>();
    r->name = L"Help Files";
    fixture::Record(e, *r, category, HKEY_LOCAL_MACHINE, key.path() + L"\\A", L"v", kView32, 0);
    fixture::Record(e, *r, category, HKEY_LOCAL_MACHINE, key.path() + L"\\B", L"v", kView32, 0);
    e.results.Add(std::move(r));
    e.backupSource = &e.results;
    ASSERT_EQ(backup::RunBackup(e, 1), 1);
    g_restoreCalls = 0;
    backup::SetHiveRestoreForTests(FailingRestore);
    const int result = backup::RunRestore(Listed()[0]);
    backup::SetHiveRestoreForTests(nullptr);
    EXPECT_EQ(result, 0);
    EXPECT_EQ(g_restoreCalls, 2);
    EXPECT_EQ(g_restoreView, static_cast<REGSAM>(KEY_WOW64_32KEY));  // the view recorded in the index
    // and the key's own name: in the 32-bit view, below Wow6432Node
    EXPECT_NE(pure::ToUpper(g_restoreName).find(L"\\WOW6432NODE\\"), std::wstring::npos)
        << testenv::WideToUtf8(g_restoreName);
    auto reports = reports_.Take();
    ASSERT_EQ(reports.size(), 2u);
    EXPECT_EQ(reports[0].caption, L"RestoreKey");
    EXPECT_EQ(reports[0].text, key.path() + L"\\B");
    EXPECT_EQ(reports[1].text, L"2 of 2 saved keys could not be restored.");
}

}  // namespace

// A restore writes only into the key whose system name was recorded at
// backup time: the same path in the other registry view is refused, and
// nothing is written there.
TEST(HiveRestoreTarget, TheRecordedKeyOnly)
{
    testenv::ScratchDir dir(L"target");
    testenv::ScratchKey key(HKEY_LOCAL_MACHINE, L"Software", L"target", KEY_WOW64_64KEY);
    key.SetString(L"", L"v", L"64");
    const std::wstring name64 = regkey::SystemKeyName(HKEY_LOCAL_MACHINE, key.path(), KEY_WOW64_64KEY);
    ASSERT_FALSE(name64.empty());
    backup::ScopedPrivileges privileges;
    ASSERT_TRUE(privileges.Enable(L"SeBackupPrivilege"));
    ASSERT_TRUE(privileges.Enable(L"SeRestorePrivilege"));
    HKEY open = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.path().c_str(), 0, KEY_READ | KEY_WOW64_64KEY, &open),
              ERROR_SUCCESS);
    const std::wstring hive = dir.File(L"AAAA1.bakdat");
    ASSERT_EQ(RegSaveKeyW(open, hive.c_str(), nullptr), ERROR_SUCCESS);
    RegCloseKey(open);
    // Recorded for the 64-bit view, asked for the 32-bit one.
    const backup::RestoreStatus wrong =
        backup::RestoreByLoadAndCopy(HKEY_LOCAL_MACHINE, key.path(), KEY_WOW64_32KEY, hive, name64);
    EXPECT_EQ(wrong.stage, backup::RestoreStatus::ElsewhereKey);
    EXPECT_FALSE(fixture::ValueExists(HKEY_LOCAL_MACHINE, key.path(), L"v", KEY_WOW64_32KEY));
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key.path().c_str(), KEY_WOW64_32KEY, 0);
    // The same check comes before RegRestoreKeyW (here with a name no key has).
    EXPECT_EQ(backup::RestoreWithRegRestoreKey(HKEY_LOCAL_MACHINE, key.path(), KEY_WOW64_64KEY, hive,
                                               name64 + L"_elsewhere")
                  .stage,
              backup::RestoreStatus::ElsewhereKey);
    // The right view, and an index without names, go ahead.
    EXPECT_EQ(backup::RestoreByLoadAndCopy(HKEY_LOCAL_MACHINE, key.path(), KEY_WOW64_64KEY, hive, name64).stage,
              backup::RestoreStatus::Ok);
    EXPECT_EQ(backup::RestoreByLoadAndCopy(HKEY_LOCAL_MACHINE, key.path(), KEY_WOW64_64KEY, hive, L"").stage,
              backup::RestoreStatus::Ok);
    EXPECT_TRUE(fixture::ValueExists(HKEY_LOCAL_MACHINE, key.path(), L"v", KEY_WOW64_64KEY));
}
