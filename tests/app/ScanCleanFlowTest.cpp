// The program's main job end to end with the real engine: main menu, scan
// of a fixture registry, unchecking two problems, backup and fix, totals,
// then the registry, the backup store, LastScan.ini and the main menu's
// summary line.
#include <gtest/gtest.h>

#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/AppTestEnv.h"
#include "controls/MyButton.h"
#include "pages/BackupRestoreChildWnd.h"
#include "pages/MessageBox.h"
#include "shell/EngineBinding.h"
#include "shell/LastScan.h"
#include "support/ProgramWindow.h"

using namespace ui;

namespace {

constexpr int kFixtureCount = 5;

bool DefaultValueExists(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
    const bool found = RegQueryValueExW(key, nullptr, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
    RegCloseKey(key);
    return found;
}

std::vector<std::wstring> FilesIn(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW fd;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &fd);
    if (h == INVALID_HANDLE_VALUE) return names;
    do {
        const std::wstring name = fd.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(h, &fd));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return names;
}

std::wstring RowText(HWND list, int row)
{
    wchar_t buf[1024] = L"";
    ListView_GetItemText(list, row, 0, buf, 1024);
    return buf;
}

class ScanCleanFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window_.Ready());
        WriteFile(dir_.File(L"present.exe"));
        for (int i = 0; i < kFixtureCount; ++i)
            key_.SetString(L"tool" + std::to_wstring(i) + L".exe", L"", dir_.File(L"missing" + std::to_wstring(i) + L".exe"));
        key_.SetString(L"present.exe", L"", dir_.File(L"present.exe"));
        dir_.Write(L"scanSetting.xml",
                   "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanSetting>\n"
                   "  <AppPaths flag=\"true\" category=\"Application Paths\">\n"
                   "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" +
                       testenv::WideToUtf8(key_.path()) +
                       "\"/>\n"
                       "  </AppPaths>\n</ScanSetting>\n");
        dlg_ = window_.Open();
        ASSERT_NE(dlg_, nullptr);
    }
    static void WriteFile(const std::wstring& path)
    {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        CloseHandle(h);
    }
    bool Current(int page) const { return dlg_->CurrentPage() == dlg_->Page(page); }
    // A click of a button, as its parent receives it.
    void Click(HWND parent, int id)
    {
        HWND button = GetDlgItem(parent, id);
        ASSERT_NE(button, nullptr) << id;
        SendMessageW(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    }
    std::wstring Status(int line) const { return dlg_->StatusLine(line).value_or(L""); }

    testenv::ProgramWindow window_{L"flow"};
    testenv::ScratchDir& dir_ = window_.Folder();
    testenv::ScratchKey key_{HKEY_CURRENT_USER, L"Software", L"flow"};
    CKelvuDlg* dlg_ = nullptr;
};

TEST_F(ScanCleanFlow, ScanUncheckTwoFixAndFindTheTotalsOnTheMainMenu)
{
    apptest::ComInit com;
    ASSERT_TRUE(Current(kMainPage));
    EXPECT_EQ(Status(1), L"No scan yet");

    // Main menu: "Scan && Clean Windows Registry" scans and ends on the
    // selection page.
    Click(dlg_->Page(kMainPage)->Hwnd(), 1009);
    ASSERT_TRUE(apptest::PumpUntil([&] { return Current(kSelectPage); }, 60000));
    EXPECT_EQ(g_engine->GetProblemCount(), kFixtureCount);
    EXPECT_EQ(lastscan::Read(lastscan::kPerformed), L"TRUE");
    EXPECT_EQ(lastscan::Read(lastscan::kErrorsCount), L"5");

    HWND problems = GetDlgItem(dlg_->Page(kSelectPage)->Hwnd(), 1604);
    ASSERT_NE(problems, nullptr);
    ASSERT_EQ(ListView_GetItemCount(problems), kFixtureCount);
    // Uncheck two rows; remember which keys they name.
    std::set<std::wstring> kept;
    for (int row : {1, 3}) {
        ListView_SetCheckState(problems, row, FALSE);
        const std::wstring text = RowText(problems, row);
        for (int i = 0; i < kFixtureCount; ++i)
            if (text.find(L"\\tool" + std::to_wstring(i) + L".exe\\") != std::wstring::npos)
                kept.insert(L"tool" + std::to_wstring(i) + L".exe");
    }
    apptest::Pump(50);
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(g_engine->GetCheckedCount(), kFixtureCount - 2);
    EXPECT_EQ(Status(2), L"Total problem(s) to be fixed: 3");

    // "Fix Problems": partial backup, then the fix, then the totals.
    SendMessageW(dlg_->Hwnd(), WM_COMMAND, MAKEWPARAM(kCmdAction, BN_CLICKED), 0);
    ASSERT_TRUE(Current(kCleanPage));
    ASSERT_TRUE(apptest::PumpUntil([&] { return Status(2) == L"Total problem(s) fixed: 3" &&
                                                WaitForSingleObject(dlg_->ScanIdleEvent(), 0) == WAIT_OBJECT_0; },
                                   60000))
        << testenv::WideToUtf8(Status(2));
    EXPECT_EQ(dlg_->Button(kCmdAction)->Caption().text, L"OK");

    // Only the checked problems are gone.
    for (int i = 0; i < kFixtureCount; ++i) {
        const std::wstring name = L"tool" + std::to_wstring(i) + L".exe";
        EXPECT_EQ(DefaultValueExists(key_.path() + L"\\" + name), kept.count(name) == 1) << testenv::WideToUtf8(name);
    }
    EXPECT_TRUE(DefaultValueExists(key_.path() + L"\\present.exe"));
    // One partial backup in the store: its index file and its data folder.
    const std::vector<std::wstring> store = FilesIn(dir_.File(L"regback"));
    ASSERT_EQ(store.size(), 2u);
    // The data folder (stamp + "-p-d") and the index file (stamp + "-p.regbak").
    EXPECT_EQ(store[0].size(), 18u);
    EXPECT_EQ(store[0].substr(14), L"-p-d");
    EXPECT_EQ(store[1], store[0].substr(0, 16) + L".regbak");
    EXPECT_EQ(lastscan::Read(lastscan::kFixedCount), L"3");
    EXPECT_EQ(lastscan::Read(lastscan::kRemainCount), L"0");

    // "OK" returns to the main menu, which shows the summary.
    SendMessageW(dlg_->Hwnd(), WM_COMMAND, MAKEWPARAM(kCmdAction, BN_CLICKED), 0);
    ASSERT_TRUE(Current(kMainPage));
    EXPECT_EQ(Status(1), L"Last scan: Error(s):5 ,Fixed:3 ,Remain:0");
}

// The same flow with the data files exactly as shipped: a broken Run value
// the shipped settings find is backed up and fixed from the window, and the
// backup brings it back. It scans and fixes the whole prefix, so it runs
// alone.
class ShippedDataScanClean : public ScanCleanFlow {
protected:
    void SetUp() override
    {
        ScanCleanFlow::SetUp();
        ASSERT_TRUE(CopyFileW((testenv::BinDir() + L"\\scanSetting.xml").c_str(),
                              dir_.File(L"scanSetting.xml").c_str(), FALSE));
    }
};

TEST_F(ShippedDataScanClean, ScanFixAndRestoreABrokenRunValue)
{
    apptest::ComInit com;
    constexpr wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
    const std::wstring name = testenv::UniqueName(L"shippedflow");
    const std::wstring command = L"\"" + dir_.File(name + L".exe") + L"\"";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kRun, name.c_str(), REG_SZ, command.c_str(),
                              static_cast<DWORD>((command.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    struct Cleanup {
        std::wstring name;
        ~Cleanup() { RegDeleteKeyValueW(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Run", name.c_str()); }
    } cleanup{name};
    auto exists = [&] {
        return RegGetValueW(HKEY_CURRENT_USER, kRun, name.c_str(), RRF_RT_ANY, nullptr, nullptr, nullptr) ==
               ERROR_SUCCESS;
    };

    Click(dlg_->Page(kMainPage)->Hwnd(), 1009);
    ASSERT_TRUE(apptest::PumpUntil([&] { return Current(kSelectPage); }, 300000));
    const int checked = g_engine->GetCheckedCount();
    ASSERT_GE(checked, 1);
    SendMessageW(dlg_->Hwnd(), WM_COMMAND, MAKEWPARAM(kCmdAction, BN_CLICKED), 0);
    ASSERT_TRUE(Current(kCleanPage));
    ASSERT_TRUE(apptest::PumpUntil([&] { return Status(2).rfind(L"Total problem(s) fixed: ", 0) == 0 &&
                                                WaitForSingleObject(dlg_->ScanIdleEvent(), 0) == WAIT_OBJECT_0; },
                                   300000))
        << testenv::WideToUtf8(Status(2));
    EXPECT_FALSE(exists());

    ASSERT_EQ(FilesIn(dir_.File(L"regback")).size(), 2u);

    // The backup page restores it.
    SetMessageBoxAnswer([](const std::wstring&, const std::wstring&, int) { return 1; });
    auto* page = static_cast<CBackupRestoreChildWnd*>(dlg_->Page(kBackupPage));
    dlg_->ShowPage(page);
    ASSERT_EQ(page->List().Count(), 1);
    EXPECT_EQ(page->NameOf(0).substr(14), L"-p.regbak");
    page->List().Select(0);
    SendMessageW(dlg_->Hwnd(), WM_COMMAND, MAKEWPARAM(kCmdAction, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dlg_->Button(kCmdAction)->Hwnd()));
    ASSERT_TRUE(apptest::PumpUntil([&] { return !page->Busy(); }, 300000));
    SetMessageBoxAnswer(nullptr);
    EXPECT_EQ(page->ResultText(), L"The registry was restored.");
    EXPECT_TRUE(exists());
}

}  // namespace
