// The main menu page in the real main window with a fake engine table: the
// last-scan summary, group selection, sticky entries, entry actions, the
// corner buttons on resize and a picture of the page.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <memory>
#include <string>
#include <vector>

#include "app/AppTestEnv.h"
#include "controls/ImageCache.h"
#include "pages/MainChildWnd.h"
#include "shell/EngineBinding.h"
#include "shell/LastScanReport.h"
#include "shell/MainDlg.h"
#include "shell/UiThread.h"
#include "support/JsonCheck.h"
#include "support/TestEnv.h"

using namespace ui;

namespace {

std::vector<int> g_toolCalls;
int CORVEX_CALL FakeLaunchSystemTool(int tool)
{
    g_toolCalls.push_back(tool);
    return 1;
}

// Empty engine lists, so that the pages an entry opens find nothing to show.
PtrArray<BackupEntry> g_noBackups;
PtrArray<RegScanCategory> g_noIgnored;
PtrArray<StartupItem> g_noStartupItems;
PtrArray<XMLElement> g_categories;
HANDLE CORVEX_CALL FakeStartScan() { return nullptr; }
PtrArray<XMLElement>* CORVEX_CALL FakeCategories() { return &g_categories; }
PtrArray<BackupEntry>* CORVEX_CALL FakeListBackups() { return &g_noBackups; }
PtrArray<RegScanCategory>* CORVEX_CALL FakeIgnoreList() { return &g_noIgnored; }
PtrArray<StartupItem>* CORVEX_CALL FakeStartupItems() { return &g_noStartupItems; }
int CORVEX_CALL FakeEnsureTask() { return 1; }
int CORVEX_CALL FakeTriggers(PtrArray<ScangetTaskTrigger>*) { return 0; }
int CORVEX_CALL FakeOne() { return 1; }
int CORVEX_CALL FakeZero() { return 0; }

class MainMenuPageTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        if (g_categories.IsEmpty())
            for (int i = 0; i < 12; ++i) {
                auto c = std::make_unique<XMLElement>();
                c->elementName = L"Category" + std::to_wstring(i);
                c->categoryName = c->elementName;
                g_categories.Add(std::move(c));
            }
    }

    void SetUp() override
    {
        fake_ = {};
        fake_.LaunchSystemTool = &FakeLaunchSystemTool;
        fake_.StartScan = &FakeStartScan;
        fake_.GetScanCategories = &FakeCategories;
        fake_.LoadScanSettings = &FakeCategories;
        fake_.ListBackups = &FakeListBackups;
        fake_.GetIgnoreList = &FakeIgnoreList;
        fake_.LoadStartupItems = &FakeStartupItems;
        fake_.EnsureScheduleTask = &FakeEnsureTask;
        fake_.GetScheduleTriggers = &FakeTriggers;
        fake_.GetProblemCount = &FakeZero;
        fake_.ReleaseEngine = &FakeOne;
        g_engine = &fake_;
        g_toolCalls.clear();
        // Hover looks come only from the test, not from where the pointer rests.
        SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
        ASSERT_TRUE(StartUiThreadDispatch());
        g_imageCache = &cache_;
        apptest::PreloadSkin(cache_);
        MainDlgOptions o;
        o.bindEngine = false;
        o.trayIcon = false;
        o.quitOnDestroy = false;
        o.closeWaitSlices = 300;
        dlg_ = std::make_unique<CKelvuDlg>(o);
        g_mainDlg = dlg_.get();
        ASSERT_TRUE(dlg_->Create());
        // The window moved to the program's folder; LastScan.ini lives here.
        scratch_ = std::make_unique<testenv::ScratchDir>(L"mainmenu");
        ShowWindow(dlg_->Hwnd(), SW_SHOW);
        apptest::Pump(50);
        page_ = static_cast<CMainChildWnd*>(dlg_->Page(kMainPage));
    }
    void TearDown() override
    {
        if (dlg_ && !dlg_->Closed()) DestroyWindow(dlg_->Hwnd());
        g_mainDlg = nullptr;
        dlg_.reset();
        scratch_.reset();
        StopUiThreadDispatch();
        g_imageCache = nullptr;
        g_engine = nullptr;
    }

    // Leaving and entering again rereads LastScan.ini.
    void Reenter()
    {
        page_->OnPageLeave();
        page_->OnPageEnter();
    }
    void Click(int id)
    {
        CMyButton* b = page_->Button(id);
        ASSERT_NE(b, nullptr) << id;
        SendMessageW(page_->Hwnd(), WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(b->Hwnd()));
    }
    bool Shown(int id) { return IsWindowVisible(page_->Button(id)->Hwnd()) != FALSE; }
    bool ShownInPage(int id) { return (GetWindowLongW(page_->Button(id)->Hwnd(), GWL_STYLE) & WS_VISIBLE) != 0; }
    int State(int id) { return page_->Button(id)->State(); }
    RECT InPage(int id)
    {
        RECT r{};
        GetWindowRect(page_->Button(id)->Hwnd(), &r);
        MapWindowPoints(nullptr, page_->Hwnd(), reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    std::wstring Status(int line)
    {
        const auto& s = dlg_->StatusLine(line);
        return s ? *s : L"<none>";
    }

    apptest::ComInit com_;
    EngineFunctionTable fake_{};
    ImageCache cache_;
    std::unique_ptr<CKelvuDlg> dlg_;
    std::unique_ptr<testenv::ScratchDir> scratch_;
    CMainChildWnd* page_ = nullptr;
};

const int kGroup1000[] = {1009, 1010, 1011};
const int kGroup1001[] = {1020, 1014};
const int kGroup1002[] = {1017, 1015, 1016};
const int kGroup1003[] = {1018, 1013, 1019};

TEST_F(MainMenuPageTest, SummaryLineComesFromLastScanIni)
{
    struct Row {
        const char* ini;  // null: no file
        const wchar_t* expected;
    } rows[] = {
        {"[ScanStatus]\r\nPerformed=TRUE\r\nErrorsCount=12\r\nFixedCount=10\r\nRemainCount=2\r\n",
         L"Last scan: Error(s):12 ,Fixed:10 ,Remain:2"},
        {"[ScanStatus]\r\nPerformed=FALSE\r\nErrorsCount=12\r\nFixedCount=10\r\nRemainCount=2\r\n",
         L"Last scan: no scan has been performed."},
        // Nothing recorded yet: a fact, not three blanks.
        {nullptr, L"No scan yet"},
        {"[ScanStatus]\r\nPerformed=TRUE\r\n", L"No scan yet"},
        // Only the exact "FALSE" means no scan.
        {"[ScanStatus]\r\nPerformed=false\r\nErrorsCount=3\r\nFixedCount=0\r\nRemainCount=3\r\n",
         L"Last scan: Error(s):3 ,Fixed:0 ,Remain:3"},
        {"[ScanStatus]\r\nErrorsCount=7\r\n", L"No scan yet"},
    };
    for (const Row& r : rows) {
        DeleteFileW(L".\\LastScan.ini");
        if (r.ini) scratch_->Write(L"LastScan.ini", r.ini);
        Reenter();
        EXPECT_EQ(Status(1), r.expected) << (r.ini ? r.ini : "no file");
    }
    DeleteFileW(L".\\LastScan.ini");
}

// Each scan keeps its problems as LastScan.json; the next scan counts what
// that report did not have, and the summary says so.
TEST_F(MainMenuPageTest, TheSummaryCountsProblemsNewSinceThePreviousScan)
{
    DeleteFileW(L".\\LastScan.json");
    PtrArray<RegScanCategory> results;
    auto add = [&results](const std::wstring& path) {
        auto p = std::make_unique<RegEntryProb>();
        p->rootName = L"HKEY_CURRENT_USER";
        p->keyPath = p->scannedKeyPath = path;
        p->valueName = L"v";
        p->viewFlag = kView64;
        p->message = L"The file or directroy does not exist!";
        results[0]->problems.Add(std::move(p));
        results[0]->problemCount += 1;
    };
    auto category = std::make_unique<RegScanCategory>();
    category->name = L"Application Paths";
    results.Add(std::move(category));
    add(L"Software\\a");
    add(L"Software\\b");
    scratch_->Write(L"LastScan.ini", "[ScanStatus]\r\nPerformed=TRUE\r\nErrorsCount=2\r\nFixedCount=0\r\nRemainCount=2\r\n");
    EXPECT_EQ(ui::lastscan::KeepReport(&results), -1);  // nothing to compare with yet
    Reenter();
    EXPECT_EQ(Status(1), L"Last scan: Error(s):2 ,Fixed:0 ,Remain:2");

    // The report is the console tool's: it can compare with it too.
    const jsoncheck::Value kept = jsoncheck::Parse(scratch_->Read(L"LastScan.json"));
    EXPECT_EQ(kept["results"][0]["problems"].items.size(), 2u);

    results[0]->problems.RemoveAt(0);
    add(L"Software\\c");
    add(L"Software\\d");
    EXPECT_EQ(ui::lastscan::KeepReport(&results), 2);
    Reenter();
    EXPECT_EQ(Status(1), L"Last scan: Error(s):2 ,Fixed:0 ,Remain:2 (+2 new since the previous scan)");
    EXPECT_EQ(ui::lastscan::KeepReport(&results), 0);  // the same problems again
    DeleteFileW(L".\\LastScan.ini");
    DeleteFileW(L".\\LastScan.json");
}

TEST_F(MainMenuPageTest, EnterSetsUpTheBottomBarAndLeaveClearsTheStatus)
{
    ShowWindow(page_->Button(CMainChildWnd::kCmdCheckUpdates)->Hwnd(), SW_SHOW);
    ShowWindow(dlg_->Button(kCmdHelp)->Hwnd(), SW_SHOW);
    Reenter();
    EXPECT_TRUE(IsWindowVisible(page_->Hwnd()));
    EXPECT_FALSE(ShownInPage(CMainChildWnd::kCmdCheckUpdates));
    EXPECT_FALSE(IsWindowVisible(dlg_->Button(kCmdHelp)->Hwnd()));
    EXPECT_FALSE(IsWindowVisible(dlg_->Button(kCmdAction)->Hwnd()));
    EXPECT_FALSE(IsWindowVisible(dlg_->Button(kCmdMainMenu)->Hwnd()));
    EXPECT_TRUE(Shown(kCmdAbout));
    EXPECT_TRUE(Shown(kCmdHelp));  // the page's own "Help"

    dlg_->SetStatusLine3(L"right");
    page_->OnPageLeave();
    EXPECT_FALSE(IsWindowVisible(page_->Hwnd()));
    EXPECT_TRUE(IsWindowVisible(dlg_->Button(kCmdHelp)->Hwnd()));
    EXPECT_EQ(Status(1), L"<none>");
    EXPECT_EQ(Status(3), L"<none>");
    page_->OnPageEnter();
}

TEST_F(MainMenuPageTest, StartsWithTheFirstGroupSelectedAndTheButtonsInPlace)
{
    EXPECT_EQ(page_->SelectedGroup(), 1000);
    EXPECT_EQ(State(1000), CMyButton::kPressed);
    for (int g : {1001, 1002, 1003}) EXPECT_EQ(State(g), CMyButton::kNormal) << g;
    for (int id : kGroup1000) EXPECT_TRUE(Shown(id)) << id;
    for (const auto* group : {&kGroup1002, &kGroup1003})
        for (int id : *group) EXPECT_FALSE(ShownInPage(id)) << id;
    for (int id : kGroup1001) EXPECT_FALSE(ShownInPage(id)) << id;

    // The entries reach to 12 pixels before the page's right edge; the
    // corner buttons keep their distance from it.
    RECT client{};
    GetClientRect(page_->Hwnd(), &client);
    const int dx = client.right - 791, h = client.bottom, w = client.right;
    struct Place {
        int id;
        RECT r;
    } places[] = {
        {1000, {15, 170, 165, 210}},
        {1003, {15, 362, 165, 402}},
        {1009, {200, 120, w - 12, 220}},
        {1010, {200, 224, w - 12, 323}},
        {1011, {200, 327, w - 12, 426}},
        {kCmdAbout, {587 + dx, 54, 683 + dx, 94}},
        {kCmdHelp, {684 + dx, 54, 780 + dx, 94}},
        {CMainChildWnd::kCmdCheckUpdates, {25, h - 40, 155, h}},
    };
    for (const Place& p : places) {
        const RECT r = InPage(p.id);
        EXPECT_TRUE(EqualRect(&r, &p.r)) << p.id << ": " << r.left << "," << r.top << "," << r.right << ","
                                         << r.bottom;
        EXPECT_EQ(GetDlgCtrlID(page_->Button(p.id)->Hwnd()), p.id);
    }
    EXPECT_EQ(page_->Button(1009)->Caption().text, L"Scan && Clean Windows Registry");
    EXPECT_TRUE(page_->Button(1009)->Sticky());
    EXPECT_TRUE(page_->Button(1002)->Sticky());
}

TEST_F(MainMenuPageTest, SelectingAGroupSwapsTheEntriesAndTheSecondClickDoesNothing)
{
    Click(1002);
    EXPECT_EQ(page_->SelectedGroup(), 1002);
    EXPECT_EQ(State(1002), CMyButton::kPressed);
    EXPECT_EQ(State(1000), CMyButton::kNormal);
    for (int id : kGroup1002) EXPECT_TRUE(Shown(id)) << id;
    for (int id : kGroup1000) EXPECT_FALSE(ShownInPage(id)) << id;

    // A second selection would show the entries and press the button again.
    ShowWindow(page_->Button(1017)->Hwnd(), SW_HIDE);
    page_->Button(1002)->SetState(CMyButton::kHover);
    Click(1002);
    EXPECT_FALSE(ShownInPage(1017));
    EXPECT_EQ(State(1002), CMyButton::kHover);
    EXPECT_EQ(page_->SelectedGroup(), 1002);
    EXPECT_EQ(dlg_->CurrentPage(), page_);

    // The selected group stays pressed when the mouse leaves it.
    page_->Button(1002)->SetState(CMyButton::kPressed);
    SendMessageW(page_->Button(1002)->Hwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(State(1002), CMyButton::kPressed);

    Click(1001);
    for (int id : kGroup1001) EXPECT_TRUE(Shown(id)) << id;
    for (int id : kGroup1002) EXPECT_FALSE(ShownInPage(id)) << id;
    EXPECT_EQ(State(1002), CMyButton::kNormal);
}

TEST_F(MainMenuPageTest, OnlyTheLastUsedEntryOfAGroupStaysPressed)
{
    Click(1010);  // "Restore Windows Registry"
    EXPECT_EQ(dlg_->CurrentPage(), dlg_->Page(kBackupPage));
    EXPECT_EQ(State(1010), CMyButton::kPressed);
    dlg_->ShowPage(page_);
    EXPECT_EQ(State(1010), CMyButton::kPressed);  // kept while the window lives
    SendMessageW(page_->Button(1010)->Hwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(State(1010), CMyButton::kPressed);

    Click(1009);  // "Scan && Clean Windows Registry"
    EXPECT_EQ(dlg_->CurrentPage(), dlg_->Page(kScanPage));
    EXPECT_EQ(State(1009), CMyButton::kPressed);
    EXPECT_NE(State(1010), CMyButton::kPressed);
    EXPECT_NE(State(1011), CMyButton::kPressed);
    EXPECT_EQ(page_->SelectedEntry(1000), 1009);

    // Another group keeps its own selection apart.
    dlg_->ShowPage(page_);
    Click(1003);
    Click(1018);
    EXPECT_EQ(page_->SelectedEntry(1003), 1018);
    EXPECT_EQ(page_->SelectedEntry(1000), 1009);
    EXPECT_EQ(State(1009), CMyButton::kPressed);
}

TEST_F(MainMenuPageTest, SystemToolEntriesStartTheToolAndStayOnTheMainMenu)
{
    struct Row {
        int group, entry, tool;
    } rows[] = {{1001, 1014, 0}, {1002, 1015, 2}, {1002, 1016, 1}};
    for (const Row& r : rows) {
        g_toolCalls.clear();
        Click(r.group);
        Click(r.entry);
        ASSERT_EQ(g_toolCalls.size(), 1u) << r.entry;
        EXPECT_EQ(g_toolCalls[0], r.tool) << r.entry;
        EXPECT_EQ(dlg_->CurrentPage(), page_) << r.entry;
        EXPECT_EQ(page_->SelectedEntry(r.group), 0) << r.entry;
        EXPECT_NE(State(r.entry), CMyButton::kPressed) << r.entry;
    }
}

TEST_F(MainMenuPageTest, PageEntriesOpenTheirPage)
{
    struct Row {
        int group, entry, page;
    } rows[] = {
        {1000, 1009, kScanPage},     {1000, 1010, kBackupPage},   {1000, 1011, kIgnorePage},
        {1002, 1017, kStartupPage},  {1003, 1018, kSettingsPage}, {1003, 1013, kScanAreaPage},
        {1003, 1019, kSchedulePage},
    };
    for (const Row& r : rows) {
        dlg_->ShowPage(page_);
        Click(r.group);
        Click(r.entry);
        EXPECT_EQ(dlg_->CurrentPage(), dlg_->Page(r.page)) << r.entry;
        EXPECT_FALSE(IsWindowVisible(page_->Hwnd())) << r.entry;
        EXPECT_EQ(page_->SelectedEntry(r.group), r.entry);
    }
    EXPECT_TRUE(g_toolCalls.empty());
}

TEST_F(MainMenuPageTest, AboutAndHelpKeepTheirDistanceFromTheRightEdge)
{
    RECT wr{};
    GetWindowRect(dlg_->Hwnd(), &wr);
    for (int extra : {109, -40, 0}) {
        SetWindowPos(dlg_->Hwnd(), nullptr, 0, 0, 799 + extra, 602, SWP_NOMOVE | SWP_NOZORDER);
        RECT client{};
        GetClientRect(page_->Hwnd(), &client);
        const int dx = client.right - 791;
        const RECT about = InPage(kCmdAbout), help = InPage(kCmdHelp);
        EXPECT_EQ(about.left, 587 + dx) << extra;
        EXPECT_EQ(about.right - about.left, 96);
        EXPECT_EQ(about.top, 54);
        EXPECT_EQ(help.left, 684 + dx) << extra;
        EXPECT_EQ(help.right - help.left, 96);
        const RECT entry = InPage(1009);
        EXPECT_EQ(entry.left, 200);
    }
}

// The id of a running process started from `path`, else 0.
DWORD FindProcess(const std::wstring& path)
{
    DWORD found = 0;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snap == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W pe{};
    pe.dwSize = sizeof(pe);
    for (BOOL more = Process32FirstW(snap, &pe); more && !found; more = Process32NextW(snap, &pe)) {
        if (lstrcmpiW(pe.szExeFile, L"Vantrel.exe") != 0) continue;
        HANDLE p = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pe.th32ProcessID);
        if (!p) continue;
        wchar_t image[MAX_PATH] = L"";
        DWORD n = MAX_PATH;
        if (QueryFullProcessImageNameW(p, 0, image, &n) && lstrcmpiW(image, path.c_str()) == 0)
            found = pe.th32ProcessID;
        CloseHandle(p);
    }
    CloseHandle(snap);
    return found;
}

TEST_F(MainMenuPageTest, CheckForUpdatesStartsTheCheckerOfTheCurrentFolder)
{
    // Any program will do as the checker; it only has to be started.
    wchar_t system[MAX_PATH] = L"";
    GetSystemDirectoryW(system, MAX_PATH);
    const std::wstring checker = scratch_->File(L"Vantrel.exe");
    ASSERT_TRUE(CopyFileW((std::wstring(system) + L"\\notepad.exe").c_str(), checker.c_str(), FALSE));
    Click(CMainChildWnd::kCmdCheckUpdates);
    DWORD pid = 0;
    apptest::PumpUntil([&] { return (pid = FindProcess(checker)) != 0; }, 15000);
    ASSERT_NE(pid, 0u) << "Vantrel.exe was not started";
    if (HANDLE p = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid)) {
        TerminateProcess(p, 0);
        WaitForSingleObject(p, 5000);
        CloseHandle(p);
    }
    EXPECT_EQ(dlg_->CurrentPage(), page_);
}

TEST_F(MainMenuPageTest, PictureOfTheMainMenu)
{
    scratch_->Write(L"LastScan.ini",
                    "[ScanStatus]\r\nPerformed=TRUE\r\nErrorsCount=12\r\nFixedCount=10\r\nRemainCount=2\r\n");
    Reenter();
    Click(1000);
    RedrawWindow(dlg_->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    apptest::Pump(200);
    size_t colours = 0;
    std::unique_ptr<apptest::Canvas> shot = apptest::CaptureWindow(dlg_->Hwnd(), L"main-menu.png", &colours);
    EXPECT_GT(colours, 50u);
    ASSERT_FALSE(cache_.Load(L"./images/new_main_right_scan.png")->IsEmpty()) << "skin images missing";

    POINT origin{0, 0};
    ClientToScreen(dlg_->Hwnd(), &origin);
    RECT wr{};
    GetWindowRect(dlg_->Hwnd(), &wr);
    const int dx = origin.x - wr.left, dy = origin.y - wr.top;
    auto count = [&](RECT r, auto pred) {
        int n = 0;
        for (int y = r.top; y < r.bottom; ++y)
            for (int x = r.left; x < r.right; ++x)
                if (pred(shot->At(x + dx, y + dy))) ++n;
        return n;
    };
    // The entry titles in green, the sub-titles in blue, the scan icon's
    // tile (design places at the window's DPI).
    const Dpi s(dlg_->DpiValue());
    EXPECT_GT(count(s({296, 122, 700, 142}), [](COLORREF c) { return c == RGB(0, 110, 18); }), 50);
    EXPECT_GT(count(s({296, 144, 700, 162}), [](COLORREF c) { return c == RGB(0, 102, 204); }), 50);
    EXPECT_GT(count(s({220, 135, 270, 180}), [](COLORREF c) { return GetBValue(c) > 150 && GetRValue(c) < 80; }),
              s(500) * s(96) / 96);  // an area: 500 pixels at 96 DPI
    // The summary in the bottom bar.
    RECT client{};
    GetClientRect(dlg_->Hwnd(), &client);
    const int h = client.bottom;
    EXPECT_GT(count({s(13), h - s(46), s(300), h - s(31)}, [](COLORREF c) { return GetRValue(c) < 90 && GetGValue(c) < 90; }),
              30);
}

}  // namespace
