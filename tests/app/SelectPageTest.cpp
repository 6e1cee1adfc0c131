// The problem selection page in the real main window, over a fake engine
// table whose result list the tests build: category rows and counts, problem
// rows, check boxes driven through real list-view messages, the context-menu
// commands and the last-scan summary file.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <iterator>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/AppTestEnv.h"
#include "controls/ImageCache.h"
#include "pages/MessageBox.h"
#include "pages/SelectCleanChildWnd.h"
#include "shell/EngineBinding.h"
#include "shell/LastScan.h"
#include "shell/MainDlg.h"
#include "shell/UiThread.h"
#include "support/TestEnv.h"

using namespace ui;

namespace {

struct Call {
    int result;
    int problem;
    int checked;
    bool operator==(const Call& o) const { return result == o.result && problem == o.problem && checked == o.checked; }
};
void PrintTo(const Call& c, std::ostream* os) { *os << "(" << c.result << "," << c.problem << "," << c.checked << ")"; }

// The fake engine's state: the result list and the counters, moved the way
// the engine moves them.
PtrArray<RegScanCategory>* g_results = nullptr;
int g_problemCount = 0;
int g_checkedCount = 0;
std::vector<Call> g_checkCalls, g_ignoreCalls, g_openCalls;

RegEntryProb& ProblemAt(int r, int p)
{
    if (!g_results || !g_results->IsValidIndex(r)) throw EngineInvalidArgument("result index");
    RegScanCategory& result = *g_results->At(r);
    if (!result.problems.IsValidIndex(p)) throw EngineInvalidArgument("problem index");
    return *result.problems[p];
}

// The engine's ignore-list state; while it is not "read" the engine checks nothing.
int g_ignoreListState = kIgnoreListRead;
PtrArray<RegScanCategory>* CORVEX_CALL FakeGetScanResults() { return g_results; }
void CORVEX_CALL FakeSetProblemChecked(int r, int p, int checked)
{
    RegEntryProb& problem = ProblemAt(r, p);
    g_checkCalls.push_back({r, p, checked});
    if ((problem.selected != 0) == (checked != 0)) return;
    if (checked && g_ignoreListState != kIgnoreListRead) return;
    problem.selected = checked ? 1 : 0;
    g_checkedCount += checked ? 1 : -1;
}
int CORVEX_CALL FakeIgnoreProblem(int r, int p)
{
    RegEntryProb& problem = ProblemAt(r, p);
    g_ignoreCalls.push_back({r, p, 0});
    if (problem.ignored) return 1;
    if (problem.selected) --g_checkedCount;
    problem.selected = 0;
    problem.ignored = 1;
    g_results->At(r)->ignoredCount += 1;
    return 1;
}
int CORVEX_CALL FakeGetIgnoreListState() { return g_ignoreListState; }
int CORVEX_CALL FakeGetProblemCount() { return g_problemCount; }
int CORVEX_CALL FakeGetCheckedCount() { return g_checkedCount; }
int CORVEX_CALL FakeOpenKeyInRegedit(int r, int p)
{
    ProblemAt(r, p);
    g_openCalls.push_back({r, p, 0});
    return 1;
}

struct ProblemShape {
    std::wstring key;
    std::wstring value;
    std::wstring data;
    int grade = 0;
    int is64 = 1;
    int selected = 1;
    int ignored = 0;
    std::wstring message = L"The file or directroy does not exist!";
};

class SelectPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fake_ = {};
        fake_.GetScanResults = &FakeGetScanResults;
        fake_.SetProblemChecked = &FakeSetProblemChecked;
        fake_.IgnoreProblem = &FakeIgnoreProblem;
        fake_.GetProblemCount = &FakeGetProblemCount;
        fake_.GetCheckedCount = &FakeGetCheckedCount;
        fake_.OpenKeyInRegedit = &FakeOpenKeyInRegedit;
        fake_.GetIgnoreListState = &FakeGetIgnoreListState;
        g_ignoreListState = kIgnoreListRead;
        g_engine = &fake_;
        g_results = &results_;
        g_problemCount = g_checkedCount = 0;
        g_checkCalls.clear();
        g_ignoreCalls.clear();
        g_openCalls.clear();

        // The window moves the current folder to the test program's, which
        // has no skin: the skin images are cached from the program folder
        // first. The summary file goes to a scratch folder.
        wchar_t cwd[MAX_PATH] = L"";
        GetCurrentDirectoryW(MAX_PATH, cwd);
        previousDir_ = cwd;
        g_imageCache = &cache_;
        apptest::PreloadSkin(cache_);
        ASSERT_TRUE(StartUiThreadDispatch());
        MainDlgOptions o;
        o.bindEngine = false;
        o.trayIcon = false;
        o.quitOnDestroy = false;
        o.closeWaitSlices = 100;
        dlg_ = std::make_unique<CKelvuDlg>(o);
        g_mainDlg = dlg_.get();
        ASSERT_TRUE(dlg_->Create());
        ShowWindow(dlg_->Hwnd(), SW_SHOW);
        scratch_ = std::make_unique<testenv::ScratchDir>(L"select-page");
        apptest::Pump(30);
    }
    void TearDown() override
    {
        if (dlg_ && !dlg_->Closed()) DestroyWindow(dlg_->Hwnd());
        g_mainDlg = nullptr;
        dlg_.reset();
        StopUiThreadDispatch();
        g_imageCache = nullptr;
        g_engine = nullptr;
        g_results = nullptr;
        scratch_.reset();
        SetCurrentDirectoryW(previousDir_.c_str());
    }

    // Appends a result entry with its problems, counting them as the scan
    // does: ignored problems are left out of the counts.
    void AddCategory(const std::wstring& name, const std::vector<ProblemShape>& problems)
    {
        auto result = std::make_unique<RegScanCategory>();
        result->name = name;
        for (const ProblemShape& s : problems) {
            auto p = std::make_unique<RegEntryProb>();
            p->rootName = L"HKEY_CLASSES_ROOT";
            p->keyPath = s.key;
            p->valueName = s.value;
            p->data = s.data;
            p->grade = s.grade;
            p->is64View = s.is64;
            p->ignored = s.ignored;
            p->selected = s.ignored ? 0 : s.selected;
            p->message = s.message;
            if (!s.ignored) {
                result->problemCount += 1;
                g_problemCount += 1;
                if (s.selected) g_checkedCount += 1;
            }
            result->problems.Add(std::move(p));
        }
        results_.Add(std::move(result));
    }
    // Three problems in "Invalid File Types" (the second unchecked), none in
    // "Shared DLLs", two in "Startup Programs".
    void AddStandardResults()
    {
        AddCategory(L"Invalid File Types", {{L".abc", L"Content Type", L"text/abc", 0, 1, 1},
                                            {L".xyz\\OpenWithList", L"a", L"xyz.exe", 1, 1, 0},
                                            {L"Applications\\old.exe", L"default value", L"", 2, 0, 1}});
        AddCategory(L"Shared DLLs", {});
        AddCategory(L"Startup Programs", {{L"Software\\Run", L"Updater", L"C:\\gone\\up.exe", 2, 1, 1},
                                          {L"Software\\Run", L"Tray", L"C:\\gone\\tray.exe", 1, 0, 1}});
    }

    CPageBase* Page() { return static_cast<CPageBase*>(dlg_->Page(kSelectPage)); }
    CSelectCleanChildWnd* Select() { return static_cast<CSelectCleanChildWnd*>(dlg_->Page(kSelectPage)); }
    void Enter() { dlg_->ShowPage(dlg_->Page(kSelectPage)); }
    HWND Categories() { return GetDlgItem(Page()->Hwnd(), CSelectCleanChildWnd::kCategoryListId); }
    HWND Problems() { return GetDlgItem(Page()->Hwnd(), CSelectCleanChildWnd::kProblemListId); }
    static int Rows(HWND list) { return ListView_GetItemCount(list); }
    static std::wstring Text(HWND list, int row, int column = 0)
    {
        wchar_t buf[512] = L"";
        ListView_GetItemText(list, row, column, buf, 512);
        return buf;
    }
    static int Image(HWND list, int row)
    {
        LVITEMW item{};
        item.mask = LVIF_IMAGE;
        item.iItem = row;
        ListView_GetItem(list, &item);
        return item.iImage;
    }
    static bool Checked(HWND list, int row) { return ListView_GetCheckState(list, row) != 0; }
    // Real state changes: the list view sends the page its LVN_ITEMCHANGED.
    static void SetCheck(HWND list, int row, bool on)
    {
        LVITEMW item{};
        item.stateMask = LVIS_STATEIMAGEMASK;
        item.state = INDEXTOSTATEIMAGEMASK(on ? 2 : 1);
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    static void SetSelected(HWND list, int row, bool on)
    {
        LVITEMW item{};
        item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        item.state = on ? LVIS_SELECTED | LVIS_FOCUSED : 0;
        SendMessageW(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item));
    }
    void ChooseCategory(int row)
    {
        SetSelected(Categories(), -1, false);
        SetSelected(Categories(), row, true);
    }
    void Command(int id) { SendMessageW(Page()->Hwnd(), WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    bool FixEnabled() { return IsWindowEnabled(dlg_->Button(kCmdAction)->Hwnd()) != FALSE; }
    bool FixVisible() { return IsWindowVisible(dlg_->Button(kCmdAction)->Hwnd()) != FALSE; }
    std::wstring Status(int line) { return dlg_->StatusLine(line).value_or(L"<none>"); }
    std::vector<std::wstring> ProblemTexts()
    {
        std::vector<std::wstring> texts;
        for (int i = 0; i < Rows(Problems()); ++i) texts.push_back(Text(Problems(), i));
        return texts;
    }

    apptest::ComInit com_;
    EngineFunctionTable fake_{};
    PtrArray<RegScanCategory> results_;
    ImageCache cache_;
    std::wstring previousDir_;
    std::unique_ptr<CKelvuDlg> dlg_;
    std::unique_ptr<testenv::ScratchDir> scratch_;
};

TEST_F(SelectPageTest, ListsAreBuiltWithTheirColumns)
{
    RECT page{};
    GetClientRect(Page()->Hwnd(), &page);
    // (Their widths follow the lists' widths: see the next tests.)
    struct Col {
        HWND list;
        int index;
        const wchar_t* title;
    } cols[] = {{Categories(), 0, L"Category"},
                {Problems(), 0, L"Registry Entry"},
                {Problems(), 1, L"Issue Grade"},
                {Problems(), 2, L"Description"},
                {Problems(), 3, L"Removes"}};
    for (const Col& c : cols) {
        wchar_t title[64] = L"";
        LVCOLUMNW col{};
        col.mask = LVCF_TEXT | LVCF_WIDTH;
        col.pszText = title;
        col.cchTextMax = 64;
        ASSERT_TRUE(ListView_GetColumn(c.list, c.index, &col)) << c.title;
        EXPECT_STREQ(title, c.title);
    }
    EXPECT_TRUE(ListView_GetExtendedListViewStyle(Problems()) & LVS_EX_CHECKBOXES);
    EXPECT_FALSE(ListView_GetExtendedListViewStyle(Categories()) & LVS_EX_CHECKBOXES);
    EXPECT_NE(ListView_GetImageList(Categories(), LVSIL_SMALL), nullptr);

    Enter();
    GetClientRect(Page()->Hwnd(), &page);
    RECT cat{}, prob{};
    GetWindowRect(Categories(), &cat);
    GetWindowRect(Problems(), &prob);
    MapWindowPoints(nullptr, Page()->Hwnd(), reinterpret_cast<POINT*>(&cat), 2);
    MapWindowPoints(nullptr, Page()->Hwnd(), reinterpret_cast<POINT*>(&prob), 2);
    EXPECT_EQ(cat.left, 19);
    EXPECT_EQ(cat.top, 56);
    EXPECT_EQ(cat.right, 209);
    EXPECT_EQ(cat.bottom, page.bottom - 18);
    EXPECT_EQ(prob.left, 219);
    EXPECT_EQ(prob.right, page.right - 16);
    EXPECT_EQ(prob.bottom, page.bottom - 18);

    // A new page size places both lists by the same rules.
    MoveWindow(Page()->Hwnd(), 0, 82, 700, 300, TRUE);
    GetWindowRect(Categories(), &cat);
    GetWindowRect(Problems(), &prob);
    MapWindowPoints(nullptr, Page()->Hwnd(), reinterpret_cast<POINT*>(&cat), 2);
    MapWindowPoints(nullptr, Page()->Hwnd(), reinterpret_cast<POINT*>(&prob), 2);
    const RECT wantCat{19, 56, 209, 300 - 18}, wantProb{219, 56, 700 - 16, 300 - 18};
    EXPECT_TRUE(EqualRect(&cat, &wantCat));
    EXPECT_TRUE(EqualRect(&prob, &wantProb));
}

TEST_F(SelectPageTest, EveryColumnOfAProblemIsInViewWithoutScrolling)
{
    AddStandardResults();
    for (const SIZE page : {SIZE{791, 433}, SIZE{700, 300}}) {
        Enter();
        MoveWindow(Page()->Hwnd(), 0, 82, page.cx, page.cy, TRUE);
        for (HWND list : {Problems(), Categories()}) {
            RECT client{};
            GetClientRect(list, &client);
            HWND header = ListView_GetHeader(list);
            const int last = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0)) - 1;
            RECT column{};
            ASSERT_TRUE(SendMessageW(header, HDM_GETITEMRECT, last, reinterpret_cast<LPARAM>(&column)));
            // Room for a vertical scroll bar is left; no horizontal one is needed.
            EXPECT_LE(column.right, client.right - GetSystemMetrics(SM_CXVSCROLL) + 1) << page.cx;
            EXPECT_GE(column.right, client.right - GetSystemMetrics(SM_CXVSCROLL) - 1) << page.cx;
        }
        dlg_->ShowPage(dlg_->Page(kMainPage));
    }
}

TEST_F(SelectPageTest, CategoryRowsCarryTheEngineCountsAndImages)
{
    AddCategory(L"ActiveX/COM", {{L"CLSID\\{1}", L"InprocServer32", L"a.dll"},
                                 {L"CLSID\\{2}", L"InprocServer32", L"b.dll"},
                                 {L"CLSID\\{3}", L"InprocServer32", L"c.dll"}});
    AddCategory(L"Fonts", {});
    Enter();
    ASSERT_EQ(Rows(Categories()), 3);
    EXPECT_EQ(Text(Categories(), 0), L"All Categories(3)");
    EXPECT_EQ(Image(Categories(), 0), kImageWarning);
    EXPECT_EQ(Text(Categories(), 1), L"ActiveX/COM(3)");
    EXPECT_EQ(Image(Categories(), 1), kImageWarning);
    EXPECT_EQ(Text(Categories(), 2), L"Fonts(0)");
    EXPECT_EQ(Image(Categories(), 2), kImageDone);
    EXPECT_EQ(ListView_GetNextItem(Categories(), -1, LVNI_SELECTED), 0);
    EXPECT_EQ(Rows(Problems()), 3);
    EXPECT_EQ(Status(1), L"Total problem(s) found: 3");
    EXPECT_EQ(Status(2), L"Total problem(s) to be fixed: 3");
    EXPECT_TRUE(FixVisible());
    EXPECT_TRUE(FixEnabled());
    EXPECT_TRUE(g_checkCalls.empty());
}

TEST_F(SelectPageTest, NoResultsLeavesOnlyTheAllRowAndNothingToFix)
{
    Enter();
    ASSERT_EQ(Rows(Categories()), 1);
    EXPECT_EQ(Text(Categories(), 0), L"All Categories(0)");
    EXPECT_EQ(Image(Categories(), 0), kImageDone);
    EXPECT_EQ(Rows(Problems()), 0);
    EXPECT_TRUE(FixVisible());
    EXPECT_FALSE(FixEnabled());
    EXPECT_EQ(Status(2), L"Total problem(s) to be fixed: 0");
}

TEST_F(SelectPageTest, IgnoredProblemsGetNoRowInEitherView)
{
    AddCategory(L"Invalid File Types", {{L".one", L"a", L"1"}, {L".two", L"b", L"2", 0, 1, 0, 1}, {L".three", L"c", L"3"}});
    Enter();
    EXPECT_EQ(Text(Categories(), 1), L"Invalid File Types(2)");
    const std::vector<std::wstring> expected = {L" (win64) .one\\a\\1", L" (win64) .three\\c\\3"};
    EXPECT_EQ(ProblemTexts(), expected);
    ChooseCategory(1);
    EXPECT_EQ(ProblemTexts(), expected);
}

TEST_F(SelectPageTest, ProblemRowTexts)
{
    // The engine's misspelt message is shown spelled right; registry data
    // with control characters shows blanks, not boxes.
    const wchar_t* const kShown = L"The file or directory does not exist!";
    struct Row {
        ProblemShape shape;
        const wchar_t* entry;
        const wchar_t* grade;
        const wchar_t* message;
    } rows[] = {
        {{L"Software\\A", L"Path", L"C:\\x.exe", 0, 1}, L" (win64) Software\\A\\Path\\C:\\x.exe", L"Common", kShown},
        {{L"Software\\Wow6432Node\\B", L"Path", L"y", 1, 0}, L" (win32) Software\\Wow6432Node\\B\\Path\\y", L"Fair",
         kShown},
        {{L"Software\\C", L"Name", L"", 2, 1}, L" (win64) Software\\C\\Name\\", L"Important", kShown},
        {{L"Software\\D", L"", L"data", 3, 0}, L" (win32) Software\\D\\\\data", L"", kShown},
        {{L"Software\\E", L"", L"", -1, 1, 0, 0, L""}, L" (win64) Software\\E\\\\", L"", L""},
        {{L"Software\\F", L"Tab", L"a\tb\r\nc", 0, 1, 1, 0, L"The typelib does not exist!"},
         L" (win64) Software\\F\\Tab\\a b  c", L"Common", L"The typelib does not exist!"},
    };
    std::vector<ProblemShape> shapes;
    for (const Row& r : rows) shapes.push_back(r.shape);
    AddCategory(L"Application Paths", shapes);
    Enter();
    ASSERT_EQ(Rows(Problems()), static_cast<int>(std::size(rows)));
    for (int i = 0; i < Rows(Problems()); ++i) {
        const Row& r = rows[i];
        EXPECT_EQ(Text(Problems(), i, 0), r.entry) << i;
        EXPECT_EQ(Text(Problems(), i, 1), r.grade) << i;
        EXPECT_EQ(Text(Problems(), i, 2), r.message) << i;
        EXPECT_EQ(Checked(Problems(), i), r.shape.selected != 0) << i;
    }
}

TEST_F(SelectPageTest, RebuildingAndSelectingNeverReportChecks)
{
    AddStandardResults();
    Enter();
    ASSERT_EQ(Rows(Problems()), 5);
    EXPECT_FALSE(Checked(Problems(), 1));
    for (int row : {1, 2, 3, 0, 3}) {
        ChooseCategory(row);
        EXPECT_EQ(ListView_GetNextItem(Categories(), -1, LVNI_SELECTED), row);
    }
    EXPECT_EQ(Rows(Problems()), 2);
    EXPECT_EQ(Text(Problems(), 0), L" (win64) Software\\Run\\Updater\\C:\\gone\\up.exe");
    // Selection and focus changes of problem rows leave the check bits alone.
    SetSelected(Problems(), 0, true);
    SetSelected(Problems(), 1, true);
    SetSelected(Problems(), 0, false);
    SetSelected(Problems(), -1, false);
    // Setting a check box to the state it already has is no change either.
    SetCheck(Problems(), 0, true);
    EXPECT_TRUE(g_checkCalls.empty());
    EXPECT_EQ(g_checkedCount, 4);
}

TEST_F(SelectPageTest, CheckBoxesReachTheEngineAndDriveFixProblems)
{
    AddCategory(L"Shared DLLs", {{L"SharedDLLs", L"C:\\a.dll", L"1"}, {L"SharedDLLs", L"C:\\b.dll", L"1", 0, 1, 0}});
    AddCategory(L"Fonts", {{L"Fonts", L"Gone", L"gone.ttf"}});
    Enter();
    ChooseCategory(2);
    SetCheck(Problems(), 0, false);
    EXPECT_EQ(Status(2), L"Total problem(s) to be fixed: 1");
    EXPECT_TRUE(FixEnabled());
    ChooseCategory(1);
    SetCheck(Problems(), 0, false);
    EXPECT_EQ(g_checkedCount, 0);
    EXPECT_EQ(Status(2), L"Total problem(s) to be fixed: 0");
    EXPECT_FALSE(FixEnabled());
    SetCheck(Problems(), 1, true);
    EXPECT_TRUE(FixEnabled());
    EXPECT_EQ(Status(2), L"Total problem(s) to be fixed: 1");
    const std::vector<Call> expected = {{1, 0, 0}, {0, 0, 0}, {0, 1, 1}};
    EXPECT_EQ(g_checkCalls, expected);
    // The checks live in the engine: switching back shows them.
    ChooseCategory(0);
    ASSERT_EQ(Rows(Problems()), 3);
    EXPECT_FALSE(Checked(Problems(), 0));
    EXPECT_TRUE(Checked(Problems(), 1));
    EXPECT_FALSE(Checked(Problems(), 2));
    EXPECT_EQ(g_checkCalls.size(), 3u);
}

// After a scan whose IgnoreList.dat could not be read the page says why,
// shows nothing checked, keeps "Fix Problems" off, and a box the user
// clicks does not stay checked.
TEST_F(SelectPageTest, AnUnreadIgnoreListIsShownAndNothingCanBeChecked)
{
    for (int state : {kIgnoreListDamaged, kIgnoreListUnreadable}) {
        SCOPED_TRACE(state);
        g_ignoreListState = state;
        AddCategory(L"Fonts", {{L"Fonts", L"Gone", L"gone.ttf", 0, 1, 0}, {L"Fonts", L"Old", L"old.ttf", 0, 1, 0}});
        Enter();
        ASSERT_EQ(Rows(Problems()), 2);
        EXPECT_EQ(Status(1), IgnoreListBlockText(state));
        EXPECT_EQ(Status(1).rfind(L"IgnoreList.dat ", 0), 0u);
        EXPECT_EQ(Status(2), L"Total problem(s) found: 2    Total problem(s) to be fixed: 0");
        EXPECT_FALSE(Checked(Problems(), 0));
        SetCheck(Problems(), 0, true);
        EXPECT_FALSE(Checked(Problems(), 0));
        EXPECT_EQ(g_checkedCount, 0);
        EXPECT_FALSE(FixEnabled());
        dlg_->ShowPage(dlg_->Page(kMainPage));
        results_.Clear();
        g_problemCount = 0;
    }
    EXPECT_EQ(IgnoreListBlockText(kIgnoreListRead), L"");
    EXPECT_NE(IgnoreListBlockText(kIgnoreListDamaged), IgnoreListBlockText(kIgnoreListUnreadable));
}

TEST_F(SelectPageTest, IgnoreProblemDropsEverySelectedRow)
{
    AddStandardResults();
    Enter();
    ASSERT_EQ(Rows(Problems()), 5);
    SetSelected(Problems(), 0, true);
    SetSelected(Problems(), 3, true);
    Command(CSelectCleanChildWnd::kCmdIgnoreProblem);
    const std::vector<Call> ignored = {{0, 0, 0}, {2, 0, 0}};
    EXPECT_EQ(g_ignoreCalls, ignored);
    const std::vector<std::wstring> left = {L" (win64) .xyz\\OpenWithList\\a\\xyz.exe",
                                            L" (win32) Applications\\old.exe\\default value\\",
                                            L" (win32) Software\\Run\\Tray\\C:\\gone\\tray.exe"};
    EXPECT_EQ(ProblemTexts(), left);
    EXPECT_EQ(Text(Categories(), 0), L"All Categories(3)");
    EXPECT_EQ(Text(Categories(), 1), L"Invalid File Types(2)");
    EXPECT_EQ(Text(Categories(), 3), L"Startup Programs(1)");
    EXPECT_EQ(Status(2), L"Total problem(s) to be fixed: 2");
    EXPECT_TRUE(FixEnabled());
    EXPECT_TRUE(g_checkCalls.empty());

    // The remaining rows still lead to their own problems.
    Select()->SetClickedRow(2);
    Command(CSelectCleanChildWnd::kCmdOpenRegistryKey);
    ASSERT_EQ(g_openCalls.size(), 1u);
    EXPECT_EQ(g_openCalls[0], (Call{2, 1, 0}));

    // Ignoring the last checked ones leaves nothing to fix; an emptied
    // category shows the green check.
    ChooseCategory(3);
    SetSelected(Problems(), 0, true);
    Command(CSelectCleanChildWnd::kCmdIgnoreProblem);
    ChooseCategory(1);
    SetSelected(Problems(), 1, true);
    Command(CSelectCleanChildWnd::kCmdIgnoreProblem);
    EXPECT_EQ(Rows(Problems()), 1);
    EXPECT_EQ(Text(Categories(), 3), L"Startup Programs(0)");
    EXPECT_EQ(Image(Categories(), 3), kImageDone);
    EXPECT_EQ(Text(Categories(), 0), L"All Categories(1)");
    EXPECT_EQ(g_checkedCount, 0);
    EXPECT_FALSE(FixEnabled());
}

TEST_F(SelectPageTest, IgnoreProblemKeepsRowsTheEngineRejects)
{
    AddStandardResults();
    Enter();
    // The engine's list shrank under the page: the last row's index is stale.
    results_.At(2)->problems.RemoveAt(1);
    SetSelected(Problems(), 1, true);
    SetSelected(Problems(), 4, true);
    Command(CSelectCleanChildWnd::kCmdIgnoreProblem);
    ASSERT_EQ(g_ignoreCalls.size(), 1u);
    EXPECT_EQ(g_ignoreCalls[0], (Call{0, 1, 0}));
    ASSERT_EQ(Rows(Problems()), 4);
    EXPECT_EQ(Text(Problems(), 3), L" (win32) Software\\Run\\Tray\\C:\\gone\\tray.exe");
}

TEST_F(SelectPageTest, OpenRegistryKeyUsesTheRightClickedRow)
{
    AddStandardResults();
    Enter();
    ChooseCategory(3);
    struct Case {
        int row;
        size_t calls;
    } cases[] = {{1, 1}, {-1, 1}, {7, 1}, {0, 2}};
    for (const Case& c : cases) {
        Select()->SetClickedRow(c.row);
        Command(CSelectCleanChildWnd::kCmdOpenRegistryKey);
        EXPECT_EQ(g_openCalls.size(), c.calls) << c.row;
    }
    const std::vector<Call> expected = {{2, 1, 0}, {2, 0, 0}};
    EXPECT_EQ(g_openCalls, expected);
    EXPECT_TRUE(g_ignoreCalls.empty());
}

TEST_F(SelectPageTest, FixProblemsGoesOnToTheCleanPage)
{
    AddStandardResults();
    Enter();
    SendMessageW(dlg_->Hwnd(), WM_COMMAND, MAKEWPARAM(kCmdAction, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dlg_->Button(kCmdAction)->Hwnd()));
    EXPECT_EQ(dlg_->CurrentPage(), dlg_->Page(kCleanPage));
    EXPECT_FALSE(IsWindowVisible(Page()->Hwnd()));
    EXPECT_EQ(Rows(Problems()), 0);
    EXPECT_TRUE(g_checkCalls.empty());
}

TEST_F(SelectPageTest, WhileARestartIsPendingFixingIsRefusedOnThePage)
{
    AddStandardResults();
    fake_.GetPendingCompaction = [] { return 1; };
    std::vector<std::wstring> said;
    SetStandardBoxAnswer([&](const std::wstring& text, const std::wstring&, UINT) {
        said.push_back(text);
        return IDOK;
    });
    Enter();
    SendMessageW(dlg_->Hwnd(), WM_COMMAND, MAKEWPARAM(kCmdAction, BN_CLICKED),
                 reinterpret_cast<LPARAM>(dlg_->Button(kCmdAction)->Hwnd()));
    SetStandardBoxAnswer(nullptr);
    EXPECT_EQ(dlg_->CurrentPage(), Page());
    EXPECT_EQ(said,
              std::vector<std::wstring>{L"The compacted registry replaces the current one at the next restart; restart first"});
}

TEST(SelectPageMenu, ResourceHasTheTwoProblemCommands)
{
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(130));
    ASSERT_NE(menu, nullptr);
    HMENU popup = GetSubMenu(menu, 0);
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(GetMenuItemCount(popup), 2);
    const struct {
        UINT id;
        const wchar_t* text;
    } items[] = {{32774, L"Ignore Problem"}, {32775, L"Open Registry Key"}};
    for (int i = 0; i < 2; ++i) {
        wchar_t text[64] = L"";
        GetMenuStringW(popup, static_cast<UINT>(i), text, 64, MF_BYPOSITION);
        EXPECT_EQ(GetMenuItemID(popup, i), items[i].id);
        EXPECT_STREQ(text, items[i].text);
    }
    DestroyMenu(menu);
}

void CALLBACK CloseMenu(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    EndMenu();
}

TEST_F(SelectPageTest, RightClickRemembersTheRowItWasOn)
{
    AddStandardResults();
    Enter();
    RECT second{};
    ASSERT_TRUE(ListView_GetItemRect(Problems(), 1, &second, LVIR_LABEL));
    RECT client{};
    GetClientRect(Problems(), &client);
    struct Case {
        POINT at;
        int row;
    } cases[] = {{{second.left + 20, (second.top + second.bottom) / 2}, 1}, {{client.right / 2, client.bottom - 30}, -1}};
    for (const Case& c : cases) {
        Select()->SetClickedRow(99);
        // The menu is tracked at the cursor; a timer inside its loop closes it.
        SetTimer(nullptr, 0, 300, &CloseMenu);
        // The notification the list view sends for a right click, with its
        // own hit test of the point.
        LVHITTESTINFO hit{};
        hit.pt = c.at;
        ListView_SubItemHitTest(Problems(), &hit);
        NMITEMACTIVATE click{};
        click.hdr.hwndFrom = Problems();
        click.hdr.idFrom = CSelectCleanChildWnd::kProblemListId;
        click.hdr.code = NM_RCLICK;
        click.iItem = hit.iItem;
        click.ptAction = c.at;
        SendMessageW(Page()->Hwnd(), WM_NOTIFY, click.hdr.idFrom, reinterpret_cast<LPARAM>(&click));
        apptest::Pump(50);
        EXPECT_EQ(Select()->ClickedRow(), c.row);
    }
    EXPECT_TRUE(g_openCalls.empty());
    EXPECT_TRUE(g_ignoreCalls.empty());
}

TEST_F(SelectPageTest, EnteringRecordsTheScanSummaryAndLeavingClearsThePage)
{
    AddStandardResults();
    Enter();
    EXPECT_EQ(lastscan::Read(lastscan::kPerformed), L"TRUE");
    EXPECT_EQ(lastscan::Read(lastscan::kErrorsCount), L"5");
    EXPECT_EQ(lastscan::Read(lastscan::kFixedCount), L"0");
    EXPECT_EQ(lastscan::Read(lastscan::kRemainCount), L"5");
    EXPECT_EQ(GetFileAttributesW((scratch_->path() + L"\\LastScan.ini").c_str()) != INVALID_FILE_ATTRIBUTES, true);

    dlg_->ShowPage(dlg_->Page(kMainPage));
    EXPECT_FALSE(IsWindowVisible(Page()->Hwnd()));
    EXPECT_EQ(Rows(Categories()), 0);
    EXPECT_EQ(Rows(Problems()), 0);
    // The page cleared its line; the main menu shows its summary there.
    EXPECT_EQ(dlg_->StatusLine(1).value_or(L"").rfind(L"Last scan: ", 0), 0u);
    EXPECT_FALSE(dlg_->StatusLine(2).has_value());
    EXPECT_FALSE(IsWindowVisible(dlg_->Button(kCmdHelp)->Hwnd()));

    // A second visit rebuilds from the engine's current results.
    AddCategory(L"Fonts", {{L"Fonts", L"Gone", L"gone.ttf"}});
    Enter();
    EXPECT_EQ(Rows(Categories()), 5);
    EXPECT_EQ(Rows(Problems()), 6);
    EXPECT_EQ(lastscan::Read(lastscan::kErrorsCount), L"6");
}

TEST_F(SelectPageTest, Screenshot)
{
    AddStandardResults();
    AddCategory(L"ActiveX/COM", {{L"CLSID\\{6BF52A52-394A-11D3-B153-00C04F79FAA6}\\InprocServer32", L"default value",
                                  L"C:\\Windows\\System32\\gone.dll", 2, 1, 1, 0, L"The clsid class does not exist!"},
                                 {L"TypeLib\\{00020430-0000-0000-C000-000000000046}", L"default value", L"", 1, 0, 1, 0,
                                  L"The typeid does not exist!"}});
    Enter();
    SetCheck(Problems(), 2, false);
    ChooseCategory(0);
    SetSelected(Problems(), 3, true);
    apptest::Pump(300);
    RedrawWindow(dlg_->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    apptest::Pump(300);
    size_t colours = 0;
    std::unique_ptr<apptest::Canvas> shot = apptest::CaptureWindow(dlg_->Hwnd(), L"select-page.png", &colours);
    EXPECT_GT(colours, 8u);
    // The grey rule under the instruction text.
    RECT page{};
    GetClientRect(Page()->Hwnd(), &page);
    POINT origin{0, 0};
    ClientToScreen(Page()->Hwnd(), &origin);
    RECT wr{};
    GetWindowRect(dlg_->Hwnd(), &wr);
    const int rule = Dpi(Page()->DpiValue())(50);
    EXPECT_EQ(shot->At(origin.x - wr.left + page.right - 30, origin.y - wr.top + rule), RGB(128, 128, 128));
    EXPECT_EQ(shot->At(origin.x - wr.left + page.right - 30, origin.y - wr.top + rule + 1), RGB(255, 255, 255));
}

}  // namespace

namespace {

// The fourth column says what each fix removes, or why it is refused; the
// status line says it for the selected row.
TEST_F(SelectPageTest, RemovesColumnAndTheSelectedRowsFix)
{
    AddCategory(L"Application Paths", {{L"Software\\A", L"Path", L"C:\\x.exe", 0, 1},
                                       {L"App Paths", L"", L"", 1, 0},
                                       {L"Software\\C", L"Name", L"", 2, 1}});
    RegScanCategory& result = *results_[0];
    result.problems[0]->extent.kind = FixExtent::kValue;
    result.problems[1]->extent.kind = FixExtent::kKey;
    result.problems[1]->refusal = L"refused: it would remove the container key HKEY_CLASSES_ROOT\\App Paths";
    result.problems[2]->extent = {FixExtent::kTree, 12, 40, 0, 0, 0};
    Enter();
    ASSERT_EQ(Rows(Problems()), 3);
    EXPECT_EQ(Text(Problems(), 0, 3), L"1 value");
    EXPECT_EQ(Text(Problems(), 1, 3), L"refused: it would remove the container key HKEY_CLASSES_ROOT\\App Paths");
    EXPECT_EQ(Text(Problems(), 2, 3), L"tree: 12 keys, 40 values");

    ListView_SetItemState(Problems(), 2, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(dlg_->StatusLine(1).value_or(L""),
              L"Total problem(s) found: 3    Selected fix removes: tree: 12 keys, 40 values");
    ListView_SetItemState(Problems(), 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    EXPECT_EQ(dlg_->StatusLine(1).value_or(L""),
              L"Total problem(s) found: 3    Selected fix refused: it would remove the container key "
              L"HKEY_CLASSES_ROOT\\App Paths");
}

}  // namespace
