// The backup and restore page over the fake engine: the rows by name with
// their stamps and kinds, names without a stamp shown and refused, one
// operation at a time until its callback, the restore question, the
// deletion of every selected row and the outcome line.
#include "app/PageTestFixture.h"
#include "pages/BackupRestoreChildWnd.h"

using namespace ui;

namespace {

class BackupPageTest : public pagetest::PageTest {
protected:
    void AddBackup(const wchar_t* name, int kind)
    {
        auto b = std::make_unique<BackupEntry>();
        b->fileName = name;
        b->kind = kind;
        fake_.backups.Add(std::move(b));
    }
    CBackupRestoreChildWnd& Backup() { return *static_cast<CBackupRestoreChildWnd*>(Page(kBackupPage)); }
    CReportList& Rows() { return Backup().List(); }
    void Enter()
    {
        dlg_->ShowPage(Page(kMainPage));
        dlg_->ShowPage(Page(kBackupPage));
    }
    void SelectRows(std::initializer_list<int> rows)
    {
        ListView_SetItemState(Rows().Hwnd(), -1, 0, LVIS_SELECTED);
        for (int r : rows) ListView_SetItemState(Rows().Hwnd(), r, LVIS_SELECTED, LVIS_SELECTED);
    }
    bool MayLeave() { return Enabled(kCmdMainMenu); }
};

TEST_F(BackupPageTest, RowsByNameWithStampAndKindAndOddNamesShownAsTheyAre)
{
    AddBackup(L"20261209101500-p.regbak", 1);
    AddBackup(L"abc-p.regbak", 1);
    AddBackup(L"20261130080000-f.regbak", 0);
    AddBackup(L"20261331080000-f.regbak", 0);  // month 13
    Enter();
    EXPECT_EQ(GetDlgCtrlID(Rows().Hwnd()), 1608);
    ASSERT_EQ(Rows().Count(), 4);
    // By name: the two valid ones first, in time order.
    EXPECT_EQ(Backup().NameOf(0), L"20261130080000-f.regbak");
    EXPECT_EQ(Backup().NameOf(1), L"20261209101500-p.regbak");
    EXPECT_EQ(Rows().Text(0, 1), L"Full registry backup");
    EXPECT_EQ(Rows().Text(1, 1), L"Partial registry backup");
    EXPECT_NE(Rows().Text(0, 0).find(L"2026"), std::wstring::npos) << "the stamp shows the year";
    EXPECT_NE(Rows().Text(0, 0), L"20261130080000-f.regbak");
    EXPECT_EQ(Rows().Image(0), kImageDone);
    EXPECT_EQ(Rows().Text(2, 0), L"20261331080000-f.regbak");
    EXPECT_EQ(Rows().Image(2), kImageWarning);
    EXPECT_EQ(Rows().Text(3, 0), L"abc-p.regbak");
    EXPECT_EQ(Rows().Image(3), kImageWarning);

    EXPECT_FALSE(Enabled(kCmdAction));
    EXPECT_FALSE(Enabled(kCmdSecond));
    EXPECT_TRUE(Enabled(kCmdFullBackup));
    SelectRows({3});
    EXPECT_FALSE(Enabled(kCmdAction)) << "an odd name cannot be restored";
    EXPECT_FALSE(Enabled(kCmdSecond));
    ClickButton(kCmdSecond);
    ClickAction();
    EXPECT_TRUE(questions_.empty());
    SelectRows({1, 3});
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_TRUE(Enabled(kCmdSecond));
}

TEST_F(BackupPageTest, AFullBackupKeepsThePageBusyUntilItsCallback)
{
    Enter();
    EXPECT_EQ(Rows().Count(), 0);
    ClickButton(kCmdFullBackup);
    EXPECT_EQ(fake_.fullBackupCalls.load(), 1);
    EXPECT_TRUE(Backup().Busy());
    EXPECT_EQ(Backup().ResultText(), L"Taking a full registry backup ...");
    EXPECT_FALSE(Enabled(kCmdFullBackup));
    EXPECT_FALSE(MayLeave());
    EXPECT_EQ(dlg_->Workers().Running(), 1);
    ClickButton(kCmdFullBackup);  // no second start
    EXPECT_EQ(fake_.fullBackupCalls.load(), 1);

    AddBackup(L"20261209101500-f.regbak", 0);
    fake_.operationResult = 1;
    OnWorker([](UiCallbackTable& cb) { cb.OnBackupFinished(0); });
    EXPECT_FALSE(Backup().Busy());
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    EXPECT_EQ(Backup().ResultText(), L"Full registry backup completed.");
    EXPECT_EQ(Rows().Count(), 1);
    EXPECT_TRUE(MayLeave());
    EXPECT_TRUE(Enabled(kCmdFullBackup));

    ClickButton(kCmdFullBackup);
    fake_.operationResult = 0;
    OnWorker([](UiCallbackTable& cb) { cb.OnBackupFinished(0); });
    EXPECT_EQ(Backup().ResultText(), L"The full registry backup failed.");
    EXPECT_FALSE(Backup().Busy());
}

TEST_F(BackupPageTest, RestoreAsksFirstAndShowsItsOutcome)
{
    AddBackup(L"20261209101500-p.regbak", 1);
    AddBackup(L"20261210101500-p.regbak", 1);
    Enter();
    SelectRows({1, 0});
    boxAnswer_ = 0;
    ClickAction();
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].text.rfind(
                  L"Restore the registry from the backup of " + Rows().Text(0, 0) + L"?\r\n", 0),
              0u);
    EXPECT_NE(questions_[0].text.find(L"Changes made since then to the saved keys will be lost."),
              std::wstring::npos);
    EXPECT_TRUE(fake_.restoreCalls.empty());
    EXPECT_FALSE(Backup().Busy());

    boxAnswer_ = 1;
    ClickAction();
    ASSERT_EQ(fake_.restoreCalls,
              std::vector<std::wstring>{L"20261209101500-p.regbak"});  // the first selected
    EXPECT_TRUE(Backup().Busy());
    EXPECT_EQ(Backup().ResultText(), L"Restoring the registry ...");
    EXPECT_FALSE(Enabled(kCmdAction));
    EXPECT_FALSE(Enabled(kCmdSecond));
    EXPECT_FALSE(MayLeave());
    ClickAction();
    EXPECT_EQ(fake_.restoreCalls.size(), 1u);

    fake_.operationResult = 0;
    const std::wstring name = L"20261209101500-p.regbak";
    OnWorker([&](UiCallbackTable& cb) { cb.OnRestoreFinished(&name); });
    EXPECT_FALSE(Backup().Busy());
    EXPECT_EQ(Backup().ResultText(), L"The restore failed or was incomplete.");
    EXPECT_TRUE(MayLeave());
    EXPECT_EQ(dlg_->Workers().Running(), 0);

    boxAnswer_ = 1;
    ClickAction();
    fake_.operationResult = 1;
    OnWorker([&](UiCallbackTable& cb) { cb.OnRestoreFinished(&name); });
    EXPECT_EQ(Backup().ResultText(), L"The registry was restored.");
}

TEST_F(BackupPageTest, DeletingAsksOnceAndDeletesExactlyTheSelectedRows)
{
    for (const wchar_t* name :
         {L"20261201000000-p.regbak", L"20261202000000-p.regbak", L"20261203000000-p.regbak",
          L"20261204000000-f.regbak", L"20261205000000-p.regbak"})
        AddBackup(name, name[15] == L'f' ? 0 : 1);
    Enter();
    SelectRows({1, 3, 4});
    boxAnswer_ = 0;
    ClickButton(kCmdSecond);
    EXPECT_TRUE(fake_.deleteCalls.empty());
    boxAnswer_ = 1;
    ClickButton(kCmdSecond);
    EXPECT_EQ(questions_.size(), 2u);
    EXPECT_EQ(questions_[1].text, L"Are you sure to delete the backup?");
    const std::vector<std::wstring> expected = {L"20261202000000-p.regbak", L"20261204000000-f.regbak",
                                                L"20261205000000-p.regbak"};
    EXPECT_EQ(fake_.deleteCalls, expected);
    ASSERT_EQ(Rows().Count(), 2);
    EXPECT_EQ(Backup().NameOf(1), L"20261203000000-p.regbak");
    // The last deleted row was 4: the selection is clamped to the last row.
    EXPECT_EQ(Rows().NextSelected(-1), 1);
    EXPECT_EQ(Rows().SelectedCount(), 1);
    EXPECT_TRUE(Enabled(kCmdSecond));
}

TEST_F(BackupPageTest, ABackupThatCouldNotBeDeletedIsNamedAndStaysListed)
{
    for (const wchar_t* name : {L"20261201000000-p.regbak", L"20261202000000-p.regbak", L"20261203000000-p.regbak"})
        AddBackup(name, 1);
    fake_.undeletable = {L"20261202000000-p.regbak"};
    std::vector<std::wstring> said;
    SetStandardBoxAnswer([&](const std::wstring& text, const std::wstring&, UINT) {
        said.push_back(text);
        return IDOK;
    });
    Enter();
    SelectRows({0, 1, 2});
    boxAnswer_ = 1;
    ClickButton(kCmdSecond);
    EXPECT_EQ(fake_.deleteCalls.size(), 3u);
    ASSERT_EQ(Rows().Count(), 1);
    EXPECT_EQ(Backup().NameOf(0), L"20261202000000-p.regbak");
    EXPECT_EQ(said, std::vector<std::wstring>{L"These backups could not be deleted:\r\n20261202000000-p.regbak"});
}

TEST_F(BackupPageTest, WhileARestartIsPendingNothingIsRestored)
{
    AddBackup(L"20261209101500-p.regbak", 1);
    table_.GetPendingCompaction = [] { return 1; };
    std::vector<std::wstring> said;
    SetStandardBoxAnswer([&](const std::wstring& text, const std::wstring&, UINT) {
        said.push_back(text);
        return IDOK;
    });
    Enter();
    SelectRows({0});
    boxAnswer_ = 1;
    ClickAction();
    EXPECT_TRUE(fake_.restoreCalls.empty());
    EXPECT_TRUE(questions_.empty()) << "refused before the question";
    EXPECT_FALSE(Backup().Busy());
    EXPECT_EQ(said,
              std::vector<std::wstring>{L"The compacted registry replaces the current one at the next restart; restart first"});
}

TEST_F(BackupPageTest, Screenshot)
{
    AddBackup(L"20261125093012-f.regbak", 0);
    AddBackup(L"20261201181544-p.regbak", 1);
    AddBackup(L"20261207110205-p.regbak", 1);
    AddBackup(L"20261209084730-f.regbak", 0);
    Enter();
    ClickButton(kCmdFullBackup);
    AddBackup(L"20261209201518-f.regbak", 0);
    fake_.operationResult = 1;
    OnWorker([](UiCallbackTable& cb) { cb.OnBackupFinished(0); });
    ASSERT_EQ(Rows().Count(), 5);
    SelectRows({2});
    EXPECT_TRUE(Enabled(kCmdAction));
    Screenshot(L"backup-page.png");
}

}  // namespace
