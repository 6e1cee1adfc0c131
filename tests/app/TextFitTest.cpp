// Nothing the window shows is clipped: every page in a state that shows its
// longest texts, and each label, instruction, status line, button caption,
// column title and fixed cell text measured against its rectangle with the
// font the program asks for, at 96 and at 144 DPI (the window is told its
// DPI as a monitor change tells it; app_tests.dpi144 also runs these in a
// prefix whose system DPI is 144). Misfits are named.
#include <windows.h>
// commctrl.h needs the types of windows.h.
#include <commctrl.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/PageTestFixture.h"
#include "controls/Gdi.h"
#include "controls/HeaderCtrl.h"
#include "controls/ListCtrl.h"
#include "controls/MyButton.h"
#include "pages/DefragChildWnd.h"
#include "pages/ScanSchedule.h"
#include "pages/SelectCleanChildWnd.h"
#include "pure/UiTexts.h"
#include "shell/LastScan.h"
#include "shell/LastScanReport.h"

using namespace ui;

namespace {

// What a list view adds around a cell's or a column title's text.
constexpr int kCellPadding = 12;

std::string Utf8(const std::wstring& s) { return testenv::WideToUtf8(s); }

class Misfits {
public:
    void Add(const std::string& where, const std::wstring& text, SIZE need, SIZE have)
    {
        std::ostringstream line;
        line << where << ": \"" << Utf8(text) << "\" needs " << need.cx << " x " << need.cy << ", has " << have.cx
             << " x " << have.cy;
        lines_.push_back(line.str());
    }
    void Add(const std::string& where, const std::string& what) { lines_.push_back(where + ": " + what); }
    bool Empty() const { return lines_.empty(); }
    std::string Report() const
    {
        std::string all;
        for (const std::string& l : lines_) all += "\n  " + l;
        return all;
    }

private:
    std::vector<std::string> lines_;
};

SIZE Measure(HFONT font, const std::wstring& text, UINT format, int width)
{
    gdi::WindowDC screen(nullptr);
    gdi::Select sel(screen.get(), font);
    RECT m{0, 0, (format & DT_WORDBREAK) ? width : 0, 0};
    const UINT keep = DT_WORDBREAK | DT_EDITCONTROL | DT_SINGLELINE | DT_NOPREFIX | DT_EXPANDTABS;
    DrawTextW(screen.get(), text.c_str(), -1, &m, (format & keep) | DT_CALCRECT);
    return {m.right - m.left, m.bottom - m.top};
}

void CheckText(const ShownText& t, const std::string& where, Misfits& out)
{
    if (t.text.empty()) return;
    if (uitext::Printable(t.text, true) != t.text) out.Add(where, "\"" + Utf8(t.text) + "\" holds a control character");
    const SIZE have{t.rect.right - t.rect.left, t.rect.bottom - t.rect.top};
    const SIZE need = Measure(t.font, t.text, t.format, have.cx);
    if (need.cx > have.cx || need.cy > have.cy) out.Add(where, t.text, need, have);
}

BOOL CALLBACK CollectChild(HWND child, LPARAM lp)
{
    if (IsWindowVisible(child)) reinterpret_cast<std::vector<HWND>*>(lp)->push_back(child);
    return TRUE;
}

std::vector<HWND> VisibleDescendants(HWND parent)
{
    std::vector<HWND> all;
    EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&all));
    return all;
}

std::wstring ClassOf(HWND h)
{
    wchar_t name[64] = L"";
    GetClassNameW(h, name, 64);
    return name;
}

void CheckButton(const CMyButton& b, Misfits& out)
{
    RECT client{};
    GetClientRect(b.Hwnd(), &client);
    for (const ButtonCaption* c : {&b.Caption(), &b.SecondCaption()}) {
        if (!c->IsSet()) continue;
        const RECT r = b.CaptionRect(*c);
        if (r.left < 0 || r.top < 0 || r.right > client.right || r.bottom > client.bottom)
            out.Add("button " + std::to_string(GetDlgCtrlID(b.Hwnd())), c->text,
                    {r.right - std::min<LONG>(r.left, 0), r.bottom - std::min<LONG>(r.top, 0)},
                    {client.right, client.bottom});
    }
}

void CheckColumnTitles(HWND list, Misfits& out)
{
    HWND header = ListView_GetHeader(list);
    auto* skinned = dynamic_cast<CHeaderCtrlCl*>(CControl::FromHandle(header));
    HFONT font = skinned ? skinned->Font() : reinterpret_cast<HFONT>(SendMessageW(header, WM_GETFONT, 0, 0));
    const int padding = skinned ? 6 : kCellPadding;
    const int count = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        wchar_t title[128] = L"";
        HDITEMW item{};
        item.mask = HDI_TEXT | HDI_WIDTH;
        item.pszText = title;
        item.cchTextMax = 128;
        SendMessageW(header, HDM_GETITEMW, i, reinterpret_cast<LPARAM>(&item));
        const SIZE need = Measure(font, title, DT_SINGLELINE | DT_NOPREFIX, 0);
        RECT r{};
        SendMessageW(header, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&r));
        if (need.cx + padding > item.cxy || need.cy > r.bottom - r.top)
            out.Add("column title of list " + std::to_string(GetDlgCtrlID(list)), title,
                    {need.cx + padding, need.cy}, {item.cxy, r.bottom - r.top});
    }
}

// Every visible skinned button and list column title of the window.
void CheckControls(HWND window, Misfits& out)
{
    for (HWND h : VisibleDescendants(window)) {
        if (auto* b = dynamic_cast<CMyButton*>(CControl::FromHandle(h))) CheckButton(*b, out);
        if (ClassOf(h) == WC_LISTVIEWW) CheckColumnTitles(h, out);
    }
}

// The texts of `column` in every row of `list`.
void CheckCells(HWND list, int column, Misfits& out)
{
    // The skinned list draws its cells itself, in its own font.
    auto* skinned = dynamic_cast<CListCtrlCl*>(CControl::FromHandle(list));
    HFONT font = skinned ? skinned->Font() : reinterpret_cast<HFONT>(SendMessageW(list, WM_GETFONT, 0, 0));
    int width = ListView_GetColumnWidth(list, column);
    if (column == 0 && !skinned) {
        // The first column also holds the row's image and check box.
        int cx = 0, cy = 0;
        if (HIMAGELIST images = ListView_GetImageList(list, LVSIL_SMALL); images && ImageList_GetIconSize(images, &cx, &cy))
            width -= cx;
        if (ListView_GetExtendedListViewStyle(list) & LVS_EX_CHECKBOXES) width -= GetSystemMetrics(SM_CXSMICON);
    }
    for (int row = 0; row < ListView_GetItemCount(list); ++row) {
        wchar_t text[256] = L"";
        ListView_GetItemText(list, row, column, text, 256);
        const SIZE need = Measure(font, text, DT_SINGLELINE | DT_NOPREFIX, 0);
        if (need.cx + kCellPadding > width)
            out.Add("cell of column " + std::to_string(column) + " in list " + std::to_string(GetDlgCtrlID(list)),
                    text, {need.cx + kCellPadding, need.cy}, {width, need.cy});
    }
}

class TextFitTest : public pagetest::PageTest, public ::testing::WithParamInterface<int> {
protected:
    void SetUp() override
    {
        pagetest::PageTest::SetUp();
        dlg_->ApplyDpi(GetParam());
        ASSERT_EQ(dlg_->DpiValue(), GetParam());
    }
    // Shows the page (when not current), lets it paint, and measures what
    // the window then shows.
    Misfits Show(int page)
    {
        if (dlg_->CurrentPage() != Page(page)) dlg_->ShowPage(Page(page));
        RedrawWindow(dlg_->Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        apptest::Pump(50);
        return Measured(page);
    }
    Misfits Measured(int page)
    {
        Misfits out;
        const std::string name = "page " + std::to_string(page);
        for (const ShownText& t : dlg_->Texts()) CheckText(t, name + " frame", out);
        for (const ShownText& t : Page(page)->Texts()) CheckText(t, name, out);
        CheckControls(dlg_->Hwnd(), out);
        return out;
    }
    void AddProblem(RegScanCategory& result, const wchar_t* key, FixExtent extent)
    {
        auto p = std::make_unique<RegEntryProb>();
        p->rootName = L"HKEY_LOCAL_MACHINE";
        p->keyPath = key;
        p->valueName = L"InprocServer32";
        p->data = L"C:\\Program Files\\Common Files\\Gone\\component.dll";
        p->message = L"The file or directroy does not exist!";
        p->grade = 2;
        p->selected = 1;
        p->extent = extent;
        result.problems.Add(std::move(p));
    }
};

TEST_P(TextFitTest, MainMenu)
{
    scratch_->Write(L"LastScan.ini",
                    "[ScanStatus]\r\nPerformed=TRUE\r\nErrorsCount=12345\r\nFixedCount=12345\r\nRemainCount=12345\r\n"
                    "NewSincePrevious=12345\r\n");
    dlg_->ShowPage(Page(kScanAreaPage));  // re-enter: the summary is read on entry
    const Misfits m = Show(kMainPage);
    EXPECT_TRUE(m.Empty()) << m.Report();
}

TEST_P(TextFitTest, ScanPage)
{
    for (const wchar_t* name :
         {L"COM/ActiveX Entries", L"Install&Uninstall Entries", L"Sound&App Events", L"Windows Startup Items"})
        AddCategory(name, true);
    fake_.problemCount = 12345;
    dlg_->ShowPage(Page(kScanPage));
    OnWorker([](UiCallbackTable& cb) { cb.OnScanStarted(); });
    fake_.categories[0]->scanState = 2;
    fake_.categories[0]->foundCount = 12345;
    fake_.categories[1]->scanState = 1;
    OnWorker([](UiCallbackTable& cb) {
        cb.OnScanCategory(0);
        cb.OnScanCategory(1);
        std::wstring item = L"HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\CLSID\\{0002DF01-0000-0000-C000-000000000046}"
                            L"\\InprocServer32\\C:\\Program Files\\Common Files\\Gone\\component.dll";
        cb.OnScanItem(&item, 1);
    });
    PaintedText(kScanPage);
    const Misfits m = Show(kScanPage);
    EXPECT_TRUE(m.Empty()) << m.Report();
    Misfits cells;
    CheckCells(List(kScanPage).Hwnd(), 1, cells);
    EXPECT_TRUE(cells.Empty()) << cells.Report();
}

TEST_P(TextFitTest, SelectPage)
{
    fake_.problemCount = 12345;
    RegScanCategory* com = AddResult(L"Install&Uninstall Entries", 2);
    FixExtent tree{};
    tree.kind = FixExtent::kTree;
    tree.more = 1;
    AddProblem(*com, L"SOFTWARE\\Classes\\CLSID\\{0002DF01-0000-0000-C000-000000000046}", tree);
    FixExtent key{};
    key.kind = FixExtent::kKey;
    key.values = 12345;
    AddProblem(*com, L"SOFTWARE\\Classes\\CLSID\\{0002DF02-0000-0000-C000-000000000046}", key);
    dlg_->ShowPage(Page(kSelectPage));
    HWND problems = GetDlgItem(Page(kSelectPage)->Hwnd(), CSelectCleanChildWnd::kProblemListId);
    ListView_SetItemState(problems, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    const Misfits m = Show(kSelectPage);
    EXPECT_TRUE(m.Empty()) << m.Report();
    Misfits cells;
    // What a fix removes shows in full on the status line (checked above);
    // its column may cut the longest forms.
    CheckCells(problems, 1, cells);
    EXPECT_TRUE(cells.Empty()) << cells.Report();
}

TEST_P(TextFitTest, CleanPage)
{
    fake_.problemCount = 12345;
    fake_.fixedCount = 12345;
    RegScanCategory* r = AddResult(L"Install&Uninstall Entries", 12345, 12345);
    dlg_->ShowPage(Page(kCleanPage));
    OnWorker([](UiCallbackTable& cb) { cb.OnBackupFinished(1); });
    r->fixState = 2;
    r->fixedCount = 12345;
    r->notFixedCount = 12345;
    OnWorker([](UiCallbackTable& cb) {
        cb.OnFixProgress(0);
        cb.OnFixFinished(0);
    });
    PaintedText(kCleanPage);
    const Misfits m = Show(kCleanPage);
    EXPECT_TRUE(m.Empty()) << m.Report();
    Misfits cells;
    CheckCells(List(kCleanPage).Hwnd(), 1, cells);
    EXPECT_TRUE(cells.Empty()) << cells.Report();
}

TEST_P(TextFitTest, BackupPage)
{
    for (const wchar_t* name : {L"20261208093015-f.regbak", L"20261209171501-p.regbak", L"not-a-backup.regbak"}) {
        auto e = std::make_unique<BackupEntry>();
        e->fileName = name;
        e->kind = name[15] == L'p' ? 1 : 0;
        fake_.backups.Add(std::move(e));
    }
    fake_.operationResult = 0;
    dlg_->ShowPage(Page(kBackupPage));
    ClickButton(kCmdFullBackup);
    OnWorker([](UiCallbackTable& cb) { cb.OnBackupFinished(0); });
    const Misfits m = Show(kBackupPage);
    EXPECT_TRUE(m.Empty()) << m.Report();
    Misfits cells;
    CheckCells(GetDlgItem(Page(kBackupPage)->Hwnd(), 1608), 1, cells);
    EXPECT_TRUE(cells.Empty()) << cells.Report();
}

TEST_P(TextFitTest, IgnorePage)
{
    auto group = std::make_unique<RegScanCategory>();
    group->name = L"Install&Uninstall Entries";
    for (int i = 0; i < 3; ++i) {
        auto p = std::make_unique<RegEntryProb>();
        p->rootName = L"HKEY_LOCAL_MACHINE";
        p->keyPath = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\{Gone-" + std::to_wstring(i) + L"}";
        p->valueName = L"UninstallString";
        group->problems.Add(std::move(p));
    }
    fake_.ignoreList.Add(std::move(group));
    const Misfits m = Show(kIgnorePage);
    EXPECT_TRUE(m.Empty()) << m.Report();
    Misfits cells;
    CheckCells(GetDlgItem(Page(kIgnorePage)->Hwnd(), 1612), 0, cells);
    EXPECT_TRUE(cells.Empty()) << cells.Report();
}

TEST_P(TextFitTest, ScanAreaAndSettingsPages)
{
    for (const wchar_t* name :
         {L"COM/ActiveX Entries", L"Application Paths", L"File Extensions", L"File Associations",
          L"Install&Uninstall Entries", L"Font Entries", L"Shared DLLS", L"Help Files", L"History Lists",
          L"Program Shortcuts", L"Sound&App Events", L"Windows Startup Items"})
        AddCategory(name, true);
    Misfits m = Show(kScanAreaPage);
    EXPECT_TRUE(m.Empty()) << m.Report();
    m = Show(kSettingsPage);
    EXPECT_TRUE(m.Empty()) << m.Report();
}

TEST_P(TextFitTest, StartupPage)
{
    fake_.enabledItems = 3;
    fake_.disabledItems = 2;
    dlg_->ShowPage(Page(kStartupPage));
    // The status line counts three digits each.
    dlg_->SetStatusLine1(L"Total Startup items : 888 ( 888 Enabled and 888 Disabled)");
    const Misfits m = Show(kStartupPage);
    EXPECT_TRUE(m.Empty()) << m.Report();
    Misfits cells;
    HWND list = GetDlgItem(Page(kStartupPage)->Hwnd(), 1614);
    for (int column : {0, 2}) CheckCells(list, column, cells);
    EXPECT_TRUE(cells.Empty()) << cells.Report();
}

TEST_P(TextFitTest, DefragPage)
{
    auto* page = static_cast<CDefragChildWnd*>(Page(kDefragPage));
    dlg_->ShowPage(page);
    // Every text a hive row can show.
    CReportList& list = page->List();
    const wchar_t* const statuses[] = {L"access denied", L"fragment", L"unfragment", L"compacted, fragmented",
                                       L"ok", L"uncompacted", L"FRAGMENTED", L"OK"};
    for (const wchar_t* status : statuses) {
        const int row = list.AddRow(L"COMPONENTS");
        list.SetText(row, 1, L"1234567K");
        list.SetText(row, 2, L"1234567K");
        list.SetText(row, 3, status);
    }
    dlg_->SetActionButtonText(L"Defragment");
    const Misfits m = Show(kDefragPage);
    EXPECT_TRUE(m.Empty()) << m.Report();
    Misfits cells;
    // (File names are registry paths of any length: not checked.)
    for (int column : {1, 2, 3}) CheckCells(list.Hwnd(), column, cells);
    EXPECT_TRUE(cells.Empty()) << cells.Report();
}

TEST_P(TextFitTest, SchedulePage)
{
    auto* page = static_cast<CScanSchedule*>(Page(kSchedulePage));
    dlg_->ShowPage(page);
    TASK_TRIGGER t{};
    t = WeeklyTrigger(t, 127, 23, 59);
    t.wBeginMonth = 12;
    t.wBeginDay = 31;
    page->List().AddRow(TriggerRowText(t));
    const Misfits m = Show(kSchedulePage);
    EXPECT_TRUE(m.Empty()) << m.Report();
    Misfits cells;
    CheckCells(page->List().Hwnd(), 0, cells);
    EXPECT_TRUE(cells.Empty()) << cells.Report();
}

INSTANTIATE_TEST_SUITE_P(Dpi, TextFitTest, ::testing::Values(96, 144),
                         [](const ::testing::TestParamInfo<int>& dpi) { return std::to_string(dpi.param); });

}  // namespace
