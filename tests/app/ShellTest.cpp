// The main window and page frame with a fake engine table behind the real
// callback table: page switching, the current-page guard, the idle event,
// one progress text per paint and the close sequence.
#include <gtest/gtest.h>

#include <atomic>
#include <fstream>
#include <thread>
#include <utility>
#include <vector>

#include "app/AppTestEnv.h"
#include "controls/Dpi.h"
#include "controls/ImageCache.h"
#include "pure/LayoutRules.h"
#include "res/ResourceIds.h"
#include "shell/EngineBinding.h"
#include "shell/MainDlg.h"
#include "shell/ProgressTextQueue.h"
#include "shell/ShutdownBlock.h"
#include "shell/UiCallbacks.h"
#include "shell/UiThread.h"
#include "support/TestEnv.h"

using namespace ui;

namespace {

std::atomic<int> g_categoryCalls{0};
PtrArray<XMLElement>* CORVEX_CALL FakeGetScanCategories()
{
    ++g_categoryCalls;
    return nullptr;
}
std::atomic<int> g_releaseCalls{0};
int CORVEX_CALL FakeReleaseEngine()
{
    ++g_releaseCalls;
    return 1;
}

class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_ = {};
        fake_.GetScanCategories = &FakeGetScanCategories;
        fake_.ReleaseEngine = &FakeReleaseEngine;
        g_engine = &fake_;
        g_categoryCalls = 0;
        ASSERT_TRUE(StartUiThreadDispatch());
        g_imageCache = &cache_;
        MainDlgOptions o;
        o.bindEngine = false;
        o.trayIcon = false;
        o.quitOnDestroy = false;
        o.closeWaitSlices = 300;
        o.commandLine = commandLine_;
        dlg_ = std::make_unique<CKelvuDlg>(o);
        g_mainDlg = dlg_.get();
        ASSERT_TRUE(dlg_->Create());
        // Pages write their files (LastScan.ini) to the current folder.
        scratch_ = std::make_unique<testenv::ScratchDir>(L"shell");
        ShowWindow(dlg_->Hwnd(), SW_SHOW);
        apptest::Pump(50);
    }
    void TearDown() override
    {
        if (!dlg_->Closed()) DestroyWindow(dlg_->Hwnd());
        g_mainDlg = nullptr;
        dlg_.reset();
        StopUiThreadDispatch();
        g_imageCache = nullptr;
        g_engine = nullptr;
        DeleteFileW(L".\\Registry.ini");
        scratch_.reset();
    }
    CMyChildWnd* Page(int id) { return dlg_->Page(id); }
    bool Visible(int buttonId) { return IsWindowVisible(dlg_->Button(buttonId)->Hwnd()) != FALSE; }
    bool Enabled(int buttonId) { return IsWindowEnabled(dlg_->Button(buttonId)->Hwnd()) != FALSE; }
    RECT PageRect(int id)
    {
        RECT r{};
        GetWindowRect(Page(id)->Hwnd(), &r);
        MapWindowPoints(nullptr, dlg_->Hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }

    apptest::ComInit com_;
    EngineFunctionTable fake_{};
    ImageCache cache_;
    std::wstring commandLine_;
    std::unique_ptr<CKelvuDlg> dlg_;
    std::unique_ptr<testenv::ScratchDir> scratch_;
};

TEST_F(ShellTest, StartsOnTheMainMenuPageWithTheFixedSize)
{
    EXPECT_EQ(dlg_->CurrentPage(), Page(kMainPage));
    RECT wr{};
    GetWindowRect(dlg_->Hwnd(), &wr);
    EXPECT_EQ(wr.right - wr.left, 799);
    EXPECT_EQ(wr.bottom - wr.top, 602);
    EXPECT_FALSE(GetWindowLongW(dlg_->Hwnd(), GWL_STYLE) & WS_MAXIMIZEBOX);
    EXPECT_FALSE(Visible(kCmdHelp));
    EXPECT_FALSE(Visible(kCmdAction));
    wchar_t title[32] = L"";
    GetWindowTextW(dlg_->Hwnd(), title, 32);
    EXPECT_STREQ(title, L" Tamsel");
}

// Printable ASCII: no text of the window needs East Asian fonts.
bool IsPlainEnglish(const std::wstring& text)
{
    for (wchar_t c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

BOOL CALLBACK CollectText(HWND child, LPARAM lp)
{
    // An icon's window text is its resource ordinal, not a text.
    if ((GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return TRUE;
    wchar_t text[256] = L"";
    GetWindowTextW(child, text, 256);
    reinterpret_cast<std::vector<std::pair<int, std::wstring>>*>(lp)->emplace_back(GetDlgCtrlID(child), text);
    return TRUE;
}

INT_PTR CALLBACK QuietDialog(HWND, UINT, WPARAM, LPARAM)
{
    return FALSE;
}

TEST_F(ShellTest, TheSystemMenuAndTheAboutBoxSpeakEnglish)
{
    wchar_t item[128] = L"";
    ASSERT_GT(GetMenuStringW(GetSystemMenu(dlg_->Hwnd(), FALSE), 0x10, item, 128, MF_BYCOMMAND), 0);
    EXPECT_STREQ(item, L"&About Tamsel...");

    // The About box's own template, as RunAboutDialog opens it.
    HWND about = CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_TAMSEL_ABOUT), dlg_->Hwnd(),
                                    &QuietDialog, 0);
    ASSERT_TRUE(about);
    std::vector<std::pair<int, std::wstring>> texts;
    EnumChildWindows(about, &CollectText, reinterpret_cast<LPARAM>(&texts));
    wchar_t caption[64] = L"";
    GetWindowTextW(about, caption, 64);
    texts.emplace_back(0, caption);
    DestroyWindow(about);
    bool sawOk = false;
    for (const auto& [id, text] : texts) {
        EXPECT_TRUE(IsPlainEnglish(text)) << "control " << id;
        if (id == IDOK) sawOk = text == L"OK";
    }
    EXPECT_TRUE(sawOk) << "the About box's button reads \"OK\"";
}

RECT ChildRect(HWND child, HWND parent)
{
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

int FontHeight(HFONT font)
{
    LOGFONTW lf{};
    GetObjectW(font, sizeof lf, &lf);
    return lf.lfHeight;
}

// The window at the DPI it started with: the system's (144 in the prefix of
// app_tests.dpi144).
TEST_F(ShellTest, TheWindowIsTheDesignAtTheSystemDpi)
{
    const int dpi = SystemDpi();
    EXPECT_EQ(dlg_->DpiValue(), dpi);
    RECT wr{};
    GetWindowRect(dlg_->Hwnd(), &wr);
    EXPECT_EQ(wr.right - wr.left, layout::Scale(799, dpi));
    EXPECT_EQ(wr.bottom - wr.top, layout::Scale(602, dpi));
    EXPECT_EQ(FontHeight(dlg_->StatusFont()), layout::Scale(14, dpi));
    dlg_->ShowPage(Page(kIgnorePage));
    EXPECT_EQ(ChildRect(Page(kIgnorePage)->Hwnd(), dlg_->Hwnd()).top, layout::Scale(82, dpi));
}

// A move to a monitor of another DPI: the system suggests the new window
// rectangle, and fonts, buttons, pages and their controls follow.
TEST_F(ShellTest, ADpiChangeScalesFontsButtonsAndPages)
{
    dlg_->ShowPage(Page(kSettingsPage));
    RECT wr{};
    GetWindowRect(dlg_->Hwnd(), &wr);
    const int from = dlg_->DpiValue();
    for (const int dpi : {144, 120, from}) {
        SCOPED_TRACE(dpi);
        RECT suggested{wr.left, wr.top, wr.left + layout::Scale(799, dpi), wr.top + layout::Scale(602, dpi)};
        SendMessageW(dlg_->Hwnd(), WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(dlg_->DpiValue(), dpi);
        RECT now{};
        GetWindowRect(dlg_->Hwnd(), &now);
        EXPECT_TRUE(EqualRect(&now, &suggested));
        EXPECT_EQ(FontHeight(dlg_->StatusFont()), layout::Scale(14, dpi));
        const RECT help = ChildRect(dlg_->Button(kCmdHelp)->Hwnd(), dlg_->Hwnd());
        EXPECT_EQ(help.bottom - help.top, layout::Scale(24, dpi));
        EXPECT_EQ(help.top, layout::Scale(54, dpi));
        EXPECT_EQ(ChildRect(Page(kSettingsPage)->Hwnd(), dlg_->Hwnd()).top, layout::Scale(82, dpi));
        // A check box of the current page, and one of a page not shown.
        const RECT box = ChildRect(GetDlgItem(Page(kSettingsPage)->Hwnd(), 1714), Page(kSettingsPage)->Hwnd());
        EXPECT_EQ(box.left, layout::Scale(100, dpi));
        EXPECT_EQ(box.right - box.left, layout::Scale(115, dpi) - layout::Scale(100, dpi));
        const RECT area = ChildRect(GetDlgItem(Page(kScanAreaPage)->Hwnd(), 1707), Page(kScanAreaPage)->Hwnd());
        EXPECT_EQ(area.left, layout::Scale(430, dpi));
        EXPECT_EQ(Page(kScanAreaPage)->DpiValue(), dpi);
    }
}

TEST_F(ShellTest, EveryPageExistsWithItsHeaderTexts)
{
    struct Row {
        int id;
        const wchar_t* title;
    } rows[] = {
        {kMainPage, L""}, {kScanPage, L"Scan && Clean Windows Registry"}, {kSelectPage, L"Select Problems To Fix"},
        {kCleanPage, L"Clean Registry"}, {kBackupPage, L"Restore Windows Registry"},
        {kIgnorePage, L"Registry Ignored List"}, {kScanAreaPage, L"Registry Scan Settings"},
        {kDefragPage, L"Defrag"}, {kStartupPage, L"Startup Manager"}, {kSettingsPage, L"Program Settings"},
        {kSchedulePage, L"Scan Schedule"},
    };
    for (const auto& r : rows) {
        ASSERT_NE(Page(r.id), nullptr) << r.id;
        EXPECT_EQ(Page(r.id)->Title(), r.title);
        EXPECT_EQ(GetDlgCtrlID(Page(r.id)->Hwnd()), r.id);
        EXPECT_TRUE(GetWindowLongW(Page(r.id)->Hwnd(), GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
    }
}

TEST_F(ShellTest, ShowPageSwitchesPlacesAndSetsUpTheBottomBar)
{
    RECT client{};
    GetClientRect(dlg_->Hwnd(), &client);
    dlg_->ShowPage(Page(kScanPage));
    EXPECT_EQ(dlg_->CurrentPage(), Page(kScanPage));
    EXPECT_FALSE(IsWindowVisible(Page(kMainPage)->Hwnd()));
    EXPECT_TRUE(IsWindowVisible(Page(kScanPage)->Hwnd()));
    RECT r = PageRect(kScanPage);
    EXPECT_EQ(r.top, 82);
    EXPECT_EQ(r.bottom, client.bottom - 60);
    EXPECT_EQ(r.right, client.right);
    EXPECT_TRUE(Visible(kCmdAction));
    EXPECT_FALSE(Enabled(kCmdAction));
    EXPECT_EQ(dlg_->Button(kCmdAction)->Caption().text, L"Stop Scan");
    EXPECT_TRUE(Visible(kCmdMainMenu));
    EXPECT_FALSE(Enabled(kCmdMainMenu));

    dlg_->ShowPage(Page(kMainPage));
    EXPECT_EQ(PageRect(kMainPage).top, 0);
    EXPECT_FALSE(Visible(kCmdMainMenu));

    // Scan area page: "OK" goes back to the main menu; leaving hides the button.
    dlg_->ShowPage(Page(kScanAreaPage));
    EXPECT_EQ(dlg_->Button(kCmdAction)->Caption().text, L"OK");
    SendMessageW(dlg_->Hwnd(), WM_COMMAND, MAKEWPARAM(kCmdAction, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dlg_->Button(kCmdAction)->Hwnd()));
    EXPECT_EQ(dlg_->CurrentPage(), Page(kMainPage));
    EXPECT_FALSE(Visible(kCmdAction));
}

TEST_F(ShellTest, ShowingTheCurrentPageAgainCallsNoHook)
{
    dlg_->ShowPage(Page(kSelectPage));
    ShowWindow(Page(kSelectPage)->Hwnd(), SW_HIDE);  // an enter would show it again
    dlg_->ShowPage(Page(kSelectPage));
    EXPECT_FALSE(IsWindowVisible(Page(kSelectPage)->Hwnd()));
}

TEST_F(ShellTest, CallbacksForAPageThatIsNotCurrentAreDropped)
{
    UiCallbackTable* cb = CallbackTable();
    ASSERT_TRUE(apptest::RunOnWorker([&] { cb->OnScanStarted(); }));
    EXPECT_EQ(g_categoryCalls.load(), 0);
    dlg_->ShowPage(Page(kScanPage));
    ASSERT_TRUE(apptest::RunOnWorker([&] { cb->OnScanStarted(); }));
    EXPECT_EQ(g_categoryCalls.load(), 1);
    std::wstring text = L"HKEY_CURRENT_USER\\Software";
    cb->OnFixItem(&text, 1);  // clean page not current
    EXPECT_EQ(Page(kCleanPage)->ProgressQueue()->Pending(), 0u);
}

TEST_F(ShellTest, ScanFinishedSetsTheIdleEventAndShowsTheSelectPage)
{
    dlg_->ShowPage(Page(kScanPage));
    dlg_->ResetScanIdle();
    dlg_->Workers().Started();
    ASSERT_TRUE(apptest::RunOnWorker([] { CallbackTable()->OnScanFinished(0); }));
    EXPECT_EQ(WaitForSingleObject(dlg_->ScanIdleEvent(), 0), WAIT_OBJECT_0);
    EXPECT_EQ(dlg_->CurrentPage(), Page(kSelectPage));
    EXPECT_EQ(dlg_->Workers().Running(), 0);
}

TEST_F(ShellTest, FinalCallbacksCountTheWorkerEvenWhenThePageWasLeft)
{
    dlg_->ResetScanIdle();
    for (int i = 0; i < 4; ++i) dlg_->Workers().Started();
    ASSERT_TRUE(apptest::RunOnWorker([] {
        CallbackTable()->OnScanFinished(1);
        CallbackTable()->OnFixFinished(1);
        CallbackTable()->OnBackupFinished(0);
        std::wstring name = L"x";
        CallbackTable()->OnRestoreFinished(&name);
    }));
    EXPECT_EQ(dlg_->CurrentPage(), Page(kMainPage));
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    EXPECT_EQ(WaitForSingleObject(dlg_->ScanIdleEvent(), 0), WAIT_OBJECT_0);
}

TEST_F(ShellTest, ProgressTextsShowOnePerPaintAndTheNewestWins)
{
    dlg_->ShowPage(Page(kScanPage));
    apptest::Pump(50);
    ProgressTextQueue* q = Page(kScanPage)->ProgressQueue();
    ASSERT_NE(q, nullptr);
    UiCallbackTable* cb = CallbackTable();
    auto paint = [&] { RedrawWindow(Page(kScanPage)->Hwnd(), &q->Rect(), nullptr, RDW_INVALIDATE | RDW_UPDATENOW); };
    // Texts faster than the paints: only the newest waits.
    for (int i = 0; i < 10; ++i) {
        std::wstring t = L"item " + std::to_wstring(i);
        cb->OnScanItem(&t, i + 1);
    }
    EXPECT_EQ(q->Pending(), 1u);
    paint();
    EXPECT_EQ(q->Current(), L"item 9");
    EXPECT_EQ(q->Pending(), 0u);
    // One text per paint: a text that waits is shown by the next paint only.
    std::wstring a = L"a", b = L"b";
    cb->OnScanItem(&a, 11);
    paint();
    cb->OnScanItem(&b, 12);
    EXPECT_EQ(q->Current(), L"a");
    paint();
    EXPECT_EQ(q->Current(), L"b");
    paint();
    EXPECT_EQ(q->Current(), L"b");  // the last one stays
}

// An append invalidates the text once; the paint that follows shows it
// without further help from the worker.
TEST_F(ShellTest, AnAppendedTextGetsPaintedByTheWindowAlone)
{
    dlg_->ShowPage(Page(kScanPage));
    ProgressTextQueue* q = Page(kScanPage)->ProgressQueue();
    ASSERT_TRUE(apptest::RunOnWorker([&] {
        for (int i = 0; i < 3; ++i) {
            std::wstring t = L"text " + std::to_wstring(i);
            CallbackTable()->OnScanItem(&t, i + 1);
        }
    }));
    EXPECT_TRUE(apptest::PumpUntil([&] { return q->Pending() == 0; }, 2000));
    EXPECT_EQ(q->Current(), L"text 2");
}

TEST_F(ShellTest, ClearMarkerNeedsCountZero)
{
    dlg_->ShowPage(Page(kScanPage));
    ProgressTextQueue* q = Page(kScanPage)->ProgressQueue();
    UiCallbackTable* cb = CallbackTable();
    std::wstring a = L"a", marker = L"tctc";
    cb->OnScanItem(&a, 1);
    cb->OnScanItem(&a, 2);
    cb->OnScanItem(&marker, 0);
    EXPECT_EQ(q->Pending(), 0u);
    cb->OnScanItem(&marker, 1);
    EXPECT_EQ(q->Pending(), 1u);
}

TEST_F(ShellTest, DrainWaitEndsWhenPaintedAndClearsWhileHidden)
{
    dlg_->ShowPage(Page(kScanPage));
    ProgressTextQueue* q = Page(kScanPage)->ProgressQueue();
    std::wstring t = L"x";
    for (int i = 0; i < 3; ++i) CallbackTable()->OnScanItem(&t, 1);
    bool drained = false;
    ASSERT_TRUE(apptest::RunOnWorker([&] { drained = q->DrainWait(dlg_->Hwnd(), 5000); }));
    EXPECT_TRUE(drained);
    EXPECT_EQ(q->Pending(), 0u);

    for (int i = 0; i < 3; ++i) CallbackTable()->OnScanItem(&t, 1);
    ShowWindow(dlg_->Hwnd(), SW_HIDE);
    const DWORD start = GetTickCount();
    EXPECT_FALSE(q->DrainWait(dlg_->Hwnd(), 5000));
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(q->Pending(), 0u);
}

TEST_F(ShellTest, CloseWaitsForARunningWorkerAndKeepsTheScanPage)
{
    dlg_->ShowPage(Page(kScanPage));
    dlg_->ResetScanIdle();
    dlg_->Workers().Started();
    std::atomic<bool> reported{false};
    std::thread worker([&] {
        Sleep(400);
        CallbackTable()->OnScanFinished(1);
        reported = true;
    });
    SendMessageW(dlg_->Hwnd(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(dlg_->Closed());
    EXPECT_TRUE(dlg_->IsClosing());
    // The worker's final callback had run before the window went.
    EXPECT_TRUE(apptest::PumpUntil([&] { return reported.load(); }, 5000));
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    EXPECT_EQ(dlg_->CurrentPage(), Page(kScanPage));
    worker.join();
}

TEST_F(ShellTest, CloseOutlastsTheStopLimitWhileAWorkerRuns)
{
    dlg_->ShowPage(Page(kCleanPage));
    dlg_->ResetScanIdle();
    dlg_->Workers().Started();  // a backup, which is allowed to finish
    std::atomic<bool> reported{false};
    std::thread worker([&] {
        Sleep(3500 + 500);  // beyond 300 slices of 10 ms
        CallbackTable()->OnBackupFinished(1);
        reported = true;
    });
    SendMessageW(dlg_->Hwnd(), WM_COMMAND, kCmdExit, 0);  // the tray's "Exit(&X)"
    EXPECT_TRUE(dlg_->Closed());
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    worker.join();
    EXPECT_TRUE(reported.load());
}

// A log-off or shutdown is held up, with its reason, while a worker runs and
// let through once none does; when it comes anyway the worker's final
// callback runs before the window goes.
TEST_F(ShellTest, TheSessionEndWaitsForARunningWorker)
{
    std::vector<std::wstring> reasons;  // "" for a reason taken back
    SetShutdownReasonCall([&](HWND w, const wchar_t* reason) {
        EXPECT_EQ(w, dlg_->Hwnd());
        reasons.push_back(reason ? reason : L"");
    });
    EXPECT_EQ(SendMessageW(dlg_->Hwnd(), WM_QUERYENDSESSION, 0, 0), TRUE);
    EXPECT_TRUE(reasons.empty());
    dlg_->ShowPage(Page(kCleanPage));
    dlg_->ResetScanIdle();
    dlg_->Workers().Started();  // a restore or backup, which is finished first
    EXPECT_EQ(SendMessageW(dlg_->Hwnd(), WM_QUERYENDSESSION, 0, ENDSESSION_LOGOFF), FALSE);
    EXPECT_EQ(reasons, std::vector<std::wstring>{kShutdownBlockReason});
    // The session went on after all: nothing ends.
    SendMessageW(dlg_->Hwnd(), WM_ENDSESSION, FALSE, 0);
    EXPECT_FALSE(dlg_->Closed());

    std::atomic<bool> reported{false};
    std::thread worker([&] {
        Sleep(400);
        CallbackTable()->OnBackupFinished(1);
        reported = true;
    });
    SendMessageW(dlg_->Hwnd(), WM_ENDSESSION, TRUE, 0);
    EXPECT_EQ(dlg_->Workers().Running(), 0);
    EXPECT_TRUE(apptest::PumpUntil([&] { return reported.load(); }, 5000));
    EXPECT_TRUE(dlg_->Closed());
    EXPECT_EQ(reasons, (std::vector<std::wstring>{kShutdownBlockReason, L""}));
    worker.join();
    SetShutdownReasonCall(nullptr);
}

TEST_F(ShellTest, CaptionCloseFollowsRegistryIni)
{
    {
        std::ofstream ini("Registry.ini");
        ini << "[ProgramSettings]\r\nMinAppClickXButton=TRUE\r\nAskClickXButton=true\r\n";
    }
    SendMessageW(dlg_->Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(dlg_->Closed());
    EXPECT_FALSE(IsWindowVisible(dlg_->Hwnd()));
    DeleteFileW(L".\\Registry.ini");
    ShowWindow(dlg_->Hwnd(), SW_SHOW);
    SendMessageW(dlg_->Hwnd(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(dlg_->Closed());
}

TEST_F(ShellTest, SettingsCountOnlyWhenExactlyTrue)
{
    {
        std::ofstream ini("Registry.ini");
        ini << "[ProgramSettings]\r\nA=TRUE\r\nB=true\r\nC=TRUEx\r\nD=\r\n";
    }
    EXPECT_TRUE(ProgramSettingIsTrue(L"A"));
    for (const wchar_t* k : {L"B", L"C", L"D", L"Missing"}) EXPECT_FALSE(ProgramSettingIsTrue(k)) << k;
}

TEST(ShellRules, OnlyTheExactScanArgumentStartsAScan)
{
    EXPECT_TRUE(IsScanCommandLine(L"-scan"));
    for (const wchar_t* s : {L"", L"-Scan", L"-SCAN", L"-scan ", L" -scan", L"-scan x", L"scan", L"/scan"})
        EXPECT_FALSE(IsScanCommandLine(s)) << s;
}

class ScanStartTest : public ShellTest {
protected:
    void SetUp() override
    {
        commandLine_ = L"-scan";
        ShellTest::SetUp();
    }
};

TEST_F(ScanStartTest, ScanArgumentOpensTheScanPage) { EXPECT_EQ(dlg_->CurrentPage(), Page(kScanPage)); }

}  // namespace
