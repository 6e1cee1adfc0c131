// The startup manager page over the real engine: real Run keys of the
// prefix and a scratch startupManage.xml.
#include <windows.h>

#include <commctrl.h>

#include "app/PageTestFixture.h"
#include "engine/startup/StartupTestSupport.h"
#include "pages/StartupManager.h"
#include "support/ReportRecorder.h"

using namespace ui;
using startuptest::RunValue;

namespace {

const wchar_t kRun[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\run";
const char kEmptyStore[] = "<?xml version=\"1.0\"?>\n<startupManage/>\n";

std::vector<std::wstring> g_properties;
int CORVEX_CALL RecordProperties(const std::wstring* path)
{
    g_properties.push_back(path ? *path : L"");
    return 1;
}

class StartupPageTest : public pagetest::PageTest {
protected:
    void SetUp() override
    {
        pagetest::PageTest::SetUp();
        scratch_->Write(L"startupManage.xml", kEmptyStore);
        engine_ = startuptest::Table();
        engine_.ShowFileProperties = &RecordProperties;
        g_engine = &engine_;
        g_properties.clear();
        boxAnswer_ = 1;
        // What the prefix lists before the test adds anything.
        base_ = static_cast<int>(startuptest::Load().size());
    }
    CStartupManager* Startup() { return static_cast<CStartupManager*>(Page(kStartupPage)); }
    HWND ListHwnd() { return Startup()->List().Hwnd(); }
    int Rows() { return ListView_GetItemCount(ListHwnd()); }
    std::wstring Cell(int row, int col)
    {
        wchar_t buf[256] = L"";
        ListView_GetItemText(ListHwnd(), row, col, buf, 256);
        return buf;
    }
    // The row of the item with this value name, or -1.
    int RowOf(const std::wstring& valueName)
    {
        const auto& items = Startup()->Items();
        for (int i = 0; i < items.GetCount() && i < Rows(); ++i)
            if (items[i]->valueName == valueName) return i;
        return -1;
    }
    void SelectRow(int row)
    {
        ListView_SetItemState(ListHwnd(), -1, 0, LVIS_SELECTED);
        ListView_SetItemState(ListHwnd(), row, LVIS_SELECTED, LVIS_SELECTED);
    }
    void SetShowDisable(const wchar_t* value)
    {
        WritePrivateProfileStringW(L"StartupManage", L"ShowDisable", value, L".\\Registry.ini");
    }
    std::wstring StatusText(int total, int enabled)
    {
        wchar_t t[128];
        wsprintfW(t, L"Total Startup items : %d ( %d Enabled and %d Disabled)", total, enabled, total - enabled);
        return t;
    }
    void DisabledRecord(const std::wstring& name, const std::wstring& command)
    {
        std::string store = "<?xml version=\"1.0\"?>\n<startupManage>";
        for (auto& r : records_) store += r;
        store += "<node fileNameDescType=\"d\" fileLocation=\"" + testenv::WideToUtf8(command) +
                 "\" filePath=\"p\" RegHkey=\"HKEY_CURRENT_USER\" RegSubkeyPath=\"" + testenv::WideToUtf8(kRun) +
                 "\" RegSubkeyName=\"" + testenv::WideToUtf8(name) + "\"/>";
        records_.push_back(store.substr(store.rfind("<node")));
        scratch_->Write(L"startupManage.xml", store + "</startupManage>");
    }

    EngineFunctionTable engine_{};
    int base_ = 0;
    std::vector<std::string> records_;
    ReportRecorder reports_;
};

}  // namespace

TEST_F(StartupPageTest, TheSettingDecidesWhichRowsAndTheBoxAndTheStatusCountsAll)
{
    RunValue a(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\a.exe /x");
    RunValue b(HKEY_CURRENT_USER, kRun, 0, L"\"C:\\Tamsel\\b.exe\" -y");
    RunValue c(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\c.exe");
    DisabledRecord(L"tamsel-off-1", L"C:\\Tamsel\\d.exe");
    DisabledRecord(L"tamsel-off-2", L"C:\\Tamsel\\e.exe");
    EXPECT_EQ(GetDlgCtrlID(ListHwnd()), 1614);
    EXPECT_EQ(GetDlgCtrlID(Startup()->ShowDisabledBox().Hwnd()), 1719);

    struct Case {
        const wchar_t* setting;  // null: none
        bool disabledListed;
        bool boxChecked;
    };
    for (const Case& k : {Case{nullptr, true, false}, Case{L"TRUE", true, true}, Case{L"FALSE", false, false}}) {
        SetShowDisable(k.setting);
        dlg_->ShowPage(Page(kStartupPage));
        const std::string where = k.setting ? testenv::WideToUtf8(k.setting) : "no setting";
        EXPECT_EQ(Rows(), base_ + (k.disabledListed ? 5 : 3)) << where;
        EXPECT_EQ(Startup()->ShowDisabledBox().Checked(), k.boxChecked) << where;
        EXPECT_EQ(Status(1), StatusText(base_ + 5, base_ + 3)) << where;
        const int ra = RowOf(a.name());
        ASSERT_GE(ra, 0) << where;
        EXPECT_EQ(Cell(ra, 0), L"Enable");
        EXPECT_EQ(Cell(ra, 2), L"Disable");
        const int rd = RowOf(L"tamsel-off-1");
        if (k.disabledListed) {
            ASSERT_GE(rd, 0) << where;
            EXPECT_EQ(Cell(rd, 0), L"Disable");
            EXPECT_EQ(Cell(rd, 2), L"Enable");
        } else {
            EXPECT_EQ(rd, -1) << where;
        }
        EXPECT_EQ(ListView_GetNextItem(ListHwnd(), -1, LVNI_SELECTED), 0) << where;
        EXPECT_TRUE(Visible(kCmdAction));
        EXPECT_EQ(ActionCaption(), L"Remove");
        dlg_->ShowPage(Page(kMainPage));
        EXPECT_EQ(Rows(), 0);
    }
    dlg_->ShowPage(Page(kStartupPage));
    RedrawWindow(dlg_->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    apptest::Pump(200);
    apptest::CaptureWindow(dlg_->Hwnd(), L"startup-page.png");
}

TEST_F(StartupPageTest, DisableRecordsAndDeletesThenEnableWritesTheValueBackExactly)
{
    RunValue v(HKEY_CURRENT_USER, kRun, 0, L"%SystemRoot%\\tamsel.exe /min", REG_EXPAND_SZ);
    DWORD type0 = 0;
    std::vector<BYTE> bytes0;
    ASSERT_TRUE(v.Read(type0, bytes0));
    SetShowDisable(L"TRUE");
    dlg_->ShowPage(Page(kStartupPage));
    int row = RowOf(v.name());
    ASSERT_GE(row, 0);

    // The list hands its cell clicks to the page.
    Startup()->List().onClick(row, CStartupManager::kActionColumn);
    EXPECT_FALSE(v.Exists());
    EXPECT_NE(scratch_->Read(L"startupManage.xml").find(testenv::WideToUtf8(v.name())), std::string::npos);
    EXPECT_EQ(Cell(row, 0), L"Disable");
    EXPECT_EQ(Cell(row, 2), L"Enable");
    EXPECT_EQ(Status(1), StatusText(base_ + 1, base_));

    Startup()->OnCellClick(row, CStartupManager::kActionColumn);
    DWORD type1 = 0;
    std::vector<BYTE> bytes1;
    ASSERT_TRUE(v.Read(type1, bytes1));
    EXPECT_EQ(type1, type0);
    EXPECT_EQ(bytes1, bytes0);
    EXPECT_EQ(scratch_->Read(L"startupManage.xml").find(testenv::WideToUtf8(v.name())), std::string::npos);
    EXPECT_EQ(Cell(row, 0), L"Enable");
    EXPECT_EQ(Cell(row, 2), L"Disable");
    EXPECT_EQ(Status(1), StatusText(base_ + 1, base_ + 1));
    // Clicks elsewhere toggle nothing; a double click on the program shows its file.
    Startup()->OnCellClick(row, CStartupManager::kProgramColumn);
    EXPECT_TRUE(v.Exists());
    Startup()->List().onDoubleClick(row, CStartupManager::kProgramColumn);
    ASSERT_EQ(g_properties.size(), 1u);
    EXPECT_EQ(g_properties[0], L"%SystemRoot%\\tamsel.exe");
    EXPECT_TRUE(questions_.empty());
}

TEST_F(StartupPageTest, WithTheBoxUncheckedADisabledRowGoesAndTheBoxBringsItBack)
{
    RunValue v(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\gone.exe");
    SetShowDisable(L"FALSE");
    dlg_->ShowPage(Page(kStartupPage));
    const int rows = Rows();
    Startup()->OnCellClick(RowOf(v.name()), CStartupManager::kActionColumn);
    EXPECT_EQ(Rows(), rows - 1);
    EXPECT_EQ(RowOf(v.name()), -1);
    EXPECT_EQ(Startup()->Items().GetCount(), Rows());
    EXPECT_EQ(Status(1), StatusText(base_ + 1, base_));

    SendMessageW(Startup()->ShowDisabledBox().Hwnd(), BM_CLICK, 0, 0);
    EXPECT_TRUE(Startup()->ShowDisabledBox().Checked());
    wchar_t setting[16] = L"";
    GetPrivateProfileStringW(L"StartupManage", L"ShowDisable", L"", setting, 16, L".\\Registry.ini");
    EXPECT_STREQ(setting, L"TRUE");
    const int row = RowOf(v.name());
    ASSERT_GE(row, 0);
    EXPECT_EQ(Cell(row, 2), L"Enable");
    Startup()->OnCellClick(row, CStartupManager::kActionColumn);
    EXPECT_TRUE(v.Exists());
}

TEST_F(StartupPageTest, AStoreThatCannotBeWrittenKeepsTheValueAndSaysSo)
{
    RunValue v(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\kept.exe");
    dlg_->ShowPage(Page(kStartupPage));
    const int row = RowOf(v.name());
    ASSERT_GE(row, 0);
    // Held open by another program: it cannot be read, so it is not replaced.
    HANDLE held = CreateFileW(scratch_->File(L"startupManage.xml").c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Startup()->OnCellClick(row, CStartupManager::kActionColumn);
    CloseHandle(held);
    EXPECT_TRUE(v.Exists());
    EXPECT_EQ(Cell(row, 0), L"Enable");
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].text, L"The startup item could not be recorded as disabled; it stays enabled.");
    EXPECT_FALSE(reports_.Take().empty());  // the engine's own box names the file
    EXPECT_EQ(Status(1), StatusText(base_ + 1, base_ + 1));
}

TEST_F(StartupPageTest, RemoveAsksThenRemovesAndRebuildsFromAFreshListing)
{
    RunValue a(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\ra.exe");
    RunValue b(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\rb.exe");
    DisabledRecord(L"tamsel-off-r", L"C:\\Tamsel\\rc.exe");
    dlg_->ShowPage(Page(kStartupPage));
    const int rows = Rows();

    // "No" removes nothing.
    boxAnswer_ = 0;
    SelectRow(RowOf(a.name()));
    ClickAction();
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].text,
              L"\r\nAre you sure that you want to remove the selected\r\nstartup item from the startup list.\r\n\r\n"
              L"\r\nThe original program will NOT be delete or \r\nuninstalled.");
    EXPECT_EQ(questions_[0].caption, L"Tamsel");
    EXPECT_EQ(questions_[0].kind, kBoxWarning);
    EXPECT_TRUE(a.Exists());

    boxAnswer_ = 1;
    SelectRow(RowOf(a.name()));
    ClickAction();
    EXPECT_FALSE(a.Exists());
    EXPECT_TRUE(b.Exists());
    EXPECT_EQ(Rows(), rows - 1);
    EXPECT_EQ(RowOf(a.name()), -1);
    // Every later row still acts on its own program.
    const int rb = RowOf(b.name());
    ASSERT_GE(rb, 0);
    EXPECT_EQ(Startup()->Items()[rb]->commandLine, L"C:\\Tamsel\\rb.exe");
    EXPECT_EQ(Status(1), StatusText(base_ + 2, base_ + 1));

    // A disabled row's record goes.
    SelectRow(RowOf(L"tamsel-off-r"));
    ClickAction();
    EXPECT_EQ(scratch_->Read(L"startupManage.xml").find("tamsel-off-r"), std::string::npos);
    EXPECT_EQ(Status(1), StatusText(base_ + 1, base_ + 1));

    // Nothing selected: nothing happens after the question.
    ListView_SetItemState(ListHwnd(), -1, 0, LVIS_SELECTED);
    const size_t asked = questions_.size();
    ClickAction();
    EXPECT_EQ(questions_.size(), asked + 1);
    EXPECT_TRUE(b.Exists());
}

TEST_F(StartupPageTest, EnablingAsksBeforeReplacingAValueTheProgramWroteSince)
{
    RunValue v(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\old.exe");
    SetShowDisable(L"TRUE");
    dlg_->ShowPage(Page(kStartupPage));
    const int row = RowOf(v.name());
    ASSERT_GE(row, 0);
    Startup()->OnCellClick(row, CStartupManager::kActionColumn);
    ASSERT_FALSE(v.Exists());
    RegSetKeyValueW(HKEY_CURRENT_USER, kRun, v.name().c_str(), REG_SZ, L"C:\\Tamsel\\new.exe",
                    sizeof L"C:\\Tamsel\\new.exe");

    // "No": the newer value and the record stay.
    boxAnswer_ = 0;
    Startup()->OnCellClick(row, CStartupManager::kActionColumn);
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_NE(questions_[0].text.find(L"C:\\Tamsel\\new.exe"), std::wstring::npos) << questions_[0].text;
    EXPECT_NE(questions_[0].text.find(L"C:\\Tamsel\\old.exe"), std::wstring::npos) << questions_[0].text;
    EXPECT_EQ(questions_[0].kind, kBoxWarning);
    DWORD type = 0;
    std::vector<BYTE> bytes;
    ASSERT_TRUE(v.Read(type, bytes));
    EXPECT_EQ(bytes, startuptest::Bytes(L"C:\\Tamsel\\new.exe"));
    EXPECT_NE(scratch_->Read(L"startupManage.xml").find(testenv::WideToUtf8(v.name())), std::string::npos);
    EXPECT_EQ(Cell(row, 0), L"Disable");

    // "Yes": the disabled command goes back and its record goes.
    boxAnswer_ = 1;
    Startup()->OnCellClick(row, CStartupManager::kActionColumn);
    ASSERT_TRUE(v.Read(type, bytes));
    EXPECT_EQ(bytes, startuptest::Bytes(L"C:\\Tamsel\\old.exe"));
    EXPECT_EQ(scratch_->Read(L"startupManage.xml").find(testenv::WideToUtf8(v.name())), std::string::npos);
    EXPECT_EQ(Cell(row, 0), L"Enable");
}

TEST_F(StartupPageTest, AnItemWindowsSwitchedOffIsListedDisabledAndEnabledByItsSwitch)
{
    RunValue v(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\switched.exe");
    startuptest::ApprovedSwitch off(HKEY_CURRENT_USER, L"Run", v.name(), startuptest::ApprovedBytes(3));
    SetShowDisable(L"TRUE");
    dlg_->ShowPage(Page(kStartupPage));
    int row = RowOf(v.name());
    ASSERT_GE(row, 0);
    EXPECT_EQ(Cell(row, 0), L"Disable");
    EXPECT_EQ(Startup()->Items()[row]->approvedKey,
              L"HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run");
    Startup()->OnCellClick(row, CStartupManager::kActionColumn);
    EXPECT_EQ(off.Read()[0], 2);
    EXPECT_EQ(Cell(row, 0), L"Enable");
    EXPECT_TRUE(v.Exists());
    EXPECT_TRUE(questions_.empty());

    // Removing one Windows switched off takes its Run value, as for any listed one.
    startuptest::ApprovedSwitch again(HKEY_CURRENT_USER, L"Run", v.name(), startuptest::ApprovedBytes(3));
    dlg_->ShowPage(Page(kMainPage));
    dlg_->ShowPage(Page(kStartupPage));
    row = RowOf(v.name());
    ASSERT_GE(row, 0);
    SelectRow(row);
    ClickAction();
    EXPECT_FALSE(v.Exists());
}

TEST_F(StartupPageTest, WhileARestartIsPendingNothingIsChanged)
{
    RunValue v(HKEY_CURRENT_USER, kRun, 0, L"C:\\Tamsel\\pending.exe");
    apptest::PendingSwap pending;
    std::vector<std::wstring> boxes;
    SetStandardBoxAnswer([&](const std::wstring& text, const std::wstring&, UINT) {
        boxes.push_back(text);
        return IDOK;
    });
    dlg_->ShowPage(Page(kStartupPage));
    const int row = RowOf(v.name());
    ASSERT_GE(row, 0);
    Startup()->OnCellClick(row, CStartupManager::kActionColumn);
    SelectRow(row);
    ClickAction();
    EXPECT_TRUE(v.Exists());
    EXPECT_EQ(Cell(row, 0), L"Enable");
    EXPECT_EQ(boxes, (std::vector<std::wstring>(
                         2, L"The compacted registry replaces the current one at the next restart; restart first")));
    EXPECT_TRUE(reports_.Take().empty()) << "the page said it, the engine was not asked";
}

TEST_F(StartupPageTest, ASettingThatCannotBeSavedIsSaidAndTheBoxShowsTheFile)
{
    SetShowDisable(L"FALSE");
    dlg_->ShowPage(Page(kStartupPage));
    ASSERT_FALSE(Startup()->ShowDisabledBox().Checked());
    // The copy Registry.ini is written through cannot be made.
    ASSERT_TRUE(CreateDirectoryW(scratch_->File(L"Registry.ini.new").c_str(), nullptr));
    SendMessageW(Startup()->ShowDisabledBox().Hwnd(), BM_CLICK, 0, 0);
    RemoveDirectoryW(scratch_->File(L"Registry.ini.new").c_str());
    EXPECT_FALSE(Startup()->ShowDisabledBox().Checked());
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].text, L"The setting could not be saved in Registry.ini; it stays as it was.");
    wchar_t setting[16] = L"";
    GetPrivateProfileStringW(L"StartupManage", L"ShowDisable", L"", setting, 16, L".\\Registry.ini");
    EXPECT_STREQ(setting, L"FALSE");
}
