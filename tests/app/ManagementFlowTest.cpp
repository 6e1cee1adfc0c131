// The management pages end to end with the real engine on a fixture
// registry: a full backup from the backup page, a restore that brings the
// keys back as they were, a deletion; an ignored problem removed on the
// ignore page comes back in the next scan; a category unchecked on the scan
// area page is stored and skipped; the start-up box writes and deletes the
// program's Run value.
#include <gtest/gtest.h>
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppTestEnv.h"
#include "engine/backup/RegistryFixture.h"
#include "pages/BackupRestoreChildWnd.h"
#include "pages/IgnoreChildWnd.h"
#include "pages/MessageBox.h"
#include "pages/ProgramSettings.h"
#include "pages/SanSetting.h"
#include "shell/EngineBinding.h"
#include "support/ProgramWindow.h"

using namespace ui;

namespace {

constexpr wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

std::string CategoryXml(const char* element, const std::wstring& key)
{
    return std::string("  <") + element +
           " flag=\"true\" category=\"Application Paths\">\n"
           "    <Key rootKey=\"HKEY_CURRENT_USER\" subKey=\"" +
           testenv::WideToUtf8(key) + "\"/>\n  </" + element + ">\n";
}

class ManagementFlow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(window_.Ready());
        for (int i = 0; i < 3; ++i)
            first_.SetString(L"tool" + std::to_wstring(i) + L".exe", L"",
                             dir_.File(L"missing" + std::to_wstring(i) + L".exe"));
        second_.SetString(L"other.exe", L"", dir_.File(L"missing-other.exe"));
        dir_.Write(L"scanSetting.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<ScanSetting>\n" +
                                           CategoryXml("AppPaths", first_.path()) +
                                           CategoryXml("MoreAppPaths", second_.path()) + "</ScanSetting>\n");
        SetMessageBoxAnswer([this](const std::wstring&, const std::wstring&, int) {
            ++questions_;
            return 1;
        });
        OpenWindow();
    }
    void TearDown() override { SetMessageBoxAnswer(nullptr); }
    void OpenWindow()
    {
        dlg_ = window_.Open();
        ASSERT_NE(dlg_, nullptr);
    }
    void CloseWindow()
    {
        window_.Close();
        dlg_ = nullptr;
    }
    void Click(int id)
    {
        SendMessageW(dlg_->Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(dlg_->Button(id)->Hwnd()));
    }
    // A scan through the engine table, as the scan page starts it; the
    // number of problems found per result entry.
    std::vector<int> Scan()
    {
        HANDLE thread = g_engine->StartScan();
        EXPECT_NE(thread, nullptr);
        if (!thread) return {};
        EXPECT_TRUE(
            apptest::PumpUntil([&] { return WaitForSingleObject(thread, 0) == WAIT_OBJECT_0; }, 60000));
        std::vector<int> found;
        for (const RegScanCategory* r : *g_engine->GetScanResults())
            found.push_back(r->problemCount - r->ignoredCount);
        return found;
    }
    std::vector<std::wstring> DumpBoth()
    {
        std::vector<std::wstring> all = fixture::Dump(HKEY_CURRENT_USER, first_.path(), 0);
        for (const std::wstring& line : fixture::Dump(HKEY_CURRENT_USER, second_.path(), 0))
            all.push_back(L"2" + line);
        return all;
    }

    testenv::ProgramWindow window_{L"manage"};
    testenv::ScratchDir& dir_ = window_.Folder();
    testenv::ScratchKey first_{HKEY_CURRENT_USER, L"Software", L"manage1"};
    testenv::ScratchKey second_{HKEY_CURRENT_USER, L"Software", L"manage2"};
    CKelvuDlg* dlg_ = nullptr;
    int questions_ = 0;
};

TEST_F(ManagementFlow, FullBackupRestoreAndDeleteFromTheBackupPage)
{
    apptest::ComInit com;
    auto* page = static_cast<CBackupRestoreChildWnd*>(dlg_->Page(kBackupPage));
    dlg_->ShowPage(page);
    ASSERT_EQ(page->List().Count(), 0);
    Click(kCmdFullBackup);
    ASSERT_TRUE(apptest::PumpUntil([&] { return !page->Busy(); }, 60000));
    EXPECT_EQ(page->ResultText(), L"Full registry backup completed.");
    ASSERT_EQ(page->List().Count(), 1);
    EXPECT_EQ(page->List().Text(0, 1), L"Full registry backup");
    const std::wstring name = page->NameOf(0);
    EXPECT_EQ(name.substr(14), L"-f.regbak");

    const std::vector<std::wstring> before = DumpBoth();
    ASSERT_FALSE(before.empty());
    first_.SetString(L"tool0.exe", L"", L"C:\\changed.exe");
    first_.SetString(L"added.exe", L"Path", L"C:\\");
    RegDeleteTreeW(HKEY_CURRENT_USER, (second_.path() + L"\\other.exe").c_str());
    ASSERT_NE(DumpBoth(), before);

    page->List().Select(0);
    Click(kCmdAction);
    EXPECT_EQ(questions_, 1);
    ASSERT_TRUE(apptest::PumpUntil([&] { return !page->Busy(); }, 60000));
    EXPECT_EQ(page->ResultText(), L"The registry was restored.");
    EXPECT_EQ(DumpBoth(), before);

    page->List().Select(0);
    Click(kCmdSecond);
    EXPECT_EQ(questions_, 2);
    EXPECT_EQ(page->List().Count(), 0);
    EXPECT_EQ(GetFileAttributesW(dir_.File(L"regback\\" + name).c_str()), INVALID_FILE_ATTRIBUTES);
    // Coming back rebuilds the list from the store.
    dlg_->ShowPage(dlg_->Page(kMainPage));
    dlg_->ShowPage(page);
    EXPECT_EQ(page->List().Count(), 0);
}

TEST_F(ManagementFlow, AnIgnoredProblemRemovedOnTheIgnorePageIsReportedAgain)
{
    apptest::ComInit com;
    ASSERT_EQ(Scan(), (std::vector<int>{3, 1}));
    ASSERT_EQ(g_engine->IgnoreProblem(1, 0), 1);
    ASSERT_EQ(Scan(), (std::vector<int>{3, 0}));

    auto* page = static_cast<CIgnoreChildWnd*>(dlg_->Page(kIgnorePage));
    dlg_->ShowPage(page);
    ASSERT_EQ(page->Entries().Count(), 2);
    EXPECT_NE(page->Entries().Text(1, 0).find(L"other.exe"), std::wstring::npos);
    page->Entries().SetChecked(1, true);
    Click(kCmdAction);
    EXPECT_EQ(questions_, 1);
    EXPECT_EQ(page->Entries().Count(), 1);  // the master row only
    dlg_->ShowPage(dlg_->Page(kMainPage));
    EXPECT_EQ(Scan(), (std::vector<int>{3, 1}));
}

TEST_F(ManagementFlow, AnUncheckedCategoryIsStoredSkippedAndShownSoByANewWindow)
{
    apptest::ComInit com;
    auto* page = static_cast<CSanSetting*>(dlg_->Page(kScanAreaPage));
    dlg_->ShowPage(page);
    ASSERT_TRUE(page->Box(1).Checked());
    SendMessageW(page->Box(1).Hwnd(), BM_CLICK, 0, 0);
    EXPECT_FALSE(page->Box(1).Checked());
    const std::string xml = dir_.Read(L"scanSetting.xml");
    EXPECT_NE(xml.find("MoreAppPaths flag=\"false\""), std::string::npos) << xml;
    EXPECT_NE(xml.find("AppPaths flag=\"true\""), std::string::npos) << xml;
    dlg_->ShowPage(dlg_->Page(kMainPage));
    EXPECT_EQ(Scan(), (std::vector<int>{3}));

    CloseWindow();
    OpenWindow();
    page = static_cast<CSanSetting*>(dlg_->Page(kScanAreaPage));
    dlg_->ShowPage(page);
    EXPECT_TRUE(page->Box(0).Checked());
    EXPECT_FALSE(page->Box(1).Checked());
}

TEST_F(ManagementFlow, TheStartupBoxWritesAndDeletesTheQuotedRunValue)
{
    auto* page = static_cast<CProgramSettings*>(dlg_->Page(kSettingsPage));
    dlg_->ShowPage(page);
    CCheckBox& box = page->BoxById(CProgramSettings::kStartupBox);
    ASSERT_FALSE(box.Checked());
    ASSERT_FALSE(fixture::ValueExists(HKEY_CURRENT_USER, kRunKey, L"Registry_quorv", 0));
    // Later tests count the Run values: this one goes also when a check fails.
    struct RunValueGuard {
        ~RunValueGuard() { RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, L"Registry_quorv"); }
    } guard;
    SendMessageW(box.Hwnd(), BM_CLICK, 0, 0);
    wchar_t data[600] = L"";
    DWORD size = sizeof(data);
    ASSERT_EQ(
        RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Registry_quorv", RRF_RT_REG_SZ, nullptr, data, &size),
        ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(data), OwnStartupEntry().commandLine);
    EXPECT_EQ(std::wstring(data).front(), L'"');
    // A new visit finds it.
    dlg_->ShowPage(dlg_->Page(kMainPage));
    dlg_->ShowPage(page);
    EXPECT_TRUE(box.Checked());
    SendMessageW(box.Hwnd(), BM_CLICK, 0, 0);
    EXPECT_FALSE(fixture::ValueExists(HKEY_CURRENT_USER, kRunKey, L"Registry_quorv", 0));
}

// The backup page with the data files exactly as shipped: the full backup
// leaves the shortcut folders out instead of failing, and restoring it from
// the page gives back the keys as they were. It changes the whole prefix, so
// it runs alone.
class ShippedDataWindow : public ManagementFlow {
protected:
    void SetUp() override
    {
        ManagementFlow::SetUp();
        ASSERT_TRUE(CopyFileW((testenv::BinDir() + L"\\scanSetting.xml").c_str(),
                              dir_.File(L"scanSetting.xml").c_str(), FALSE));
    }
};

TEST_F(ShippedDataWindow, FullBackupAndRestoreFromTheBackupPage)
{
    apptest::ComInit com;
    auto* page = static_cast<CBackupRestoreChildWnd*>(dlg_->Page(kBackupPage));
    dlg_->ShowPage(page);
    const auto before = fixture::Dump(HKEY_CURRENT_USER, kRunKey, 0);
    const auto events = fixture::Dump(HKEY_CURRENT_USER, L"AppEvents", 0);
    Click(kCmdFullBackup);
    ASSERT_TRUE(apptest::PumpUntil([&] { return !page->Busy(); }, 120000));
    EXPECT_EQ(page->ResultText(), L"Full registry backup completed.");
    ASSERT_EQ(page->List().Count(), 1);
    const std::string index = dir_.Read(L"regback\\" + page->NameOf(0));
    EXPECT_NE(index.find("<category name=\"Program Shortcuts\" saved=\"no\""), std::string::npos) << index;

    const std::wstring planted = testenv::UniqueName(L"shippedwindow");
    ASSERT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, kRunKey, planted.c_str(), REG_SZ, L"C:\\x.exe", 20), ERROR_SUCCESS);
    page->List().Select(0);
    Click(kCmdAction);
    EXPECT_EQ(questions_, 1);
    ASSERT_TRUE(apptest::PumpUntil([&] { return !page->Busy(); }, 300000));
    EXPECT_EQ(page->ResultText(), L"The registry was restored.");
    EXPECT_FALSE(fixture::ValueExists(HKEY_CURRENT_USER, kRunKey, planted.c_str(), 0));
    EXPECT_EQ(fixture::Dump(HKEY_CURRENT_USER, kRunKey, 0), before);
    EXPECT_EQ(fixture::Dump(HKEY_CURRENT_USER, L"AppEvents", 0), events);
    RegDeleteKeyValueW(HKEY_CURRENT_USER, kRunKey, planted.c_str());
}

}  // namespace
