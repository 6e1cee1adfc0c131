// Skinned controls in real windows: button states, captions, the header's
// alignment, the check box, and the question box.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <atomic>
#include <thread>

#include "app/AppTestEnv.h"
#include "controls/CheckBox.h"
#include "controls/HeaderCtrl.h"
#include "controls/ImageCache.h"
#include "controls/ListCtrl.h"
#include "controls/MyButton.h"
#include "pages/MessageBox.h"
#include "res/ResourceIds.h"
#include "TamselVersion.h"

using namespace ui;

namespace {

class Host : public CWindow {
public:
    bool Make()
    {
        return CreateWin(L"TamselTestHost", 0, L"host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, {50, 50, 450, 350},
                         nullptr, 0);
    }

protected:
    LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) override
    {
        if (msg == WM_PRINTCLIENT || msg == WM_ERASEBKGND) {
            RECT r{0, 0, 400, 300};
            HBRUSH b = CreateSolidBrush(RGB(10, 200, 30));
            FillRect(reinterpret_cast<HDC>(wp), &r, b);
            DeleteObject(b);
            return 1;
        }
        return CWindow::HandleMessage(msg, wp, lp);
    }
};

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        g_imageCache = &cache_;
        ASSERT_TRUE(host_.Make());
        ShowWindow(host_.Hwnd(), SW_SHOW);
    }
    void TearDown() override { g_imageCache = nullptr; }

    // Dark pixels of the button picture: the caption's extent.
    static RECT InkBox(const apptest::Canvas& c, COLORREF background)
    {
        RECT box{c.width(), c.height(), -1, -1};
        for (int y = 0; y < c.height(); ++y)
            for (int x = 0; x < c.width(); ++x)
                if (c.At(x, y) != background) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x);
                    box.bottom = std::max<LONG>(box.bottom, y);
                }
        return box;
    }

    apptest::ComInit com_;
    ImageCache cache_;
    Host host_;
};

TEST_F(ControlsTest, ButtonIsOwnerDrawnAndCentresACaptionAtZero)
{
    CMyButton b(false, 1);
    ASSERT_TRUE(b.Create(host_.Hwnd(), 100, {10, 10, 210, 50}, L"Go"));
    EXPECT_EQ(GetWindowLongW(b.Hwnd(), GWL_STYLE) & BS_TYPEMASK, BS_OWNERDRAW);
    b.SetBackgroundColour(RGB(255, 255, 255));
    b.SetCaption(0, 0, RGB(0, 0, 0), RGB(0, 0, 255), 20, L"Go");
    apptest::Canvas c(200, 40, RGB(255, 255, 255));
    b.Paint(c.dc(), false);
    RECT ink = InkBox(c, RGB(255, 255, 255));
    ASSERT_GE(ink.right, 0) << "no caption drawn";
    const int centre = (ink.left + ink.right) / 2;
    EXPECT_NEAR(centre, 100, 4);
    EXPECT_NEAR((ink.top + ink.bottom) / 2, 20, 5);

    b.SetCaption(30, 5, RGB(0, 0, 0), RGB(0, 0, 255), 20, L"Go");
    apptest::Canvas c2(200, 40, RGB(255, 255, 255));
    b.Paint(c2.dc(), false);
    EXPECT_NEAR(InkBox(c2, RGB(255, 255, 255)).left, 30, 3);
}

TEST_F(ControlsTest, DisabledCaptionIsGreyOverADarkerCopy)
{
    CMyButton b(false, 1);
    ASSERT_TRUE(b.Create(host_.Hwnd(), 101, {10, 60, 210, 100}, L""));
    b.SetBackgroundColour(RGB(255, 255, 255));
    b.SetCaption(0, 0, RGB(0, 0, 255), RGB(0, 0, 255), 24, L"HHHH", FW_BOLD);
    EnableWindow(b.Hwnd(), FALSE);
    apptest::Canvas c(200, 40, RGB(255, 255, 255));
    b.Paint(c.dc(), false);
    bool grey = false, blue = false;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 200; ++x) {
            COLORREF p = c.At(x, y);
            grey |= p == RGB(128, 128, 128);
            blue |= p == RGB(0, 0, 255);
        }
    EXPECT_TRUE(grey);
    EXPECT_FALSE(blue) << "a disabled caption does not use its normal colour";
}

TEST_F(ControlsTest, HoverLeaveAndStickyPressedStates)
{
    CMyButton b(false, 1);
    ASSERT_TRUE(b.Create(host_.Hwnd(), 102, {10, 110, 210, 150}, L""));
    RECT r{};
    GetWindowRect(b.Hwnd(), &r);
    SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    apptest::Pump(50);
    SendMessageW(b.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 20));
    if (WindowFromPoint({(r.left + r.right) / 2, (r.top + r.bottom) / 2}) == b.Hwnd()) {
        EXPECT_EQ(b.State(), CMyButton::kHover);
    }
    b.SetState(CMyButton::kHover);
    SendMessageW(b.Hwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(b.State(), CMyButton::kNormal);

    b.SetSticky(true);
    b.SetState(CMyButton::kPressed);
    SendMessageW(b.Hwnd(), WM_MOUSEMOVE, 0, MAKELPARAM(100, 20));
    SendMessageW(b.Hwnd(), WM_MOUSELEAVE, 0, 0);
    EXPECT_EQ(b.State(), CMyButton::kPressed);

    // Focus draws the normal state as hover.
    b.SetSticky(false);
    b.SetState(CMyButton::kNormal);
    SetFocus(b.Hwnd());
    EXPECT_TRUE(b.Focused());
    EXPECT_EQ(b.EffectiveState(false), CMyButton::kHover);
    EXPECT_EQ(b.EffectiveState(true), CMyButton::kPressed);
    SetFocus(host_.Hwnd());
    EXPECT_FALSE(b.Focused());
    EXPECT_EQ(b.EffectiveState(false), CMyButton::kNormal);
}

TEST_F(ControlsTest, TransparentButtonStartsFromTheParentPicture)
{
    CMyButton b(true, 1);
    ASSERT_TRUE(b.Create(host_.Hwnd(), 103, {10, 160, 110, 190}, L""));
    RedrawWindow(b.Hwnd(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    apptest::Canvas c(100, 30, RGB(0, 0, 0));
    b.Paint(c.dc(), false);
    EXPECT_EQ(c.At(50, 15), RGB(10, 200, 30));
}

TEST_F(ControlsTest, ButtonReflectsANullBrush)
{
    CMyButton b(false, 1);
    ASSERT_TRUE(b.Create(host_.Hwnd(), 104, {10, 200, 110, 230}, L""));
    LRESULT r = SendMessageW(host_.Hwnd(), WM_CTLCOLORBTN, 0, reinterpret_cast<LPARAM>(b.Hwnd()));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(r), GetStockObject(NULL_BRUSH));
}

TEST(HeaderAlignment, CharactersMapToInsetsAndFlags)
{
    struct Case {
        wchar_t c;
        UINT flags;
        LONG left, right;
    } cases[] = {{L'0', DT_LEFT, 13, 100}, {L'1', DT_CENTER, 10, 100}, {L'2', DT_RIGHT, 10, 97}, {L'x', DT_CENTER, 10, 100}};
    for (const auto& k : cases) {
        EXPECT_EQ(HeaderAlignFlags(k.c), k.flags) << char(k.c);
        RECT r = HeaderTextRect({10, 0, 100, 20}, k.c);
        EXPECT_EQ(r.left, k.left);
        EXPECT_EQ(r.right, k.right);
    }
}

TEST_F(ControlsTest, HeaderDrawsTitlesByAlignmentOverAGradient)
{
    CListCtrlCl list;
    ASSERT_TRUE(list.Create(host_.Hwnd(), 105, {0, 0, 360, 200}));
    for (int i = 0; i < 3; ++i) list.InsertColumn(i, L"III", 120);
    EXPECT_EQ(list.Alignment(), L"111");
    list.Header().SetAlignment(L"012");
    RECT hr{};
    GetClientRect(list.Header().Hwnd(), &hr);
    ASSERT_GT(hr.bottom, 4);
    apptest::Canvas c(hr.right, hr.bottom, RGB(255, 255, 255));
    list.Header().Paint(c.dc());
    EXPECT_EQ(c.At(hr.right - 1, 0), RGB(171, 199, 235));
    EXPECT_EQ(c.At(hr.right - 1, 1), RGB(163, 191, 227));
    // The ink of each column: left at the 3-pixel inset, centred, right.
    for (int col = 0; col < 3; ++col) {
        int first = -1, last = -1;
        for (int x = col * 120; x < (col + 1) * 120; ++x)
            for (int y = 0; y < hr.bottom; ++y)
                if (c.IsInk(x, y)) {
                    if (first < 0) first = x;
                    last = x;
                }
        ASSERT_GE(first, 0) << "column " << col;
        const int left = first - col * 120, right = (col + 1) * 120 - 1 - last;
        if (col == 0) {
            EXPECT_LE(left, 6);
        } else if (col == 1) {
            EXPECT_NEAR(left, right, 3);
        } else {
            EXPECT_LE(right, 6);
        }
    }
}

TEST_F(ControlsTest, ListCellColoursAndTheDisableText)
{
    CListCtrlCl list;
    ASSERT_TRUE(list.Create(host_.Hwnd(), 106, {0, 0, 300, 200}));
    list.SetColumnBackground(1, RGB(1, 2, 3));
    list.SetCellBackground(0, 1, RGB(4, 5, 6));
    list.SetColumnTextColour(3, RGB(7, 8, 9));
    EXPECT_EQ(list.CellBackground(0, 1), RGB(4, 5, 6));
    EXPECT_EQ(list.CellBackground(1, 1), RGB(1, 2, 3));
    EXPECT_EQ(list.CellTextColour(0, L"disable"), RGB(255, 0, 0));
    EXPECT_EQ(list.CellTextColour(0, L"Enable"), RGB(0, 0, 0));
    EXPECT_EQ(list.CellTextColour(3, L"Disable"), RGB(7, 8, 9));
}

TEST_F(ControlsTest, CheckBoxFollowsItsCheckState)
{
    CCheckBox box;
    ASSERT_TRUE(box.Create(host_.Hwnd(), 107, {300, 10, 316, 26}));
    EXPECT_FALSE(box.Checked());
    box.SetChecked(true);
    EXPECT_TRUE(box.Checked());
    SendMessageW(box.Hwnd(), BM_CLICK, 0, 0);
    EXPECT_FALSE(box.Checked());
}

TEST(MessageBoxGeometry, OneLineBoxIsWiderThanTheTextAndCentred)
{
    const RECT owner{100, 200, 891, 775};  // 791 x 575
    RECT area = MessageBoxTextArea(150, 16, 791, 575);
    EXPECT_EQ(area.right - area.left, 150 + 90);  // 1.6 x the text width
    RECT box = MessageBoxPlacement(area, owner);
    EXPECT_EQ(box.bottom - box.top, 160);
    EXPECT_EQ(box.top, 200 + 575 / 2 - 80);
    EXPECT_EQ(box.right - box.left, 240);
    EXPECT_EQ(box.left, 100 + 791 / 2 - 120);

    RECT tall = MessageBoxTextArea(100, 90, 791, 575);  // 180 high
    RECT tallBox = MessageBoxPlacement(tall, owner);
    EXPECT_EQ(tallBox.bottom - tallBox.top, 180);
    EXPECT_EQ(tallBox.top, 200 + 575 / 2 - 90);
    EXPECT_EQ(MessageBoxTextArea(7, 1, 100, 100).right, 50 + 4);  // 0.6 x 7 truncated

    EXPECT_EQ(MessageBoxIconPath(8000), L"./images/warning-48x48.png");
    EXPECT_EQ(MessageBoxIconPath(8001), L"./images/Symbol Information_48x48.png");
    EXPECT_EQ(MessageBoxIconPath(0), L"");
}

BOOL CALLBACK FindDialog(HWND h, LPARAM lp)
{
    wchar_t cls[16] = L"";
    GetClassNameW(h, cls, 16);
    if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(h)) {
        *reinterpret_cast<HWND*>(lp) = h;
        return FALSE;
    }
    return TRUE;
}

// Answers the box from another thread: finds it among the UI thread's
// windows and sends the given command; gives up after a few seconds by
// cancelling whatever dialog is there, so the test cannot hang.
std::thread Answer(DWORD uiThread, WORD command, RECT* seen, std::wstring* caption)
{
    return std::thread([=] {
        for (int i = 0; i < 500; ++i) {
            HWND found = nullptr;
            EnumThreadWindows(uiThread, &FindDialog, reinterpret_cast<LPARAM>(&found));
            if (found) {
                GetWindowRect(found, seen);
                wchar_t t[64] = L"";
                GetWindowTextW(found, t, 64);
                *caption = t;
                if (command == IDCANCEL)
                    PostMessageW(found, WM_COMMAND, IDCANCEL, 0);
                else
                    PostMessageW(GetDlgItem(found, command), BM_CLICK, 0, 0);
                return;
            }
            Sleep(20);
        }
    });
}

TEST_F(ControlsTest, QuestionBoxAnswersYesOnlyForYes)
{
    struct Case {
        WORD command;
        int result;
    } cases[] = {{kIdYes, 1}, {kIdNo, 0}, {IDCANCEL, 0}};
    for (const auto& k : cases) {
        RECT seen{};
        std::wstring caption;
        std::thread t = Answer(GetCurrentThreadId(), k.command, &seen, &caption);
        int r = RunMessageBox(host_.Hwnd(), L"Are you sure to exit?", L"Tamsel", kBoxInformation);
        t.join();
        EXPECT_EQ(r, k.result) << k.command;
        EXPECT_EQ(caption, L"Tamsel");
        EXPECT_EQ(seen.bottom - seen.top, 160);
        RECT owner{};
        GetClientRect(host_.Hwnd(), &owner);
        MapWindowPoints(host_.Hwnd(), nullptr, reinterpret_cast<POINT*>(&owner), 2);
        EXPECT_NEAR((seen.left + seen.right) / 2, (owner.left + owner.right) / 2, 2);
    }
}

}  // namespace

namespace {

TEST_F(ControlsTest, AboutBoxClosesWithOk)
{
    RECT seen{};
    std::wstring caption;
    std::thread t = Answer(GetCurrentThreadId(), IDOK, &seen, &caption);
    RunAboutDialog(host_.Hwnd());
    t.join();
    EXPECT_EQ(caption, L"Quorv Software");
}

// The about box names the version the binaries carry.
TEST(AboutBox, ShowsTheProjectVersion)
{
    HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(IDD_TAMSEL_ABOUT), MAKEINTRESOURCEW(5));  // RT_DIALOG
    ASSERT_NE(found, nullptr);
    const auto* bytes = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    const std::string narrow = "Version:" TAMSEL_VERSION_STR;
    std::wstring wide(narrow.begin(), narrow.end());
    const std::string needle(reinterpret_cast<const char*>(wide.c_str()), (wide.size() + 1) * sizeof(wchar_t));
    const std::string dialog(bytes, SizeofResource(nullptr, found));
    EXPECT_NE(dialog.find(needle), std::string::npos);
}

}  // namespace

namespace {
// Dark or blue ink (the name is drawn blue) in a part of the canvas.
int InkIn(const apptest::Canvas& c, const RECT& r)
{
    int n = 0;
    for (int y = std::max<LONG>(0, r.top); y < std::min<LONG>(c.height(), r.bottom); ++y)
        for (int x = std::max<LONG>(0, r.left); x < std::min<LONG>(c.width(), r.right); ++x)
            if (GetRValue(c.At(x, y)) < 128 && GetGValue(c.At(x, y)) < 128) ++n;
    return n;
}
}  // namespace

TEST_F(ControlsTest, AStartupRowWithoutADescriptionIsNamedByItsFile)
{
    PtrArray<StartupItem> rows;
    auto add = [&](const wchar_t* description, const wchar_t* path) {
        auto item = std::make_unique<StartupItem>();
        item->description = description;
        item->filePath = path;
        rows.Add(std::move(item));
    };
    add(L"", L"C:\\Tools\\tray.exe");
    add(L"", L"");  // nothing to name it by
    CListCtrlCl list;
    list.SetRowHeight(50);
    ASSERT_TRUE(list.Create(host_.Hwnd(), 108, {0, 0, 380, 200}));
    list.InsertColumn(0, L"Status", 75);
    list.InsertColumn(1, L"Program", 200);
    list.InsertColumn(2, L"Action", 75);
    list.SetRows(&rows);
    for (int i = 0; i < rows.GetCount(); ++i) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        item.pszText = const_cast<wchar_t*>(L"Enable");
        ListView_InsertItem(list.Hwnd(), &item);
    }
    std::array<int, 2> ink{};
    for (int row = 0; row < 2; ++row) {
        RECT cell{};
        ListView_GetSubItemRect(list.Hwnd(), row, 1, LVIR_BOUNDS, &cell);
        apptest::Canvas c(380, 200, RGB(255, 255, 255));
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_LISTVIEW;
        dis.itemID = static_cast<UINT>(row);
        dis.hwndItem = list.Hwnd();
        dis.hDC = c.dc();
        LRESULT result = 0;
        ASSERT_TRUE(list.OnReflect(WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis), result));
        // The name line: the upper part of the "Program" cell.
        ink[static_cast<size_t>(row)] = InkIn(c, {cell.left + 10, cell.top, cell.right, cell.top + 22});
    }
    EXPECT_GT(ink[0], 15) << "no name drawn for a program with a file but no description";
    EXPECT_EQ(ink[1], 0);
}
