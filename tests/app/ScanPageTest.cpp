// The scan page: the scan started on entry, the rows of the enabled
// categories, their three states, the stop button and leaving.
#include <thread>

#include "app/PageTestFixture.h"

using namespace ui;

namespace {

class ScanPageTest : public pagetest::PageTest {
protected:
    // Five categories, the second and fourth disabled.
    void AddFive()
    {
        AddCategory(L"COM/ActiveX Entries", true);
        AddCategory(L"Application Paths", false);
        AddCategory(L"File Extensions", true);
        AddCategory(L"Fonts", false);
        AddCategory(L"Help Files", true);
    }
    void EnterAndFill()
    {
        dlg_->ShowPage(Page(kScanPage));
        OnWorker([](UiCallbackTable& cb) { cb.OnScanStarted(); });
    }
    void Report(int index, int state, int found = 0)
    {
        fake_.categories[index]->scanState = state;
        fake_.categories[index]->foundCount = found;
        OnWorker([&](UiCallbackTable& cb) { cb.OnScanCategory(index); });
    }
    CReportList& Rows() { return List(kScanPage); }
};

TEST_F(ScanPageTest, EntryStartsAScanWithThePreparingRow)
{
    EXPECT_EQ(Rows().Count(), 1);
    EXPECT_EQ(Rows().Text(0, 0), L"Preparing Scanning Categories ...");
    EXPECT_EQ(Rows().Image(0), kNoImage);
    EXPECT_EQ(GetDlgCtrlID(Rows().Hwnd()), 1600);
    EXPECT_EQ(GetDlgCtrlID(ListPage(kScanPage)->Progress().Hwnd()), 1601);

    dlg_->ShowPage(Page(kScanPage));
    EXPECT_EQ(fake_.startScanCalls.load(), 1);
    EXPECT_EQ(dlg_->Workers().Running(), 1);
    EXPECT_FALSE(Idle());
    EXPECT_EQ(ActionCaption(), L"Stop Scan");
    EXPECT_TRUE(Visible(kCmdAction));
    EXPECT_FALSE(Enabled(kCmdAction));
    EXPECT_TRUE(Visible(kCmdMainMenu));
    EXPECT_FALSE(Enabled(kCmdMainMenu));
    EXPECT_TRUE(Visible(kCmdHelp));
    EXPECT_EQ(Rows().Count(), 1);  // stays until the category list arrives
}

TEST_F(ScanPageTest, FillListsTheEnabledCategoriesInOrder)
{
    AddFive();
    fake_.problemCount = 0;
    EnterAndFill();
    ASSERT_EQ(Rows().Count(), 3);
    const wchar_t* names[] = {L"COM/ActiveX Entries", L"File Extensions", L"Help Files"};
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(Rows().Text(row, 0), names[row]);
        EXPECT_EQ(Rows().Text(row, 1), L"");
        EXPECT_EQ(Rows().Image(row), kNoImage);
    }
    EXPECT_EQ(ListPage(kScanPage)->RowOf(2), 1);
    EXPECT_EQ(ListPage(kScanPage)->RowOf(1), -1);
    EXPECT_EQ(Range(kScanPage).iLow, 0);
    EXPECT_EQ(Range(kScanPage).iHigh, 3);
    EXPECT_EQ(Pos(kScanPage), 0);
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_EQ(Status(1), L"Total problem(s) found: 0");
}

TEST_F(ScanPageTest, CategoryStatesDriveRowsProgressAndTotal)
{
    AddFive();
    EnterAndFill();
    struct Step {
        int index, state, found, engineTotal;
        int row, image;
        const wchar_t* status;
        int pos;
        const wchar_t* line1;
    } steps[] = {
        // The first category scanning shows one step before anything is done.
        {0, 1, 0, 0, 0, kImageScanning, L"Scanning...", 1, L"Total problem(s) found: 0"},
        {0, 2, 0, 0, 0, kImageDone, L"No Problem", 1, L"Total problem(s) found: 0"},
        {2, 1, 0, 0, 1, kImageScanning, L"Scanning...", 1, L"Total problem(s) found: 0"},
        {2, 2, 4, 4, 1, kImageWarning, L"4 problem(s)", 2, L"Total problem(s) found: 4"},
        {4, 1, 0, 4, 2, kImageScanning, L"Scanning...", 2, L"Total problem(s) found: 4"},
        {4, 0, 0, 4, 2, kNoImage, L"", 2, L"Total problem(s) found: 4"},
        {4, 2, 1, 5, 2, kImageWarning, L"1 problem(s)", 3, L"Total problem(s) found: 5"},
    };
    for (const Step& s : steps) {
        fake_.problemCount = s.engineTotal;
        Report(s.index, s.state, s.found);
        EXPECT_EQ(Rows().Image(s.row), s.image) << s.index << "/" << s.state;
        EXPECT_EQ(Rows().Text(s.row, 1), s.status) << s.index << "/" << s.state;
        EXPECT_EQ(Pos(kScanPage), s.pos) << s.index << "/" << s.state;
        EXPECT_EQ(Status(1), s.line1) << s.index << "/" << s.state;
    }
    EXPECT_EQ(ListPage(kScanPage)->DoneCount(), 3);

    // Disabled, unknown and out-of-range reports change nothing.
    Report(1, 2, 7);
    fake_.categories[0]->scanState = 5;
    OnWorker([](UiCallbackTable& cb) {
        cb.OnScanCategory(0);
        cb.OnScanCategory(99);
        cb.OnScanCategory(-1);
    });
    EXPECT_EQ(Rows().Text(0, 1), L"No Problem");
    EXPECT_EQ(Rows().Count(), 3);
    EXPECT_EQ(Pos(kScanPage), 3);
}

TEST_F(ScanPageTest, AFinishedCategoryWaitsUntilItsTextsArePainted)
{
    AddFive();
    EnterAndFill();
    Report(0, 1);
    OnWorker([this](UiCallbackTable& cb) {
        for (int i = 0; i < 5; ++i) {
            std::wstring t = L"HKEY_CLASSES_ROOT\\CLSID\\item " + std::to_wstring(i);
            cb.OnScanItem(&t, i + 1);
        }
        fake_.categories[0]->scanState = 2;
        cb.OnScanCategory(0);
    });
    EXPECT_EQ(Queue(kScanPage)->Pending(), 0u);
    EXPECT_EQ(Queue(kScanPage)->Current(), L"HKEY_CLASSES_ROOT\\CLSID\\item 4");
    EXPECT_EQ(Rows().Text(0, 1), L"No Problem");
}

TEST_F(ScanPageTest, StopScanSetsTheFlagOnceAndTheFinishShowsTheSelectPage)
{
    AddFive();
    EnterAndFill();
    ClickAction();
    EXPECT_EQ(fake_.stopFlag.load(), 1);
    EXPECT_EQ(fake_.stopFlagCalls.load(), 1);
    EXPECT_FALSE(Enabled(kCmdAction));  // a second press is impossible
    OnWorker([](UiCallbackTable& cb) { cb.OnScanFinished(1); });
    EXPECT_EQ(dlg_->CurrentPage(), Page(kSelectPage));
    EXPECT_TRUE(Idle());
    EXPECT_EQ(dlg_->Workers().Running(), 0);
}

TEST_F(ScanPageTest, LeavingClearsTheRowsAndDropsLateReports)
{
    AddFive();
    fake_.problemCount = 2;
    EnterAndFill();
    dlg_->ShowPage(Page(kMainPage));
    EXPECT_EQ(Rows().Count(), 0);
    // The page cleared its line; the main menu shows its summary there.
    EXPECT_EQ(dlg_->StatusLine(1).value_or(L""), L"No scan yet");
    EXPECT_FALSE(Visible(kCmdHelp));
    EXPECT_FALSE(Visible(kCmdMainMenu));
    Report(0, 2, 3);  // the page is no longer current
    EXPECT_EQ(Rows().Count(), 0);

    // A new entry is a new scan; the preparing row does not come back.
    dlg_->ShowPage(Page(kScanPage));
    EXPECT_EQ(fake_.startScanCalls.load(), 2);
    EXPECT_EQ(Rows().Count(), 0);
}

TEST_F(ScanPageTest, NoCategoryListKeepsTheStopButtonDisabled)
{
    fake_.noCategories = true;
    EnterAndFill();
    EXPECT_EQ(Rows().Count(), 1);
    EXPECT_FALSE(Enabled(kCmdAction));
    OnWorker([](UiCallbackTable& cb) { cb.OnScanFinished(0); });
    EXPECT_EQ(dlg_->CurrentPage(), Page(kSelectPage));
}

TEST_F(ScanPageTest, ClosingStopsTheScanAndWaitsForItsEnd)
{
    AddFive();
    EnterAndFill();
    // The engine's scan thread: ends once it sees the stop flag.
    std::thread scan([this] {
        for (int i = 0; i < 1000 && fake_.stopFlag.load() == 0; ++i) Sleep(5);
        CallbackTable()->OnScanFinished(1);
    });
    SendMessageW(dlg_->Hwnd(), WM_CLOSE, 0, 0);
    scan.join();
    EXPECT_TRUE(dlg_->Closed());
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    EXPECT_EQ(dlg_->CurrentPage(), Page(kScanPage));
}

TEST_F(ScanPageTest, ScreenshotMidScan)
{
    AddFive();
    AddCategory(L"Shared DLLs", true);
    AddCategory(L"Startup Programs", true);
    EnterAndFill();
    fake_.problemCount = 4;
    Report(0, 1);
    Report(0, 2, 4);
    Report(2, 1);
    Report(2, 2, 0);
    Report(4, 1);
    OnWorker([](UiCallbackTable& cb) {
        std::wstring t = L"HKEY_CLASSES_ROOT\\CLSID\\{0002DF01-0000-0000-C000-000000000046}\\InprocServer32";
        cb.OnScanItem(&t, 1);
    });
    PaintedText(kScanPage);
    RedrawWindow(dlg_->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    apptest::Pump(200);
    size_t colours = 0;
    auto shot = apptest::CaptureWindow(dlg_->Hwnd(), L"scan-page.png", &colours);
    EXPECT_GT(colours, 8u);
}

}  // namespace
