// The registry defrag page inside the real main window, with a fake engine
// table whose hive list the tests fill and the real callback table called
// from worker threads as the engine's workers call it.
#include <thread>

#include "app/PageTestFixture.h"
#include "pages/DefragChildWnd.h"

using namespace ui;

namespace {

struct FakeDefrag {
    PtrArray<HiveItem> hives;
    uint64_t total = 0;
    int* running = nullptr;
    int* redraw = nullptr;
    std::atomic<int> analyses{0}, runs{0}, stops{0}, redraws{0}, releases{0}, updates{0};
    std::atomic<int> releasesWhileBusy{0};
    std::vector<int> updatedFlags;
    int redrawResult = 1;
};
FakeDefrag* g_defrag = nullptr;

int CORVEX_CALL StartDefragAnalysis(int* running, int* redraw)
{
    g_defrag->running = running;
    g_defrag->redraw = redraw;
    ++g_defrag->analyses;
    return 1;
}
PtrArray<HiveItem>* CORVEX_CALL GetHiveList() { return &g_defrag->hives; }
uint64_t CORVEX_CALL GetDefragSize() { return g_defrag->total; }
int CORVEX_CALL StartDefrag()
{
    ++g_defrag->runs;
    return 1;
}
int CORVEX_CALL StopDefrag()
{
    ++g_defrag->stops;
    if (g_defrag->running) __atomic_store_n(g_defrag->running, 2, __ATOMIC_SEQ_CST);
    return 1;
}
int CORVEX_CALL StartMapRedraw()
{
    ++g_defrag->redraws;
    return g_defrag->redrawResult;
}
int CORVEX_CALL UpdateDefragItem(HiveItem* hive)
{
    ++g_defrag->updates;
    g_defrag->updatedFlags.push_back(hive->flags);
    return 1;
}
int CORVEX_CALL ReleaseDefrag()
{
    ++g_defrag->releases;
    if (g_mainDlg && g_mainDlg->Workers().Running() > 0) ++g_defrag->releasesWhileBusy;
    return 1;
}

struct StandardBox {
    std::wstring text, caption;
    UINT flags;
};

class DefragPageTest : public pagetest::PageTest {
protected:
    void SetUp() override
    {
        pagetest::PageTest::SetUp();
        g_defrag = &defrag_;
        table_.StartDefragAnalysis = &StartDefragAnalysis;
        table_.GetHiveList = &GetHiveList;
        table_.GetDefragSize = &GetDefragSize;
        table_.StartDefrag = &StartDefrag;
        table_.StopDefrag = &StopDefrag;
        table_.StartMapRedraw = &StartMapRedraw;
        table_.UpdateDefragItem = &UpdateDefragItem;
        table_.ReleaseDefrag = &ReleaseDefrag;
        SetStandardBoxAnswer([this](const std::wstring& text, const std::wstring& caption, UINT flags) {
            boxes_.push_back({text, caption, flags});
            return standardAnswer_;
        });
        SetRestartHook([this] {
            ++restarts_;
            return restartResult_;
        });
    }
    void TearDown() override
    {
        SetStandardBoxAnswer(nullptr);
        SetRestartHook(nullptr);
        pagetest::PageTest::TearDown();
        g_defrag = nullptr;
    }
    HiveItem* AddHive(const wchar_t* key, uint64_t size, int state, int flags)
    {
        auto h = std::make_unique<HiveItem>();
        h->index = defrag_.hives.GetCount();
        h->keyName = key;
        h->size = size;
        h->state = state;
        h->flags = flags;
        return defrag_.hives.Add(std::move(h));
    }
    CDefragChildWnd* Defrag() { return static_cast<CDefragChildWnd*>(Page(kDefragPage)); }
    CReportList& Rows() { return Defrag()->List(); }
    // Enters the page and ends the analysis as the engine does.
    void EnterAnalysed()
    {
        dlg_->ShowPage(Page(kDefragPage));
        OnWorker([this](UiCallbackTable& cb) {
            __atomic_store_n(defrag_.running, 2, __ATOMIC_SEQ_CST);
            cb.OnDefragIdle(&defrag_.hives);
            cb.OnDefragFinished(1, 0);
        });
    }
    void SetRunning(int v) { __atomic_store_n(defrag_.running, v, __ATOMIC_SEQ_CST); }
    void Finish(int phase, int result)
    {
        OnWorker([&](UiCallbackTable& cb) {
            SetRunning(2);
            cb.OnDefragFinished(phase, result);
        });
    }
    std::wstring StatusShown()
    {
        for (int i = 0; i < 50 && Defrag()->Status().Pending() > 0; ++i)
            RedrawWindow(Defrag()->Hwnd(), &Defrag()->StatusRect(), nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        return Defrag()->Status().Current();
    }
    // The map pixel of a row (0 = bottom line) and column.
    COLORREF MapPixel(int row, int column)
    {
        const RECT& m = Defrag()->MapRect();
        return Defrag()->SurfaceAt(m.left + column, m.bottom - 1 - row);
    }

    FakeDefrag defrag_;
    std::vector<StandardBox> boxes_;
    int standardAnswer_ = IDNO;
    int restarts_ = 0;
    bool restartResult_ = true;
};

}  // namespace

TEST_F(DefragPageTest, EntryAnalysesAndTheRowsTakeEachHivesStateAtTheEnd)
{
    AddHive(L"\\REGISTRY\\MACHINE\\SOFTWARE", 30932992, 1, 2);
    AddHive(L"\\REGISTRY\\MACHINE\\SYSTEM", 8192, 1, 0);
    AddHive(L"\\REGISTRY\\USER\\.DEFAULT", 1536, 0, 0);  // its file could not be opened
    defrag_.total = 1000;
    EXPECT_EQ(GetDlgCtrlID(Rows().Hwnd()), 1713);
    dlg_->ShowPage(Page(kDefragPage));
    EXPECT_EQ(defrag_.analyses.load(), 1);
    EXPECT_EQ(ActionCaption(), L"Defragment");
    EXPECT_TRUE(Visible(kCmdAction));
    EXPECT_FALSE(Enabled(kCmdAction));
    EXPECT_TRUE(Visible(kCmdMainMenu));
    EXPECT_FALSE(Enabled(kCmdMainMenu));
    EXPECT_TRUE(Visible(kCmdHelp));
    EXPECT_FALSE(Visible(kCmdSecond));
    EXPECT_EQ(dlg_->Workers().Running(), 1);
    EXPECT_EQ(Defrag()->CurrentWorker(), CDefragChildWnd::Worker::Analysis);

    // As the engine: items and the map come before the end of the analysis.
    OnWorker([this](UiCallbackTable& cb) {
        cb.OnDefragItem(0, 0);
        cb.OnDefragDrawRange(1000, 0, 0, 0, 1000, 0, 1);
        __atomic_store_n(defrag_.running, 2, __ATOMIC_SEQ_CST);
        cb.OnDefragIdle(&defrag_.hives);
        // The menu stays locked until the worker's very last report.
        EXPECT_EQ(dlg_->Workers().Running(), 1);
        cb.OnDefragFinished(1, 0);
    });
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    ASSERT_EQ(Rows().Count(), 3);
    EXPECT_EQ(Rows().Text(0, 0), L"\\REGISTRY\\MACHINE\\SOFTWARE");
    EXPECT_EQ(Rows().Text(0, 1), L"30208K");
    EXPECT_EQ(Rows().Text(0, 3), L"fragment");
    EXPECT_EQ(Rows().Text(1, 3), L"unfragment");
    EXPECT_EQ(Rows().Text(2, 1), L"2K");
    EXPECT_EQ(Rows().Text(2, 3), L"");
    EXPECT_EQ(Rows().Image(0), kNoImage);
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_TRUE(Enabled(kCmdMainMenu));
    EXPECT_EQ(Defrag()->State(), CDefragChildWnd::kAnalysed);
    // The map drawn before the page knew the total is there.
    EXPECT_EQ(MapPixel(0, 0), RGB(0, 0, 0));
}

TEST_F(DefragPageTest, RowsChangeByHiveStateAndKind)
{
    HiveItem* h = AddHive(L"\\REGISTRY\\MACHINE\\SAM", 4096, 1, 0);
    EnterAnalysed();
    struct Case {
        int state, flags, kind;
        uint64_t copy;  // 0: none
        int image;
        const wchar_t* compact;
        const wchar_t* status;
    };
    const Case cases[] = {
        {1, 0, 1, 0, kImageScanning, L"", L"unfragment"},
        {1, 0, 2, 0, kImageWarning, L"-", L"access denied"},
        {3, 1, 0, 3072, kImageDone, L"3K", L"ok"},
        {3, 3, 1, 3072, kImageWarning, L"3K", L"compacted, fragmented"},
        {3, 0, 0, 5120, kImageWarning, L"5K", L"uncompacted"},
        {3, 1, 2, 3072, kImageWarning, L"-", L"access denied"},
        {4, 3, 0, 3072, kImageWarning, L"-", L"FRAGMENTED"},
        {4, 1, 0, 3072, kImageDone, L"-", L"OK"},
    };
    for (const Case& c : cases) {
        h->state = c.state;
        h->flags = c.flags;
        if (c.copy) {
            h->compactCopy = std::make_unique<HiveItem>();
            h->compactCopy->size = c.copy;
        } else {
            h->compactCopy.reset();
        }
        OnWorker([&](UiCallbackTable& cb) { cb.OnDefragItem(0, c.kind); });
        const std::string where = std::to_string(c.state) + "/" + std::to_string(c.flags) + "/" + std::to_string(c.kind);
        EXPECT_EQ(Rows().Image(0), c.image) << where;
        if (*c.compact) {
            EXPECT_EQ(Rows().Text(0, 2), c.compact) << where;
        }
        EXPECT_EQ(Rows().Text(0, 3), c.status) << where;
    }
    // An index beyond the list changes nothing.
    OnWorker([&](UiCallbackTable& cb) { cb.OnDefragItem(5, 0); });
    EXPECT_EQ(Rows().Count(), 1);
}

TEST_F(DefragPageTest, AStatusBurstIsShownTextByTextInOrder)
{
    dlg_->ShowPage(Page(kDefragPage));
    const std::vector<std::wstring> burst = {L"processing file for the key : a", L"compacted : a",
                                             L"processing file for the key : b", L"fail compact : b",
                                             L"defragmenting..."};
    // Straight from this thread, so no paint comes between the texts.
    for (const std::wstring& t : burst) CallbackTable()->OnDefragStatusText(&t);
    ASSERT_EQ(Defrag()->Status().Pending(), burst.size());
    std::vector<std::wstring> shown;
    for (int i = 0; i < 20 && Defrag()->Status().Pending() > 0; ++i) {
        RedrawWindow(Defrag()->Hwnd(), &Defrag()->StatusRect(), nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        shown.push_back(Defrag()->Status().Current());
    }
    EXPECT_EQ(shown, burst);
    // A paint of the map alone takes no text.
    const std::wstring next = L"Initialized";
    CallbackTable()->OnDefragStatusText(&next);
    RECT map = Defrag()->MapRect();
    RedrawWindow(Defrag()->Hwnd(), &map, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    EXPECT_EQ(Defrag()->Status().Pending(), 1u);
    // The end of the worker waits until the last text is shown.
    OnWorker([this](UiCallbackTable& cb) {
        cb.OnDefragFinished(1, 0);
    });
    EXPECT_EQ(Defrag()->Status().Pending(), 0u);
    EXPECT_EQ(Defrag()->Status().Current(), L"Initialized");
}

TEST_F(DefragPageTest, ARangeFillsItsPixelsAcrossRowsFromTheBottomLine)
{
    dlg_->ShowPage(Page(kDefragPage));
    const RECT m = Defrag()->MapRect();
    const int w = m.right - m.left, h = m.bottom - m.top;
    ASSERT_GT(w, 100);
    ASSERT_GT(h, 100);
    // One cluster per pixel: clusters [w - 3, 2w + 5) cover the last three
    // pixels of row 0, all of row 1 and five pixels of row 2.
    const uint64_t total = static_cast<uint64_t>(w) * static_cast<uint64_t>(h);
    const uint64_t first = static_cast<uint64_t>(w) - 3, end = 2 * static_cast<uint64_t>(w) + 5;
    OnWorker([&](UiCallbackTable& cb) {
        cb.OnDefragClearMap();
        cb.OnDefragDrawRange(static_cast<uint32_t>(total), 0, static_cast<uint32_t>(first), 0,
                             static_cast<uint32_t>(end), 0, 4);
    });
    const COLORREF yellow = RGB(255, 255, 0), grey = RGB(160, 160, 160);
    EXPECT_EQ(MapPixel(0, w - 4), grey);
    EXPECT_EQ(MapPixel(0, w - 3), yellow);
    EXPECT_EQ(MapPixel(0, w - 1), yellow);
    EXPECT_EQ(MapPixel(1, 0), yellow);
    EXPECT_EQ(MapPixel(1, w - 1), yellow);
    EXPECT_EQ(MapPixel(2, 4), yellow);
    EXPECT_EQ(MapPixel(2, 5), grey);
    EXPECT_EQ(MapPixel(3, 0), grey);
    // Outside the map nothing is drawn; the window shows the surface.
    EXPECT_NE(Defrag()->SurfaceAt(m.left - 1, m.bottom - 1), yellow);
    RECT client{};
    GetClientRect(Defrag()->Hwnd(), &client);
    apptest::Canvas canvas(client.right, client.bottom, RGB(1, 2, 3));
    SendMessageW(Defrag()->Hwnd(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    EXPECT_EQ(canvas.At(m.left, m.bottom - 2), yellow);
    EXPECT_EQ(canvas.At(m.left + 5, m.bottom - 3), grey);
    EXPECT_EQ(canvas.At(m.left - 1, m.bottom - 2), RGB(0, 0, 0));  // the frame
    // An empty range or no total draws nothing.
    OnWorker([&](UiCallbackTable& cb) {
        cb.OnDefragDrawRange(0, 0, 0, 0, 50, 0, 5);
        cb.OnDefragDrawRange(static_cast<uint32_t>(total), 0, 9, 0, 9, 0, 5);
    });
    EXPECT_EQ(MapPixel(0, 0), grey);
    EXPECT_EQ(MapPixel(0, 9), grey);
}

TEST_F(DefragPageTest, DefragmentWarnsFirstThenStopAndRebootReachTheSeam)
{
    AddHive(L"\\REGISTRY\\MACHINE\\SOFTWARE", 8192, 1, 2);
    EnterAnalysed();
    boxAnswer_ = 0;
    ClickAction();
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0].text, CDefragChildWnd::kCompactWarning);
    EXPECT_EQ(questions_[0].kind, kBoxWarning);
    EXPECT_EQ(defrag_.runs.load(), 0);
    EXPECT_EQ(ActionCaption(), L"Defragment");

    boxAnswer_ = 1;
    ClickAction();
    EXPECT_EQ(defrag_.runs.load(), 1);
    EXPECT_EQ(ActionCaption(), L"Stop");
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_FALSE(Enabled(kCmdMainMenu));
    EXPECT_EQ(dlg_->Workers().Running(), 1);
    SetRunning(0);
    // Selecting a row while the run goes on leaves the map alone.
    Rows().Select(0);
    EXPECT_EQ(defrag_.updates.load(), 0);
    // No second run while one goes on: the click stops it.
    ClickAction();
    EXPECT_EQ(defrag_.runs.load(), 1);
    EXPECT_EQ(defrag_.stops.load(), 1);
    EXPECT_EQ(ActionCaption(), L"Reboot");
    EXPECT_FALSE(Enabled(kCmdAction));
    Finish(3, 1);
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    EXPECT_EQ(Defrag()->State(), CDefragChildWnd::kFinished);
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_TRUE(Enabled(kCmdMainMenu));

    // "Reboot": the standard question; "No" restarts nothing.
    ClickAction();
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].text, L"Do you want to reboot your computer now?");
    EXPECT_EQ(boxes_[0].caption, L"Reboot");
    EXPECT_EQ(boxes_[0].flags, static_cast<UINT>(MB_YESNO));
    EXPECT_EQ(restarts_, 0);
    standardAnswer_ = IDYES;
    ClickAction();
    EXPECT_EQ(restarts_, 1);
    // A restart that fails says so and keeps "Reboot".
    restartResult_ = false;
    ClickAction();
    EXPECT_EQ(restarts_, 2);
    EXPECT_EQ(questions_.back().text, L"The computer could not be restarted.");
    EXPECT_EQ(ActionCaption(), L"Reboot");
    EXPECT_TRUE(Enabled(kCmdAction));
}

TEST_F(DefragPageTest, SelectionHighlightsTheHiveWhileIdle)
{
    AddHive(L"\\REGISTRY\\MACHINE\\SOFTWARE", 8192, 1, 2);
    AddHive(L"\\REGISTRY\\MACHINE\\SYSTEM", 8192, 1, 0);
    EnterAnalysed();
    Rows().Select(1);
    EXPECT_EQ(defrag_.hives[1]->flags & 4, 4);
    Rows().Select(0);
    EXPECT_EQ(defrag_.hives[1]->flags & 4, 0);
    EXPECT_EQ(defrag_.hives[0]->flags & 4, 4);
    ASSERT_GE(defrag_.updatedFlags.size(), 3u);
    EXPECT_EQ(defrag_.updatedFlags.back() & 4, 4);
}

TEST_F(DefragPageTest, AnEarlyEndOrNoHiveLeavesDefragmentOff)
{
    dlg_->ShowPage(Page(kDefragPage));
    const std::wstring why = L"The volume c:\\ cannot be opened. The volume cannot be analysed.";
    OnWorker([&](UiCallbackTable& cb) {
        cb.OnDefragStatusText(&why);
        __atomic_store_n(defrag_.running, 2, __ATOMIC_SEQ_CST);
        cb.OnDefragFinished(1, 1);
    });
    EXPECT_EQ(StatusShown(), why);
    EXPECT_TRUE(Enabled(kCmdMainMenu));
    EXPECT_FALSE(Enabled(kCmdAction));
    EXPECT_EQ(Defrag()->State(), CDefragChildWnd::kNothingDone);
    ClickAction();
    EXPECT_EQ(defrag_.runs.load(), 0);
    EXPECT_EQ(dlg_->Workers().Running(), 0);

    // Analysed, but with no hive: nothing to run.
    dlg_->ShowPage(Page(kMainPage));
    dlg_->ShowPage(Page(kDefragPage));
    Finish(1, 0);
    EXPECT_EQ(Rows().Count(), 0);
    EXPECT_FALSE(Enabled(kCmdAction));
    EXPECT_TRUE(Enabled(kCmdMainMenu));
}

TEST_F(DefragPageTest, ARunAbortedByCompactionStillOffersTheReboot)
{
    AddHive(L"\\REGISTRY\\MACHINE\\SOFTWARE", 8192, 1, 2);
    EnterAnalysed();
    boxAnswer_ = 1;
    ClickAction();
    SetRunning(0);
    Finish(3, 2);
    EXPECT_EQ(ActionCaption(), L"Reboot");
    EXPECT_TRUE(Enabled(kCmdAction));
    EXPECT_FALSE(Visible(kCmdSecond));
    EXPECT_EQ(Defrag()->State(), CDefragChildWnd::kFinished);
}

TEST_F(DefragPageTest, LeavingWaitsForTheWorkerBeforeReleasing)
{
    AddHive(L"\\REGISTRY\\MACHINE\\SOFTWARE", 8192, 1, 2);
    EnterAnalysed();
    boxAnswer_ = 1;
    ClickAction();
    SetRunning(0);
    std::thread run([this] {
        // The page stops the run and waits; the run then ends.
        for (int i = 0; i < 1000 && defrag_.stops.load() == 0; ++i) Sleep(5);
        Sleep(100);
        CallbackTable()->OnDefragFinished(3, 1);
    });
    dlg_->ShowPage(Page(kMainPage));
    run.join();
    EXPECT_EQ(defrag_.stops.load(), 1);
    EXPECT_EQ(defrag_.releases.load(), 1);
    EXPECT_EQ(defrag_.releasesWhileBusy.load(), 0);
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    EXPECT_FALSE(Visible(kCmdAction));
    EXPECT_FALSE(Visible(kCmdMainMenu));
}

TEST_F(DefragPageTest, ClosingStopsTheRunAndWaitsForItsEnd)
{
    AddHive(L"\\REGISTRY\\MACHINE\\SOFTWARE", 8192, 1, 2);
    EnterAnalysed();
    boxAnswer_ = 1;
    ClickAction();
    SetRunning(0);
    std::thread run([this] {
        for (int i = 0; i < 1000 && !dlg_->IsClosing(); ++i) Sleep(5);
        Sleep(100);
        CallbackTable()->OnDefragFinished(3, 1);
    });
    SendMessageW(dlg_->Hwnd(), WM_CLOSE, 0, 0);
    run.join();
    EXPECT_TRUE(dlg_->Closed());
    EXPECT_GE(defrag_.stops.load(), 1);
    EXPECT_EQ(dlg_->Workers().Running(), 0);
}

TEST_F(DefragPageTest, AResizeRedrawsWhenIdleAndAsksTheWorkerOtherwise)
{
    AddHive(L"\\REGISTRY\\MACHINE\\SOFTWARE", 8192, 1, 2);
    dlg_->ShowPage(Page(kDefragPage));
    HWND page = Defrag()->Hwnd();
    RECT r{};
    GetClientRect(page, &r);
    // During the analysis: a redraw after it.
    SetWindowPos(page, nullptr, 0, 0, r.right - 10, r.bottom, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(defrag_.redraws.load(), 0);
    Finish(1, 0);
    EXPECT_EQ(defrag_.redraws.load(), 1);
    EXPECT_EQ(Defrag()->CurrentWorker(), CDefragChildWnd::Worker::Redraw);
    EXPECT_FALSE(Enabled(kCmdMainMenu));
    // During the redraw: the flag only.
    SetWindowPos(page, nullptr, 0, 0, r.right - 20, r.bottom, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(defrag_.redraws.load(), 1);
    EXPECT_EQ(Defrag()->RedrawFlag(), 1);
    // No run starts beside the redraw.
    boxAnswer_ = 1;
    ClickAction();
    EXPECT_EQ(defrag_.runs.load(), 0);
    OnWorker([](UiCallbackTable& cb) {
        cb.OnDefragBusy();
        cb.OnDefragIdle(nullptr);
    });
    EXPECT_EQ(Defrag()->CurrentWorker(), CDefragChildWnd::Worker::None);
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    EXPECT_TRUE(Enabled(kCmdMainMenu));
    // Idle: a redraw of its own.
    SetWindowPos(page, nullptr, 0, 0, r.right, r.bottom, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(defrag_.redraws.load(), 2);
    OnWorker([](UiCallbackTable& cb) { cb.OnDefragIdle(nullptr); });
    EXPECT_EQ(dlg_->Workers().Running(), 0);
}
