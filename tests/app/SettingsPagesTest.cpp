// The scan area and program settings pages in the real main window over the
// fake engine: one box per category with the stored flags, every click
// stored and shown as the file holds it; Registry.ini, the caption X
// options and the program's own start-up entry.
#include "app/PageTestFixture.h"
#include "pages/ProgramSettings.h"
#include "pages/SanSetting.h"

using namespace ui;

namespace {

// A click as the user makes it: the box toggles and tells its parent.
void Click(CCheckBox& box)
{
    SendMessageW(box.Hwnd(), BM_CLICK, 0, 0);
}
bool Shown(CCheckBox& box)
{
    return IsWindowVisible(box.Hwnd()) != FALSE;
}
bool Usable(CCheckBox& box)
{
    return IsWindowEnabled(box.Hwnd()) != FALSE;
}

std::wstring IniValue(const wchar_t* key)
{
    wchar_t buf[64] = L"";
    GetPrivateProfileStringW(L"ProgramSettings", key, L"<none>", buf, 64, L".\\Registry.ini");
    return buf;
}

class ScanAreaPageTest : public pagetest::PageTest {
protected:
    CSanSetting& Area() { return *static_cast<CSanSetting*>(Page(kScanAreaPage)); }
};

TEST_F(ScanAreaPageTest, OneBoxPerCategoryShowingItsStoredFlag)
{
    AddCategory(L"COM/ActiveX Entries", true, L"ActiveX");
    AddCategory(L"Application Paths", false, L"AppPaths");
    AddCategory(L"Install&Uninstall Entries", true, L"Uninstall");
    AddCategory(L"Fonts", false, L"Fonts");
    AddCategory(L"Sound&App Events", true, L"Sounds");
    dlg_->ShowPage(Page(kScanAreaPage));
    EXPECT_TRUE(Visible(kCmdAction));
    EXPECT_EQ(ActionCaption(), L"OK");
    const bool expected[5] = {true, false, true, false, true};
    for (int k = 0; k < 5; ++k) {
        EXPECT_EQ(GetDlgCtrlID(Area().Box(k).Hwnd()), 1701 + k);
        EXPECT_TRUE(Shown(Area().Box(k))) << k;
        EXPECT_EQ(Area().Box(k).Checked(), expected[k]) << k;
    }
    for (int k = 5; k < CSanSetting::kBoxCount; ++k) EXPECT_FALSE(Shown(Area().Box(k))) << k;

    // "OK" goes back to the main menu and hides the bar's buttons.
    ClickAction();
    EXPECT_EQ(dlg_->CurrentPage(), Page(kMainPage));
    EXPECT_FALSE(Visible(kCmdAction));
}

TEST_F(ScanAreaPageTest, AClickStoresTheElementsFlagAndTheBoxShowsWhatTheFileHolds)
{
    AddCategory(L"COM/ActiveX Entries", true, L"ActiveX");
    AddCategory(L"Sound&App Events", true, L"Sounds");
    dlg_->ShowPage(Page(kScanAreaPage));
    Click(Area().Box(1));
    ASSERT_EQ(fake_.categoryWrites.size(), 1u);
    EXPECT_EQ(fake_.categoryWrites[0].first, L"Sounds");  // the element, not the category name
    EXPECT_EQ(fake_.categoryWrites[0].second, L"false");
    EXPECT_FALSE(Area().Box(1).Checked());
    Click(Area().Box(1));
    EXPECT_EQ(fake_.categoryWrites.back().second, L"true");
    EXPECT_TRUE(Area().Box(1).Checked());

    // A write that did not land does not show as stored.
    fake_.failCategoryWrites = true;
    std::vector<std::wstring> said;
    ui::SetStandardBoxAnswer([&](const std::wstring& text, const std::wstring&, UINT) {
        said.push_back(text);
        return IDOK;
    });
    Click(Area().Box(0));
    EXPECT_EQ(fake_.categoryWrites.back(), std::make_pair(std::wstring(L"ActiveX"), std::wstring(L"false")));
    EXPECT_TRUE(Area().Box(0).Checked());
    EXPECT_EQ(said, std::vector<std::wstring>{L"The scan area could not be saved in scanSetting.xml; it stays as it was."});

    // Re-entering reads the flags again.
    fake_.categories[1]->enabled = 0;
    dlg_->ShowPage(Page(kMainPage));
    dlg_->ShowPage(Page(kScanAreaPage));
    EXPECT_FALSE(Area().Box(1).Checked());
}

// The page as printed into a canvas: where its texts left ink.
bool InkIn(apptest::Canvas& canvas, const RECT& r)
{
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            if (canvas.IsInk(x, y)) return true;
    return false;
}

TEST_F(ScanAreaPageTest, EveryCategoryGetsALabelAThirteenthInAThirdColumnWithoutABox)
{
    const wchar_t* names[] = {L"COM/ActiveX Entries",
                              L"Application Paths",
                              L"File Extensions",
                              L"File Associations",
                              L"Install&Uninstall Entries",
                              L"Font Entries",
                              L"Shared DLLS",
                              L"Help Files",
                              L"History Lists",
                              L"Program Shortcuts",
                              L"Sound&App Events",
                              L"Windows Startup Items",
                              L"Thirteenth"};
    for (int i = 0; i < 13; ++i) AddCategory(names[i], i % 4 != 3, L"E");
    dlg_->ShowPage(Page(kScanAreaPage));
    for (int k = 0; k < CSanSetting::kBoxCount; ++k) EXPECT_TRUE(Shown(Area().Box(k))) << k;
    RECT client{};
    GetClientRect(Area().Hwnd(), &client);
    apptest::Canvas canvas(client.right, client.bottom, RGB(255, 255, 255));
    SendMessageW(Area().Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    // (Design places, at the page's DPI.)
    const ui::Dpi s(Area().DpiValue());
    EXPECT_TRUE(InkIn(canvas, s({150, 80, 400, 105})));  // label 0
    EXPECT_TRUE(InkIn(canvas, s({450, 280, 700, 305})));  // label 11
    EXPECT_TRUE(InkIn(canvas, {s(750), s(80), client.right, s(105)}));  // label 12
    EXPECT_FALSE(InkIn(canvas, {s(750), s(120), client.right, s(145)}));

    // The shipped twelve, three of them off.
    fake_.categories.RemoveAt(12);
    dlg_->ShowPage(Page(kMainPage));
    dlg_->ShowPage(Page(kScanAreaPage));
    Screenshot(L"scan-area-page.png");
}

TEST(ScanAreaLabel, ShowsTheAmpersandOfTheTwoNamesThatHoldOne)
{
    EXPECT_EQ(ScanAreaLabel(L"Install&Uninstall Entries"), L"Install&&Uninstall Entries");
    EXPECT_EQ(ScanAreaLabel(L"sound&app events"), L"Sound&&App Events");
    EXPECT_EQ(ScanAreaLabel(L"Fonts"), L"Fonts");
}

class SettingsPageTest : public pagetest::PageTest {
protected:
    void SetUp() override
    {
        pagetest::PageTest::SetUp();
        ui::SetStandardBoxAnswer([this](const std::wstring& text, const std::wstring& caption, UINT flags) {
            standard_.push_back({text, caption, static_cast<int>(flags)});
            return IDOK;
        });
    }
    CProgramSettings& Settings() { return *static_cast<CProgramSettings*>(Page(kSettingsPage)); }
    CCheckBox& Box(int id) { return Settings().BoxById(id); }
    void Enter()
    {
        dlg_->ShowPage(Page(kMainPage));
        dlg_->ShowPage(Page(kSettingsPage));
    }
    std::vector<pagetest::BoxQuestion> standard_;
};

TEST_F(SettingsPageTest, AFreshFolderShowsEveryOptionOffAndTheTrayOptionOpen)
{
    Enter();
    for (int id = CProgramSettings::kStartupBox; id <= CProgramSettings::kTrayCloseBox; ++id)
        EXPECT_FALSE(Box(id).Checked()) << id;
    EXPECT_TRUE(Usable(Box(CProgramSettings::kTrayCloseBox)));
    EXPECT_EQ(ActionCaption(), L"OK");
}

TEST_F(SettingsPageTest, TheRestorePointCannotBeTurnedOff)
{
    Enter();
    Click(Box(CProgramSettings::kRestorePointBox));  // on
    EXPECT_TRUE(standard_.empty());
    EXPECT_EQ(IniValue(L"CreateRestorePoint"), L"TRUE");
    Click(Box(CProgramSettings::kRestorePointBox));  // off: refused
    ASSERT_EQ(standard_.size(), 1u);
    EXPECT_EQ(standard_[0].text, L"For security,you must set this item.");
    EXPECT_EQ(standard_[0].caption, L"Create Restore Point");
    EXPECT_EQ(standard_[0].kind, static_cast<int>(MB_OK));
    EXPECT_TRUE(Box(CProgramSettings::kRestorePointBox).Checked());
    EXPECT_EQ(IniValue(L"CreateRestorePoint"), L"TRUE");
}

TEST_F(SettingsPageTest, AskingOnCloseClearsAndLocksTheTrayOption)
{
    Enter();
    Click(Box(CProgramSettings::kTrayCloseBox));
    EXPECT_EQ(IniValue(L"MinAppClickXButton"), L"TRUE");
    Click(Box(CProgramSettings::kAskCloseBox));
    EXPECT_EQ(IniValue(L"AskClickXButton"), L"TRUE");
    EXPECT_EQ(IniValue(L"MinAppClickXButton"), L"FALSE");
    EXPECT_FALSE(Box(CProgramSettings::kTrayCloseBox).Checked());
    EXPECT_FALSE(Usable(Box(CProgramSettings::kTrayCloseBox)));

    // Stored: a new visit shows the same, locked.
    Enter();
    EXPECT_TRUE(Box(CProgramSettings::kAskCloseBox).Checked());
    EXPECT_FALSE(Usable(Box(CProgramSettings::kTrayCloseBox)));
    Click(Box(CProgramSettings::kAskCloseBox));
    EXPECT_EQ(IniValue(L"AskClickXButton"), L"FALSE");
    EXPECT_TRUE(Usable(Box(CProgramSettings::kTrayCloseBox)));

    Click(Box(CProgramSettings::kUpdatesBox));
    EXPECT_EQ(IniValue(L"AutoCheckUpdates"), L"TRUE");
    Click(Box(CProgramSettings::kUpdatesBox));
    EXPECT_EQ(IniValue(L"AutoCheckUpdates"), L"FALSE");
}

TEST_F(SettingsPageTest, TheStartupEntryIsTheQuotedPathWithScanAndAFailureShows)
{
    wchar_t self[MAX_PATH] = L"";
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring command = L"\"" + std::wstring(self) + L"\" -scan";
    EXPECT_EQ(OwnStartupEntry().commandLine, command);

    Enter();
    Click(Box(CProgramSettings::kStartupBox));
    ASSERT_EQ(fake_.startupWrites.size(), 1u);
    EXPECT_EQ(fake_.startupWrites[0], command);
    EXPECT_EQ(fake_.disabledRemoves, std::vector<std::wstring>{command});
    EXPECT_TRUE(Box(CProgramSettings::kStartupBox).Checked());
    EXPECT_TRUE(standard_.empty());

    fake_.startupDeleteResult = 0;
    Click(Box(CProgramSettings::kStartupBox));
    EXPECT_EQ(fake_.startupDeletes, std::vector<std::wstring>{command});
    EXPECT_TRUE(Box(CProgramSettings::kStartupBox).Checked());  // put back
    ASSERT_EQ(standard_.size(), 1u);
    EXPECT_EQ(standard_[0].text, L"The start-up entry could not be changed.");

    fake_.startupWriteResult = 0;
    Box(CProgramSettings::kStartupBox).SetChecked(false);
    Click(Box(CProgramSettings::kStartupBox));
    EXPECT_FALSE(Box(CProgramSettings::kStartupBox).Checked());
    EXPECT_EQ(fake_.disabledRemoves.size(), 1u);  // no record dropped for a value never written
    EXPECT_EQ(standard_.size(), 2u);
}

TEST_F(SettingsPageTest, Screenshot)
{
    fake_.runValueListed = true;
    WriteProgramSetting(L"CreateRestorePoint", true);
    WriteProgramSetting(L"AskClickXButton", true);
    Enter();
    EXPECT_TRUE(Box(CProgramSettings::kStartupBox).Checked());
    Screenshot(L"settings-page.png");
}

TEST_F(SettingsPageTest, TheStartupBoxShowsOnlyAnEnabledRunValue)
{
    fake_.runValueListed = true;
    fake_.runValueEnabled = 0;  // the startup manager disabled it
    Enter();
    EXPECT_FALSE(Box(CProgramSettings::kStartupBox).Checked());
    fake_.runValueEnabled = 1;
    Enter();
    EXPECT_TRUE(Box(CProgramSettings::kStartupBox).Checked());
}

}  // namespace

TEST_F(SettingsPageTest, ASettingThatCannotBeSavedIsSaidAndTheBoxesShowTheFile)
{
    Enter();
    Click(Box(CProgramSettings::kTrayCloseBox));
    ASSERT_EQ(IniValue(L"MinAppClickXButton"), L"TRUE");
    // The copy Registry.ini is written through cannot be made.
    ASSERT_TRUE(CreateDirectoryW(scratch_->File(L"Registry.ini.new").c_str(), nullptr));
    Click(Box(CProgramSettings::kUpdatesBox));
    EXPECT_FALSE(Box(CProgramSettings::kUpdatesBox).Checked());
    Click(Box(CProgramSettings::kAskCloseBox));  // would clear the tray option first
    EXPECT_FALSE(Box(CProgramSettings::kAskCloseBox).Checked());
    EXPECT_TRUE(Box(CProgramSettings::kTrayCloseBox).Checked());
    EXPECT_TRUE(Usable(Box(CProgramSettings::kTrayCloseBox)));
    RemoveDirectoryW(scratch_->File(L"Registry.ini.new").c_str());
    ASSERT_EQ(standard_.size(), 2u);
    for (const auto& box : standard_)
        EXPECT_EQ(box.text, L"The setting could not be saved in Registry.ini; it stays as it was.");
    EXPECT_EQ(IniValue(L"AutoCheckUpdates"), L"<none>");
    EXPECT_EQ(IniValue(L"AskClickXButton"), L"<none>");
    EXPECT_EQ(IniValue(L"MinAppClickXButton"), L"TRUE");
}

TEST_F(SettingsPageTest, WhileARestartIsPendingTheStartupEntryIsNotChanged)
{
    table_.GetPendingCompaction = [] { return 1; };
    Enter();
    Click(Box(CProgramSettings::kStartupBox));
    EXPECT_FALSE(Box(CProgramSettings::kStartupBox).Checked());
    EXPECT_TRUE(fake_.startupWrites.empty());
    ASSERT_EQ(standard_.size(), 1u);
    EXPECT_EQ(standard_[0].text, L"The compacted registry replaces the current one at the next restart; restart first");
}
