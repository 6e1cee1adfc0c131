// The ignore list page over the fake engine: the group counts, the entry
// rows under the master row, the check-all rule, "Remove" enabled by the
// checks, and the indices the removal passes to the engine.
#include "app/PageTestFixture.h"
#include "pages/IgnoreChildWnd.h"

using namespace ui;

namespace {

class IgnorePageTest : public pagetest::PageTest {
protected:
    void AddGroup(const wchar_t* name, int entries, int is64 = 1)
    {
        auto g = std::make_unique<RegScanCategory>();
        g->name = name;
        for (int e = 0; e < entries; ++e) {
            auto p = std::make_unique<RegEntryProb>();
            p->rootName = L"HKEY_LOCAL_MACHINE";
            p->keyPath = std::wstring(L"SOFTWARE\\") + name;
            p->valueName = L"v" + std::to_wstring(e);
            p->is64View = is64;
            g->problems.Add(std::move(p));
        }
        fake_.ignoreList.Add(std::move(g));
    }
    CIgnoreChildWnd& Ignore() { return *static_cast<CIgnoreChildWnd*>(Page(kIgnorePage)); }
    CReportList& Groups() { return Ignore().Groups(); }
    CReportList& Entries() { return Ignore().Entries(); }
    void Enter()
    {
        dlg_->ShowPage(Page(kMainPage));
        dlg_->ShowPage(Page(kIgnorePage));
    }
};

TEST_F(IgnorePageTest, GroupsWithTheirCountsAndEveryEntryUnderTheMasterRow)
{
    AddGroup(L"Fonts", 4);
    AddGroup(L"Help Files", 1, 0);
    Enter();
    EXPECT_EQ(GetDlgCtrlID(Groups().Hwnd()), 1612);
    EXPECT_EQ(GetDlgCtrlID(Entries().Hwnd()), 1613);
    ASSERT_EQ(Groups().Count(), 3);
    EXPECT_EQ(Groups().Text(0, 0), L"ALL Categories(5)");
    EXPECT_EQ(Groups().Text(1, 0), L"Fonts(4)");
    EXPECT_EQ(Groups().Text(2, 0), L"Help Files(1)");
    ASSERT_EQ(Entries().Count(), 6);
    EXPECT_EQ(Entries().Text(0, 0), L"  Check ALL  ");
    EXPECT_EQ(Entries().Text(1, 0), L"(win64)HKEY_LOCAL_MACHINE\\SOFTWARE\\Fonts\\v0");
    EXPECT_EQ(Entries().Text(5, 0), L" (win32) HKEY_LOCAL_MACHINE\\SOFTWARE\\Help Files\\v0");
    EXPECT_EQ(ActionCaption(), L"Remove");
    EXPECT_FALSE(Enabled(kCmdAction));  // nothing checked

    Groups().Select(2);
    ASSERT_EQ(Entries().Count(), 2);
    EXPECT_EQ(Entries().Text(1, 0), L" (win32) HKEY_LOCAL_MACHINE\\SOFTWARE\\Help Files\\v0");
}

TEST_F(IgnorePageTest, TheMasterRowChecksAllAndRemoveFollowsTheChecks)
{
    AddGroup(L"Fonts", 3);
    Enter();
    Entries().SetChecked(0, true);
    for (int row = 1; row < 4; ++row) EXPECT_TRUE(Entries().Checked(row)) << row;
    EXPECT_TRUE(Enabled(kCmdAction));
    Entries().SetChecked(0, false);
    for (int row = 1; row < 4; ++row) EXPECT_FALSE(Entries().Checked(row)) << row;
    EXPECT_FALSE(Enabled(kCmdAction));
    Entries().SetChecked(2, true);
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_FALSE(Entries().Checked(1));

    // "No" removes nothing.
    boxAnswer_ = 0;
    ClickAction();
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].text, L"Are you sure to Remove the Selected Items?");
    EXPECT_EQ(questions_[0].kind, kBoxWarning);
    EXPECT_TRUE(fake_.removeCalls.empty());
    EXPECT_TRUE(Entries().Checked(2));
}

TEST_F(IgnorePageTest, RemovingPassesEachIndexAsTheListStandsThenShowsAllAgain)
{
    AddGroup(L"Fonts", 4);
    AddGroup(L"Help Files", 2);
    Enter();
    Groups().Select(1);
    Groups().Select(0);
    // Entries 1 and 2 of the first group, entry 1 of the second.
    for (int row : {2, 3, 6}) Entries().SetChecked(row, true);
    boxAnswer_ = 1;
    ClickAction();
    const std::vector<std::pair<int, int>> expected = {{0, 1}, {0, 1}, {1, 1}};
    EXPECT_EQ(fake_.removeCalls, expected);
    EXPECT_EQ(Groups().Text(0, 0), L"ALL Categories(3)");
    EXPECT_EQ(Groups().Text(1, 0), L"Fonts(2)");
    EXPECT_EQ(Groups().NextSelected(-1), 0);
    ASSERT_EQ(Entries().Count(), 4);
    EXPECT_EQ(Entries().Text(2, 0), L"(win64)HKEY_LOCAL_MACHINE\\SOFTWARE\\Fonts\\v3");
    EXPECT_EQ(Entries().Text(3, 0), L"(win64)HKEY_LOCAL_MACHINE\\SOFTWARE\\Help Files\\v0");
    EXPECT_FALSE(Enabled(kCmdAction));
}

TEST_F(IgnorePageTest, AnIndexTheEngineRefusesStopsTheRemovalAndRereadsTheList)
{
    AddGroup(L"Fonts", 2);
    Enter();
    Entries().SetChecked(0, true);
    fake_.removeThrows = true;
    boxAnswer_ = 1;
    ClickAction();
    EXPECT_TRUE(fake_.removeCalls.empty());
    EXPECT_EQ(Groups().Text(0, 0), L"ALL Categories(2)");
    EXPECT_EQ(Entries().Count(), 3);
}

TEST_F(IgnorePageTest, Screenshot)
{
    AddGroup(L"Application Paths", 3);
    AddGroup(L"Shared DLLS", 2, 0);
    Enter();
    Entries().SetChecked(2, true);
    Entries().SetChecked(4, true);
    EXPECT_TRUE(Enabled(kCmdAction));
    Screenshot(L"ignore-page.png");
}

}  // namespace
