// The window from the keyboard and for screen readers: a Tab walk through
// every page reaches each button, list and check box, page first and the
// bars after; Enter and Space act on the focused control and Esc closes
// nothing; the group and entry buttons answer their letters; every control
// has a name (and buttons and check boxes their roles) as MSAA reports it.
#include <windows.h>
// commctrl.h and oleacc.h need the types of windows.h.
#include <commctrl.h>
#include <oleacc.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "app/PageTestFixture.h"
#include "controls/MyButton.h"
#include "pages/MainChildWnd.h"
#include "pages/ProgramSettings.h"

using namespace ui;

namespace {

std::wstring ClassOf(HWND h)
{
    wchar_t name[64] = L"";
    GetClassNameW(h, name, 64);
    return name;
}

bool IsButton(HWND h) { return lstrcmpiW(ClassOf(h).c_str(), L"Button") == 0; }
bool IsList(HWND h) { return ClassOf(h) == WC_LISTVIEWW; }

BOOL CALLBACK CollectChild(HWND child, LPARAM lp)
{
    reinterpret_cast<std::vector<HWND>*>(lp)->push_back(child);
    return TRUE;
}

// The visible, enabled buttons, check boxes and lists under `parent`: what
// the keyboard must reach.
std::set<HWND> Reachable(HWND parent)
{
    std::vector<HWND> all;
    EnumChildWindows(parent, &CollectChild, reinterpret_cast<LPARAM>(&all));
    std::set<HWND> out;
    for (HWND h : all)
        if (IsWindowVisible(h) && IsWindowEnabled(h) && (IsButton(h) || IsList(h))) out.insert(h);
    return out;
}

std::string Describe(HWND h)
{
    wchar_t text[128] = L"";
    GetWindowTextW(h, text, 128);
    return testenv::WideToUtf8(ClassOf(h)) + " " + std::to_string(GetDlgCtrlID(h)) + " \"" +
           testenv::WideToUtf8(text) + "\"";
}

// Every WM_COMMAND a window receives while this lives: (id, code).
std::vector<std::pair<int, int>>* g_commands = nullptr;
LRESULT CALLBACK RecordCommands(int code, WPARAM wp, LPARAM lp)
{
    const auto* m = reinterpret_cast<const CWPSTRUCT*>(lp);
    if (code == HC_ACTION && g_commands && m->message == WM_COMMAND)
        g_commands->emplace_back(LOWORD(m->wParam), HIWORD(m->wParam));
    return CallNextHookEx(nullptr, code, wp, lp);
}

int CORVEX_CALL LaunchTool(int tool)
{
    pagetest::g_fake->stopFlag = 100 + tool;  // where the tests read it
    return 1;
}

class KeyboardTest : public pagetest::PageTest {
protected:
    void SetUp() override
    {
        pagetest::PageTest::SetUp();
        table_.LaunchSystemTool = &LaunchTool;
        g_commands = &commands_;
        hook_ = SetWindowsHookExW(WH_CALLWNDPROC, &RecordCommands, nullptr, GetCurrentThreadId());
    }
    void TearDown() override
    {
        if (hook_) UnhookWindowsHookEx(hook_);
        g_commands = nullptr;
        SetShift(false);
        pagetest::PageTest::TearDown();
    }
    static void SetShift(bool down)
    {
        BYTE keys[256];
        GetKeyboardState(keys);
        keys[VK_SHIFT] = down ? 0x80 : 0;
        SetKeyboardState(keys);
    }
    // A message as the program's loop handles it.
    void Deliver(UINT message, WPARAM wp, LPARAM lp)
    {
        MSG m{GetFocus(), message, wp, lp, static_cast<DWORD>(GetMessageTime()), {}};
        if (!dlg_->PreTranslate(m)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        apptest::Pump(10);
    }
    void Press(UINT vk, bool shift = false)
    {
        SetShift(shift);
        Deliver(WM_KEYDOWN, vk, 1);
        Deliver(WM_KEYUP, vk, 0xC0000001);
        SetShift(false);
    }
    // Alt and a letter: the system character the loop sees.
    void Alt(wchar_t letter) { Deliver(WM_SYSCHAR, letter, 0x20000001); }
    bool Clicked(int id)
    {
        return std::any_of(commands_.begin(), commands_.end(),
                           [id](const auto& c) { return c.first == id && c.second == BN_CLICKED; });
    }

    // Tab from the page's first control until the focus comes back: the
    // controls in the order reached.
    std::vector<HWND> Walk()
    {
        std::vector<HWND> order;
        HWND first = GetFocus();
        for (int i = 0; i < 60; ++i) {
            order.push_back(GetFocus());
            Press(VK_TAB);
            if (GetFocus() == first) break;
        }
        return order;
    }

    std::vector<std::pair<int, int>> commands_;
    HHOOK hook_ = nullptr;
};

TEST_F(KeyboardTest, TabReachesEveryControlOfEveryPagePageFirstAndShiftTabGoesBack)
{
    // Something to show on each page.
    AddCategory(L"Application Paths", true);
    AddCategory(L"Fonts", true);
    RegScanCategory* r = AddResult(L"Application Paths", 1);
    auto p = std::make_unique<RegEntryProb>();
    p->keyPath = L"Software\\A";
    p->selected = 1;
    r->problems.Add(std::move(p));
    fake_.problemCount = 1;
    fake_.enabledItems = 2;
    for (int page : {kMainPage, kSelectPage, kBackupPage, kIgnorePage, kScanAreaPage, kDefragPage, kStartupPage,
                     kSettingsPage, kSchedulePage, kScanPage, kCleanPage}) {
        SCOPED_TRACE(page);
        dlg_->ShowPage(Page(page));
        apptest::Pump(30);
        HWND pageWnd = Page(page)->Hwnd();
        ASSERT_TRUE(IsChild(pageWnd, GetFocus())) << "the page's first control has the keyboard, not "
                                                  << Describe(GetFocus()) << " active " << Describe(GetActiveWindow());
        const std::vector<HWND> order = Walk();
        const std::set<HWND> reached(order.begin(), order.end());
        for (HWND h : Reachable(dlg_->Hwnd())) EXPECT_TRUE(reached.count(h)) << "never reached: " << Describe(h);
        // The page's own controls come before the bars' buttons.
        bool inBars = false;
        for (HWND h : order) {
            if (!IsChild(pageWnd, h)) inBars = true;
            else EXPECT_FALSE(inBars) << Describe(h) << " after the bars";
        }
        // Shift+Tab from the first control goes to the last one.
        Press(VK_TAB, true);
        EXPECT_EQ(GetFocus(), order.back()) << Describe(GetFocus());
    }
}

TEST_F(KeyboardTest, EnterAndSpaceActOnTheFocusedControlAndEscClosesNothing)
{
    auto group = std::make_unique<RegScanCategory>();
    group->name = L"Fonts";
    group->problems.Add(std::make_unique<RegEntryProb>());
    fake_.ignoreList.Add(std::move(group));
    dlg_->ShowPage(Page(kIgnorePage));
    // The master row's box checked with Space: "Remove" is then enabled.
    HWND entries = GetDlgItem(Page(kIgnorePage)->Hwnd(), 1613);
    SetFocus(entries);
    ListView_SetItemState(entries, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    Press(VK_SPACE);
    EXPECT_TRUE(ListView_GetCheckState(entries, 1));
    ASSERT_TRUE(Enabled(kCmdAction));

    struct Case {
        UINT key;
        size_t questions;  // the removal question asked so far
    };
    for (const Case c : {Case{VK_RETURN, 1}, Case{VK_SPACE, 2}, Case{VK_ESCAPE, 2}}) {
        SetFocus(dlg_->Button(kCmdAction)->Hwnd());
        Press(c.key);
        EXPECT_EQ(questions_.size(), c.questions) << c.key;
    }
    ASSERT_FALSE(questions_.empty());
    EXPECT_EQ(questions_[0].text, L"Are you sure to Remove the Selected Items?");
    EXPECT_FALSE(dlg_->Closed());
    EXPECT_EQ(dlg_->CurrentPage(), Page(kIgnorePage));

    // Space checks a box of the settings page, and the click is stored.
    dlg_->ShowPage(Page(kSettingsPage));
    auto* settings = static_cast<CProgramSettings*>(Page(kSettingsPage));
    SetFocus(settings->BoxById(CProgramSettings::kUpdatesBox).Hwnd());
    Press(VK_SPACE);
    EXPECT_TRUE(settings->BoxById(CProgramSettings::kUpdatesBox).Checked());
    EXPECT_TRUE(ProgramSettingIsTrue(L"AutoCheckUpdates"));
    // Enter on a focused "OK" leaves for the main menu.
    SetFocus(dlg_->Button(kCmdAction)->Hwnd());
    Press(VK_RETURN);
    EXPECT_EQ(dlg_->CurrentPage(), Page(kMainPage));
}

TEST_F(KeyboardTest, GroupAndEntryButtonsAndTheBarsAnswerTheirLetters)
{
    auto* menu = static_cast<CMainChildWnd*>(Page(kMainPage));
    struct Case {
        wchar_t letter;
        int clicked;  // the button whose click the letter makes
    };
    const Case cases[] = {
        {L'O', CMainChildWnd::kGroupOptimize}, {L'N', 1014},  // "Monitor System Resource"
        {L'P', CMainChildWnd::kGroupOptions},  {L'M', CMainChildWnd::kGroupManage},
        {L'S', CMainChildWnd::kGroupScanClean},
    };
    for (const Case& c : cases) {
        commands_.clear();
        Alt(c.letter);
        EXPECT_TRUE(Clicked(c.clicked)) << static_cast<char>(c.letter);
    }
    EXPECT_EQ(menu->SelectedGroup(), CMainChildWnd::kGroupScanClean);
    EXPECT_EQ(fake_.stopFlag.load(), 100);  // the performance monitor was asked for
    // An entry that opens a page, and the bottom bar's letters there.
    Alt(L'I');
    EXPECT_EQ(dlg_->CurrentPage(), Page(kIgnorePage));
    Alt(L'M');
    EXPECT_EQ(dlg_->CurrentPage(), Page(kMainPage));
    Alt(L'P');
    Alt(L'E');  // "Modify Program S&ettings"
    EXPECT_EQ(dlg_->CurrentPage(), Page(kSettingsPage));
    commands_.clear();
    Alt(L'O');  // "&OK"
    EXPECT_TRUE(Clicked(kCmdAction));
    EXPECT_EQ(dlg_->CurrentPage(), Page(kMainPage));
}

// MSAA's view of a window: its name and role.
struct Accessible {
    std::wstring name;
    long role = 0;
    bool ok = false;
};
Accessible Read(HWND h)
{
    // oleacc.dll as a screen reader loads it (its import library clashes
    // with libuuid's IID_IAccessible).
    using FromWindow = HRESULT(WINAPI*)(HWND, DWORD, REFIID, void**);
    static const auto fromWindow = reinterpret_cast<FromWindow>(
        reinterpret_cast<void*>(GetProcAddress(LoadLibraryW(L"oleacc.dll"), "AccessibleObjectFromWindow")));
    Accessible a;
    IAccessible* acc = nullptr;
    if (!fromWindow ||
        FAILED(fromWindow(h, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible, reinterpret_cast<void**>(&acc))) ||
        !acc)
        return a;
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    if (SUCCEEDED(acc->get_accName(self, &name)) && name) a.name = name;
    SysFreeString(name);
    VARIANT role{};
    if (SUCCEEDED(acc->get_accRole(self, &role)) && role.vt == VT_I4) a.role = role.lVal;
    acc->Release();
    a.ok = true;
    return a;
}

TEST_F(KeyboardTest, EveryControlHasANameAndButtonsAndBoxesTheirRoles)
{
    AddCategory(L"Install&Uninstall Entries", true);
    fake_.enabledItems = 1;
    for (int page : {kMainPage, kSelectPage, kBackupPage, kIgnorePage, kScanAreaPage, kDefragPage, kStartupPage,
                     kSettingsPage, kSchedulePage, kScanPage, kCleanPage}) {
        SCOPED_TRACE(page);
        dlg_->ShowPage(Page(page));
        std::vector<HWND> all;
        EnumChildWindows(dlg_->Hwnd(), &CollectChild, reinterpret_cast<LPARAM>(&all));
        for (HWND h : all) {
            // A list's header is part of the list.
            if (!IsWindowVisible(h) || ClassOf(h) == WC_HEADERW) continue;
            const Accessible a = Read(h);
            ASSERT_TRUE(a.ok) << Describe(h);
            EXPECT_FALSE(a.name.empty()) << "no name: " << Describe(h);
            EXPECT_EQ(a.name.find(L'&') == std::wstring::npos || a.name.find(L"&&") == std::wstring::npos, true)
                << testenv::WideToUtf8(a.name);
            if (!IsButton(h)) continue;
            const LONG_PTR type = GetWindowLongPtrW(h, GWL_STYLE) & BS_TYPEMASK;
            const long want = type == BS_AUTOCHECKBOX ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_PUSHBUTTON;
            EXPECT_EQ(a.role, want) << Describe(h);
        }
    }
}

}  // namespace
