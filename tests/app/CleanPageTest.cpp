// The clean page: the partial backup on entry, the rows of the entries with
// problems, the fix texts, the end of a completed, stopped or unbacked fix
// and the summary in LastScan.ini.
#include <windows.h>

#include <srrestoreptapi.h>

#include <thread>

#include "app/PageTestFixture.h"
#include "pages/CleanChildWnd.h"
#include "shell/LastScan.h"
#include "shell/RestorePoint.h"

using namespace ui;

namespace {

constexpr wchar_t kBackupQuestion[] =
    L"The registry backup could not be completed.\r\nFix the selected problems without a backup?";

class CleanPageTest : public pagetest::PageTest {
protected:
    // Four result entries, the second without problems: rows for 0, 2, 3.
    void AddFour()
    {
        AddResult(L"COM/ActiveX Entries", 3);
        AddResult(L"Application Paths", 0);
        AddResult(L"File Extensions", 5, 2);
        AddResult(L"Help Files", 2);
        fake_.problemCount = 10;
    }
    void EnterAndBackUp()
    {
        dlg_->ShowPage(Page(kCleanPage));
        OnWorker([](UiCallbackTable& cb) { cb.OnBackupFinished(1); });
        apptest::Pump(30);  // a failed backup asks through a posted message
    }
    void Progress(int index, int state, int fixed = 0, int notFixed = 0)
    {
        RegScanCategory* e = fake_.results[index];
        e->fixState = state;
        e->fixedCount = fixed;
        e->notFixedCount = notFixed;
        OnWorker([&](UiCallbackTable& cb) { cb.OnFixProgress(index); });
    }
    void Finish(int result)
    {
        OnWorker([&](UiCallbackTable& cb) { cb.OnFixFinished(result); });
    }
    CCleanChildWnd* Clean() { return static_cast<CCleanChildWnd*>(Page(kCleanPage)); }
    CReportList& Rows() { return List(kCleanPage); }
};

TEST_F(CleanPageTest, EntryTakesThePartialBackupFirst)
{
    AddFour();
    EXPECT_EQ(GetDlgCtrlID(Rows().Hwnd()), 1605);
    EXPECT_EQ(GetDlgCtrlID(ListPage(kCleanPage)->Progress().Hwnd()), 1606);
    dlg_->ShowPage(Page(kCleanPage));
    EXPECT_EQ(fake_.backupCalls.load(), 1);
    EXPECT_EQ(fake_.backupSource, &fake_.results);
    EXPECT_EQ(fake_.startFixCalls.load(), 0);
    EXPECT_EQ(dlg_->Workers().Running(), 1);
    EXPECT_FALSE(Idle());
    EXPECT_EQ(Clean()->State(), CCleanChildWnd::kRunning);
    EXPECT_EQ(ActionCaption(), L"Cancel");
    EXPECT_TRUE(Visible(kCmdAction));
    EXPECT_FALSE(Enabled(kCmdAction));
    EXPECT_TRUE(Visible(kCmdMainMenu));
    EXPECT_FALSE(Enabled(kCmdMainMenu));
    EXPECT_TRUE(Visible(kCmdHelp));
    ASSERT_EQ(Queue(kCleanPage)->Pending(), 1u);
    EXPECT_EQ(PaintedText(kCleanPage), L"Partially backup registry before fix ...");
    // The backup cannot be cancelled.
    Clean()->OnPrimaryAction();
    EXPECT_EQ(fake_.stopFlagCalls.load(), 0);
}

TEST_F(CleanPageTest, BackupDoneListsTheEntriesWithProblemsAndStartsTheFix)
{
    AddFour();
    fake_.fixedCount = 0;
    EnterAndBackUp();
    ASSERT_EQ(Rows().Count(), 3);
    const int entries[] = {0, 2, 3};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Rows().Text(row, 0), fake_.results[entries[row]]->name);
        EXPECT_EQ(Rows().Data(row), entries[row]);
        EXPECT_EQ(Rows().Image(row), kNoImage);
    }
    EXPECT_EQ(Range(kCleanPage).iHigh, 3);
    EXPECT_EQ(Pos(kCleanPage), 0);
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_EQ(Status(1), L"Total problem(s) found: 10");
    EXPECT_EQ(Status(2), L"Total problem(s) fixed: 0");
    EXPECT_EQ(fake_.startFixCalls.load(), 1);
    EXPECT_EQ(dlg_->Workers().Running(), 1);  // the backup ended, the fix runs
    EXPECT_TRUE(questions_.empty());

    // A full backup's report is not for this page.
    OnWorker([](UiCallbackTable& cb) { cb.OnBackupFinished(0); });
    EXPECT_EQ(fake_.startFixCalls.load(), 1);
}

TEST_F(CleanPageTest, FixProgressShowsCountsAndImages)
{
    AddFour();
    EnterAndBackUp();
    struct Step {
        int index, state, fixed, notFixed;
        int row, image;
        const wchar_t* status;
        int pos;
    } steps[] = {
        {2, 1, 0, 0, 1, kImageScanning, L"fixing...", 1},
        {2, 2, 3, 0, 1, kImageDone, L"3 of 5 problem(s) fixed, 2 ignored", 1},
        {0, 1, 0, 0, 0, kImageScanning, L"fixing...", 1},
        {0, 2, 1, 2, 0, kImageWarning, L"1 of 3 problem(s) fixed", 2},
        {3, 0, 0, 0, 2, kNoImage, L"", 2},
        {3, 2, 2, 0, 2, kImageDone, L"2 of 2 problem(s) fixed", 3},
    };
    for (const Step& s : steps) {
        Progress(s.index, s.state, s.fixed, s.notFixed);
        EXPECT_EQ(Rows().Image(s.row), s.image) << s.index << "/" << s.state;
        EXPECT_EQ(Rows().Text(s.row, 1), s.status) << s.index << "/" << s.state;
        EXPECT_EQ(Pos(kCleanPage), s.pos) << s.index << "/" << s.state;
    }
    Progress(1, 2);  // no row for an entry without problems
    EXPECT_EQ(Pos(kCleanPage), 3);
}

TEST_F(CleanPageTest, CompletedFixReportsAndOkReturnsToTheMainMenu)
{
    struct Case {
        int notFixed;
        const wchar_t* text;
        const wchar_t* remain;
    } cases[] = {
        {0, L"fix finished successfully", L"0"},
        {2,
         L"2 registry item were not fixed because they are being used by other applications.close other "
         L"applications and try it again.",
         L"2"},
    };
    for (const Case& c : cases) {
        fake_.results.Clear();
        AddFour();
        dlg_->ShowPage(Page(kMainPage));
        EnterAndBackUp();
        Progress(0, 2, 3 - c.notFixed, c.notFixed);
        Progress(2, 2, 3);
        Progress(3, 2, 2);
        fake_.results[1]->notFixedCount = 9;  // not listed, not counted
        fake_.fixedCount = 8 - c.notFixed;
        Finish(0);
        EXPECT_TRUE(Idle());
        EXPECT_EQ(dlg_->Workers().Running(), 0);
        EXPECT_EQ(Clean()->State(), CCleanChildWnd::kCompleted);
        EXPECT_EQ(ActionCaption(), L"OK");
        EXPECT_TRUE(Enabled(kCmdAction));
        EXPECT_TRUE(Enabled(kCmdMainMenu));
        EXPECT_EQ(PaintedText(kCleanPage), c.text);
        EXPECT_EQ(Status(2), L"Total problem(s) fixed: " + std::to_wstring(8 - c.notFixed));
        EXPECT_EQ(lastscan::Read(lastscan::kFixedCount), std::to_wstring(8 - c.notFixed));
        EXPECT_EQ(lastscan::Read(lastscan::kRemainCount), c.remain);
        ClickAction();
        EXPECT_EQ(dlg_->CurrentPage(), Page(kMainPage));
        EXPECT_EQ(Rows().Count(), 0);
        // The page cleared its line; the main menu shows its summary there.
        // (The summary is incomplete without the selection page's counts.)
        EXPECT_EQ(dlg_->StatusLine(1).value_or(L""), L"No scan yet");
        EXPECT_FALSE(dlg_->StatusLine(2).has_value());
    }
}

TEST_F(CleanPageTest, CancelStopsTheFixAndScanAgainStartsANewScan)
{
    AddFour();
    EnterAndBackUp();
    Progress(0, 1);
    Progress(0, 2, 2, 1);
    Progress(2, 1);
    ClickAction();  // "Cancel"
    EXPECT_EQ(fake_.stopFlag.load(), 1);
    EXPECT_FALSE(Enabled(kCmdAction));
    Progress(2, 2, 3);  // the entry under way still finishes
    fake_.fixedCount = 5;
    Finish(1);
    EXPECT_EQ(Clean()->State(), CCleanChildWnd::kStopped);
    EXPECT_EQ(ActionCaption(), L"Scan Again");
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_TRUE(Enabled(kCmdMainMenu));
    EXPECT_EQ(Rows().Text(0, 1), L"2 of 3 problem(s) fixed");
    EXPECT_EQ(Rows().Text(1, 1), L"3 of 5 problem(s) fixed, 2 ignored");
    EXPECT_EQ(Rows().Text(2, 1), L"canceled");
    // One left in a finished entry and the two of the cancelled one.
    EXPECT_EQ(PaintedText(kCleanPage),
              L"3 registry item were not fixed because they are being used by other applications.close other "
              L"applications and try it again.");
    EXPECT_EQ(lastscan::Read(lastscan::kFixedCount), L"5");
    EXPECT_EQ(lastscan::Read(lastscan::kRemainCount), L"3");
    EXPECT_EQ(dlg_->Workers().Running(), 0);

    ClickAction();
    EXPECT_EQ(dlg_->CurrentPage(), Page(kScanPage));
    EXPECT_EQ(fake_.startScanCalls.load(), 1);
}

TEST_F(CleanPageTest, FailedBackupAsksBeforeFixing)
{
    for (int answer : {0, 1}) {
        fake_.results.Clear();
        AddFour();
        fake_.operationResult = 0;
        fake_.startFixCalls = 0;
        questions_.clear();
        boxAnswer_ = answer;
        dlg_->ShowPage(Page(kMainPage));
        EnterAndBackUp();
        ASSERT_EQ(questions_.size(), 1u) << answer;
        EXPECT_EQ(questions_[0].text, kBackupQuestion);
        EXPECT_EQ(questions_[0].kind, kBoxWarning);
        EXPECT_EQ(dlg_->Workers().Running(), answer) << "the backup worker was counted out";
        if (answer == 1) {
            EXPECT_EQ(fake_.startFixCalls.load(), 1);
            EXPECT_EQ(Rows().Count(), 3);
            EXPECT_EQ(ActionCaption(), L"Cancel");
            EXPECT_FALSE(Idle());
            continue;
        }
        EXPECT_EQ(fake_.startFixCalls.load(), 0);
        EXPECT_EQ(Rows().Count(), 0);
        EXPECT_TRUE(Idle());
        EXPECT_EQ(Clean()->State(), CCleanChildWnd::kCompleted);
        EXPECT_EQ(ActionCaption(), L"OK");
        EXPECT_TRUE(Enabled(kCmdAction));
        EXPECT_TRUE(Enabled(kCmdMainMenu));
        EXPECT_EQ(PaintedText(kCleanPage), L"The registry backup could not be completed. Nothing was fixed.");
        EXPECT_EQ(lastscan::Read(lastscan::kFixedCount), L"0");
        EXPECT_EQ(lastscan::Read(lastscan::kRemainCount), L"10");
        ClickAction();
        EXPECT_EQ(dlg_->CurrentPage(), Page(kMainPage));
    }
}

TEST_F(CleanPageTest, NoResultsLetTheUserLeave)
{
    fake_.noResults = true;
    dlg_->ShowPage(Page(kCleanPage));
    EXPECT_EQ(fake_.backupCalls.load(), 0);
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    EXPECT_TRUE(Idle());
    EXPECT_TRUE(Enabled(kCmdMainMenu));
    EXPECT_EQ(Clean()->State(), CCleanChildWnd::kRunning);
}

TEST_F(CleanPageTest, ClosingStopsTheFixAndAFinishThenChangesNothing)
{
    AddFour();
    EnterAndBackUp();
    Clean()->OnAppClosing();
    EXPECT_FALSE(Enabled(kCmdAction));
    EXPECT_EQ(fake_.stopFlag.load(), 1);
    std::thread fix([this] {
        for (int i = 0; i < 1000 && !dlg_->IsClosing(); ++i) Sleep(5);
        CallbackTable()->OnFixFinished(1);
    });
    SendMessageW(dlg_->Hwnd(), WM_CLOSE, 0, 0);
    fix.join();
    EXPECT_TRUE(dlg_->Closed());
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    EXPECT_EQ(Clean()->State(), CCleanChildWnd::kRunning);
    EXPECT_TRUE(lastscan::Read(lastscan::kRemainCount).empty());
}

TEST_F(CleanPageTest, ClosingDuringTheBackupWaitsOnlyForTheBackup)
{
    AddFour();
    dlg_->ShowPage(Page(kCleanPage));
    std::thread backup([this] {
        for (int i = 0; i < 1000 && !dlg_->IsClosing(); ++i) Sleep(5);
        Sleep(100);
        CallbackTable()->OnBackupFinished(1);
    });
    const DWORD start = GetTickCount();
    SendMessageW(dlg_->Hwnd(), WM_CLOSE, 0, 0);
    const DWORD took = GetTickCount() - start;
    backup.join();
    EXPECT_TRUE(dlg_->Closed());
    EXPECT_LT(took, 2500u) << "waited for a fix that never runs";
    EXPECT_EQ(fake_.startFixCalls.load(), 0);
    EXPECT_EQ(dlg_->Workers().Running(), 0);
}

TEST_F(CleanPageTest, ScreenshotFinishedFix)
{
    AddFour();
    AddResult(L"Shared DLLs", 4);
    AddResult(L"Startup Programs", 1);
    fake_.problemCount = 15;
    EnterAndBackUp();
    Progress(0, 1);
    OnWorker([](UiCallbackTable& cb) {
        std::wstring t = L"HKEY_CLASSES_ROOT\\CLSID\\{0002DF01-0000-0000-C000-000000000046}";
        cb.OnFixItem(&t, 1);
    });
    Progress(0, 2, 3);
    Progress(2, 2, 3);
    Progress(3, 2, 1, 1);
    Progress(4, 2, 4);
    Progress(5, 2, 1);
    fake_.fixedCount = 12;
    Finish(0);
    PaintedText(kCleanPage);
    RedrawWindow(dlg_->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    apptest::Pump(200);
    size_t colours = 0;
    auto shot = apptest::CaptureWindow(dlg_->Hwnd(), L"clean-page.png", &colours);
    EXPECT_GT(colours, 8u);
}

// With "CreateRestorePoint" set, the fix is framed by a restore point,
// begun before the backup and ended after the fix: kept when something was
// fixed, cancelled otherwise. Without one the flow goes on and says so.
class CleanRestorePointTest : public CleanPageTest {
protected:
    struct PointCall {
        DWORD event, type;
        INT64 sequence;
    };
    void SetUp() override
    {
        CleanPageTest::SetUp();
        WritePrivateProfileStringW(L"ProgramSettings", L"CreateRestorePoint", L"TRUE", L".\\Registry.ini");
        SetRestorePointCall([this](DWORD event, DWORD type, INT64* sequence) {
            calls_.push_back({event, type, *sequence});
            if (!pointWorks_) return false;
            if (event == BEGIN_SYSTEM_CHANGE) *sequence = 77;
            return true;
        });
    }
    void TearDown() override
    {
        SetRestorePointCall(nullptr);
        CleanPageTest::TearDown();
    }
    // Enters the page and waits for the restore point worker.
    void EnterWithPoint()
    {
        dlg_->ShowPage(Page(kCleanPage));
        ASSERT_TRUE(apptest::PumpUntil([&] { return fake_.backupCalls.load() == 1; }));
        ASSERT_TRUE(apptest::PumpUntil([&] { return dlg_->Workers().Running() == 1; }));
        OnWorker([](UiCallbackTable& cb) { cb.OnBackupFinished(1); });
        ASSERT_EQ(fake_.startFixCalls.load(), 1);
    }
    std::vector<PointCall> calls_;
    bool pointWorks_ = true;
};

TEST_F(CleanRestorePointTest, AFailingRestorePointStillBacksUpAndFixesAndSaysSo)
{
    pointWorks_ = false;
    AddFour();
    EnterWithPoint();
    ASSERT_EQ(calls_.size(), 1u);
    EXPECT_EQ(calls_[0].event, static_cast<DWORD>(BEGIN_SYSTEM_CHANGE));
    EXPECT_EQ(calls_[0].type, static_cast<DWORD>(MODIFY_SETTINGS));
    fake_.fixedCount = 8;
    Finish(0);
    EXPECT_EQ(PaintedText(kCleanPage), L"fix finished successfully No restore point was created.");
    EXPECT_EQ(calls_.size(), 1u);  // nothing to end
    EXPECT_EQ(dlg_->Workers().Running(), 0);
}

TEST_F(CleanRestorePointTest, ThePointIsKeptAfterAFixAndCancelledWhenNothingWasFixed)
{
    AddFour();
    EnterWithPoint();
    fake_.fixedCount = 3;
    Finish(0);
    EXPECT_EQ(PaintedText(kCleanPage), L"fix finished successfully");
    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_EQ(calls_[1].event, static_cast<DWORD>(END_SYSTEM_CHANGE));
    EXPECT_EQ(calls_[1].type, static_cast<DWORD>(MODIFY_SETTINGS));
    EXPECT_EQ(calls_[1].sequence, 77);

    calls_.clear();
    fake_.results.Clear();
    AddFour();
    fake_.backupCalls = 0;
    fake_.startFixCalls = 0;
    dlg_->ShowPage(Page(kMainPage));
    EnterWithPoint();
    fake_.fixedCount = 0;
    Finish(1);
    ASSERT_EQ(calls_.size(), 2u);
    EXPECT_EQ(calls_[1].type, static_cast<DWORD>(CANCELLED_OPERATION));
}

}  // namespace
