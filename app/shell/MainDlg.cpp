#include "shell/MainDlg.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <initializer_list>

#include "pages/MessageBox.h"
#include "pages/Pages.h"
#include "pure/UiTexts.h"
#include "res/ResourceIds.h"
#include "shell/EngineBinding.h"
#include "shell/UiCallbacks.h"

namespace ui {

CKelvuDlg* g_mainDlg = nullptr;

bool ProgramSettingIsTrue(const wchar_t* key)
{
    wchar_t buf[16] = L"";
    GetPrivateProfileStringW(L"ProgramSettings", key, L"", buf, 16, L".\\Registry.ini");
    return lstrcmpW(buf, L"TRUE") == 0;
}

bool IsScanCommandLine(const std::wstring& args) { return args == L"-scan"; }

CKelvuDlg::CKelvuDlg(MainDlgOptions options) : options_(std::move(options)) {}

CKelvuDlg::~CKelvuDlg()
{
    if (hwnd_) DestroyWindow(hwnd_);
    if (scanIdle_) CloseHandle(scanIdle_);
    if (g_mainDlg == this) g_mainDlg = nullptr;
}

bool CKelvuDlg::Create()
{
    icon_ = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TAMSEL_MAINFRAME));
    // The system DPI until the window knows its monitor's.
    dpi_ = Dpi(SystemDpi());
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    const int outerW = dpi_(kOuterWidth), outerH = dpi_(kOuterHeight);
    int x = work.left + ((work.right - work.left) - outerW) / 2;
    int y = work.top + ((work.bottom - work.top) - outerH) / 2;
    RECT r{x < 0 ? 0 : x, y < 0 ? 0 : y, 0, 0};
    r.right = r.left + outerW;
    r.bottom = r.top + outerH;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    if (!CreateWin(L"TamselMainWindow", WS_EX_CONTROLPARENT | WS_EX_APPWINDOW, L" Tamsel", style, r, nullptr, 0,
                   CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, icon_))
        return false;
    if (!Initialise()) {
        DestroyWindow(hwnd_);
        return false;
    }
    return true;
}

bool CKelvuDlg::Initialise()
{
    // The About item of the system menu, only when its text exists.
    wchar_t about[128] = L"";
    LoadStringW(GetModuleHandleW(nullptr), IDS_TAMSEL_ABOUTBOX, about, 128);
    if (HMENU sys = GetSystemMenu(hwnd_, FALSE); sys && about[0]) {
        AppendMenuW(sys, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(sys, MF_STRING, 0x10, about);
    }
    SendMessageW(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageW(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));

    scanIdle_ = CreateEventW(nullptr, TRUE, TRUE, nullptr);

    if (options_.bindEngine && !BindEngine(CallbackTable(), options_.folder)) {
        MessageBoxW(nullptr, L"Filed to load function\xFF01", L"ERROR", MB_ICONERROR);
        return false;
    }

    // Every relative path of the program and the engine resolves here.
    if (!options_.folder.empty()) {
        SetCurrentDirectoryW(options_.folder.c_str());
    } else {
        wchar_t path[MAX_PATH] = L"";
        DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            if (wchar_t* slash = wcsrchr(path, L'\\')) slash[1] = 0;
            SetCurrentDirectoryW(path);
        }
    }

    bgMain_ = LoadCachedImage(L"./images/bg_main.png");
    productTitle_ = LoadCachedImage(L"./images/reg-product-title.png");
    subnaviLeft_ = LoadCachedImage(L"./images/subnavi-left.png");
    subnaviMiddle_ = LoadCachedImage(L"./images/subnavi-middle.png");
    subnaviRight_ = LoadCachedImage(L"./images/subnavi-right.png");
    titleLogo_ = LoadCachedImage(L"./images/Child_title_logo.png");
    titleBarBg_ = LoadCachedImage(L"./images/TitleBarBg.png");
    // A monitor of its own DPI (per-monitor awareness) counts from here.
    dpi_ = Dpi(WindowDpi(hwnd_));
    MakeFonts();

    RECT wr{};
    GetWindowRect(hwnd_, &wr);
    SetWindowPos(hwnd_, nullptr, wr.left, wr.top, dpi_(kOuterWidth), dpi_(kOuterHeight),
                 SWP_NOZORDER | SWP_FRAMECHANGED);

    CreatePages();
    CreateButtons();
    initialised_ = true;

    RECT client{};
    GetClientRect(hwnd_, &client);
    Layout(client.right, client.bottom);

    ShowPage(Page(kMainPage));
    if (IsScanCommandLine(options_.commandLine)) ShowPage(Page(kScanPage));

    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP, 0, 0, 0, 0,
                               hwnd_, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (tooltip_) {
        SendMessageW(tooltip_, TTM_SETDELAYTIME, TTDT_INITIAL, 1000);
        for (UINT id = 1; id <= 2; ++id) {
            TOOLINFOW ti{};
            ti.cbSize = sizeof(ti);
            ti.hwnd = hwnd_;
            ti.uId = id;
            ti.lpszText = const_cast<wchar_t*>(id == 1 ? L"Minimize" : L"Close");
            SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&ti));
        }
        UpdateTooltipRects();
    }
    if (options_.trayIcon) AddTrayIcon();
    return true;
}

void CKelvuDlg::MakeFonts()
{
    titleFont_.reset(gdi::CreateFontSimple(dpi_(17)));
    subTitleFont_.reset(gdi::CreateFontSimple(dpi_(14)));
    statusFont_.reset(gdi::CreateFontSimple(dpi_(14), FW_BOLD));
    captionFont_.reset(gdi::CreateFontSimple(dpi_(14), 0, false, L"MS Shell Dlg", dpi_(8)));
}

void CKelvuDlg::ApplyDpi(int dpi, const RECT* suggested)
{
    if (dpi <= 0 || dpi == dpi_.value()) return;
    dpi_ = Dpi(dpi);
    MakeFonts();
    for (CMyButton* b : {help_.get(), mainMenu_.get(), action_.get(), second_.get(), third_.get(), fullBackup_.get()})
        if (b) b->SetDpi(dpi);
    for (auto& p : pages_)
        if (p) p->SetDpi(dpi);
    // The new size lays the current page and the bars out again.
    RECT r{};
    GetWindowRect(hwnd_, &r);
    if (suggested) r = *suggested;
    else r = {r.left, r.top, r.left + dpi_(kOuterWidth), r.top + dpi_(kOuterHeight)};
    SetWindowPos(hwnd_, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT client{};
    GetClientRect(hwnd_, &client);
    Layout(client.right, client.bottom);
}

void CKelvuDlg::CreateButtons()
{
    auto header = [&](std::unique_ptr<CMyButton>& b, int id, RECT r, const wchar_t* face, const wchar_t* text) {
        // One-piece faces: a button wider than its face for a long caption
        // extends it instead of repeating its icon.
        b = std::make_unique<CMyButton>(false, 5);
        b->SetDpi(dpi_.value());
        b->Create(hwnd_, static_cast<UINT>(id), dpi_(r), text);
        b->SetStateFace(0, face);
        b->SetStateFace(1, face);
        b->SetStateFace(2, face);
        b->SetFallbackFace();
        b->SetCaption(28, 4, RGB(21, 28, 85), RGB(21, 28, 230), 17, text);
        b->SetAccelerator(uitext::BarAccelerator(text));
        ShowWindow(b->Hwnd(), SW_HIDE);
    };
    // Created after the pages, in the order Tab reaches them: the page's
    // own controls first, then the bottom bar from left to right, then the
    // header.

    auto bottom = [&](std::unique_ptr<CMyButton>& b, int id, RECT r, int mode, const wchar_t* text) {
        b = std::make_unique<CMyButton>(false, mode);
        b->SetDpi(dpi_.value());
        b->Create(hwnd_, static_cast<UINT>(id), dpi_(r), text);
        b->SetStateFace(0, L"./images/child_bt_bk_nomal.png");
        b->SetStateFace(1, L"./images/child_bt_bk_on.png");
        b->SetStateFace(2, L"./images/child_bt_bk_down.png");
        b->SetCaption(0, 4, RGB(255, 255, 255), RGB(255, 255, 255), 15, text);
        b->SetAccelerator(uitext::BarAccelerator(text));
        ShowWindow(b->Hwnd(), SW_HIDE);
    };
    bottom(fullBackup_, kCmdFullBackup, {45, 527, 195, 559}, 3, L"Take Full Registry Backup");
    bottom(third_, kCmdThird, {431, 527, 535, 559}, 1, L"");
    bottom(second_, kCmdSecond, {551, 527, 655, 559}, 1, L"");
    bottom(action_, kCmdAction, {671, 527, 775, 559}, 1, L"");
    header(mainMenu_, kCmdMainMenu, {586, 54, 684, 78}, L"./images/Navigation Green Left.png", L"Main Menu");
    header(help_, kCmdHelp, {698, 54, 757, 78}, L"./images/bn_menu_help_little.png", L"Help");
}

void CKelvuDlg::CreatePages()
{
    pages_ = CreatePageObjects();
    RECT client{};
    GetClientRect(hwnd_, &client);
    for (auto& p : pages_) {
        p->SetDpi(dpi_.value());
        p->Create(hwnd_, PageRect(p->Id(), client.right, client.bottom));
    }
}

RECT CKelvuDlg::PageRect(int id, int w, int h) const
{
    const int top = id == kMainPage ? 0 : HeaderHeight();
    return {0, top, w, h - BottomHeight()};
}

CMyChildWnd* CKelvuDlg::Page(int id) const
{
    for (auto& p : pages_)
        if (p && p->Id() == id) return p.get();
    return nullptr;
}

void CKelvuDlg::ShowPage(CMyChildWnd* page)
{
    if (!page || page == current_) return;
    if (current_) current_->OnPageLeave();
    current_ = page;
    page->OnPageEnter();
    FocusPage();
    RECT client{};
    GetClientRect(hwnd_, &client);
    PlaceChild(page->Hwnd(), PageRect(page->Id(), client.right, client.bottom));
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void CKelvuDlg::FocusPage()
{
    if (!current_) return;
    HWND first = GetNextDlgTabItem(current_->Hwnd(), nullptr, FALSE);
    SetFocus(first && IsChild(current_->Hwnd(), first) ? first : current_->Hwnd());
}

void CKelvuDlg::Layout(int w, int h)
{
    if (!initialised_ || w <= 0 || h <= 0) return;
    if (current_) PlaceChild(current_->Hwnd(), PageRect(current_->Id(), w, h));
    PlaceBars(w, h);
    InvalidateRect(hwnd_, nullptr, TRUE);
}

void CKelvuDlg::PlaceBars(int w, int h)
{
    // Each button keeps its designed width unless its caption needs more;
    // the right-hand ones line up from the right edge with their gaps.
    auto place = [](CMyButton* b, int right, int top, int width, int height) {
        const int need = std::max(width, b->NeededWidth());
        SetWindowPos(b->Hwnd(), nullptr, right - need, top, need, height, SWP_NOZORDER | SWP_NOACTIVATE);
        return right - need;
    };
    const Dpi& s = dpi_;
    const int helpLeft = place(help_.get(), w - s(34), s(54), s(59), s(24));
    place(mainMenu_.get(), helpLeft - s(14), s(54), s(98), s(24));
    const int actionLeft = place(action_.get(), w - s(16), h - s(48), s(104), s(32));
    const int secondLeft = place(second_.get(), actionLeft - s(16), h - s(48), s(104), s(32));
    place(third_.get(), secondLeft - s(16), h - s(48), s(104), s(32));
    const int backupWidth = std::max(s(150), fullBackup_->NeededWidth());
    SetWindowPos(fullBackup_->Hwnd(), nullptr, s(45), h - s(48), backupWidth, s(32), SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT CKelvuDlg::StatusRect(int line) const
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    const int w = client.right, h = client.bottom;
    const Dpi& s = dpi_;
    if (line == 2) return {w - s(144), h - s(46), w - s(16), h - s(31)};
    // The line ends before the first visible bottom-bar button to its right.
    int right = w - s(16);
    for (const auto* b : {&action_, &second_, &third_, &fullBackup_}) {
        if (!*b || !IsWindowVisible((*b)->Hwnd())) continue;
        RECT r{};
        GetWindowRect((*b)->Hwnd(), &r);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&r), 2);
        if (r.left > s(13)) right = std::min(right, static_cast<int>(r.left) - s(8));
    }
    return line == 0 ? RECT{s(13), h - s(46), right, h - s(31)} : RECT{s(13), h - s(25), right, h - s(10)};
}

void CKelvuDlg::SetStatusLine(int line, const wchar_t* text)
{
    auto& slot = status_[static_cast<size_t>(line)];
    if (text)
        slot = std::wstring(text);
    else
        slot.reset();
    // The whole bar: where a line ends depends on the buttons shown.
    RECT client{};
    GetClientRect(hwnd_, &client);
    RECT bar{0, client.bottom - BottomHeight(), client.right, client.bottom};
    InvalidateRect(hwnd_, &bar, TRUE);
}

void CKelvuDlg::SetStatusLine1(const wchar_t* text) { SetStatusLine(0, text); }
void CKelvuDlg::SetStatusLine2(const wchar_t* text) { SetStatusLine(1, text); }
void CKelvuDlg::SetStatusLine3(const wchar_t* text) { SetStatusLine(2, text); }

std::vector<ShownText> CKelvuDlg::Texts() const
{
    std::vector<ShownText> texts;
    RECT client{};
    GetClientRect(hwnd_, &client);
    const bool mainPage = current_ && current_->Id() == kMainPage;
    if (current_ && !mainPage) {
        // Header texts with prefix processing: "&&" shows one "&". They
        // end before the header buttons.
        const Dpi& s = dpi_;
        const int right = client.right - s(215);
        texts.push_back({current_->Title(), {s(105), s(29), right, s(49)}, titleFont_.get(), DT_SINGLELINE | DT_LEFT,
                         RGB(21, 28, 85)});
        texts.push_back({current_->SubTitle(), {s(105), s(50), right, s(70)}, subTitleFont_.get(),
                         DT_SINGLELINE | DT_LEFT, RGB(21, 28, 85)});
    }
    for (int line = 0; line < 3; ++line) {
        const auto& text = status_[static_cast<size_t>(line)];
        // The second line shows on the pages, the third on the main menu.
        if (!text || (line == 1 && mainPage) || (line == 2 && !mainPage)) continue;
        const UINT align = line == 2 ? DT_RIGHT : DT_LEFT;
        texts.push_back({*text, StatusRect(line), statusFont_.get(), DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | align});
    }
    return texts;
}

namespace {
void Show(CMyButton* b, bool show) { ShowWindow(b->Hwnd(), show ? SW_SHOW : SW_HIDE); }
void Shown(CMyButton* b, bool enabled)
{
    EnableWindow(b->Hwnd(), enabled ? TRUE : FALSE);
    ShowWindow(b->Hwnd(), SW_SHOW);
}
void Caption(CMyButton* b, const wchar_t* text)
{
    b->SetCaption(0, 4, RGB(255, 255, 255), RGB(255, 255, 255), 15, text);
    b->SetAccelerator(uitext::BarAccelerator(text));
}
}  // namespace

void CKelvuDlg::SetActionButtonText(const std::wstring& text)
{
    Caption(action_.get(), text.c_str());
    if (current_ && current_->Id() == kDefragPage) Caption(second_.get(), L"Defrag");
    RelayoutBars();
}

void CKelvuDlg::RelayoutBars()
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (initialised_ && client.right > 0 && client.bottom > 0) PlaceBars(client.right, client.bottom);
}

CMyButton* CKelvuDlg::Button(int id)
{
    switch (id) {
    case kCmdHelp: return help_.get();
    case kCmdMainMenu: return mainMenu_.get();
    case kCmdAction: return action_.get();
    case kCmdSecond: return second_.get();
    case kCmdThird: return third_.get();
    case kCmdFullBackup: return fullBackup_.get();
    default: return nullptr;
    }
}

void CKelvuDlg::EnableButton(int id, bool enable)
{
    if (CMyButton* b = Button(id)) EnableWindow(b->Hwnd(), enable ? TRUE : FALSE);
}


namespace {
// One button of a bottom-bar set-up: shown, enabled or not, with a new
// caption unless `caption` is null.
struct BarButton {
    CMyButton* button;
    bool enabled;
    const wchar_t* caption = nullptr;
};
void ShowBar(std::initializer_list<BarButton> buttons)
{
    for (const BarButton& b : buttons) {
        if (b.caption) Caption(b.button, b.caption);
        Shown(b.button, b.enabled);
    }
    // A longer caption may need a wider button.
    if (buttons.size() == 0) return;
    HWND main = GetParent(buttons.begin()->button->Hwnd());
    if (auto* dlg = static_cast<CKelvuDlg*>(CWindow::FromHandle(main))) dlg->RelayoutBars();
}
void HideBar(std::initializer_list<CMyButton*> buttons)
{
    for (CMyButton* b : buttons) Show(b, false);
}
}  // namespace

void CKelvuDlg::SetupMainMenu(bool enter)
{
    if (enter)
        HideBar({help_.get(), action_.get(), mainMenu_.get()});
    else
        Show(help_.get(), true);
}

void CKelvuDlg::SetupScan(bool enter)
{
    if (!enter) return HideBar({mainMenu_.get(), help_.get()});
    ShowBar({{mainMenu_.get(), false}, {help_.get(), true}, {action_.get(), false, L"Stop Scan"}});
}

void CKelvuDlg::SetupSelect(bool enter)
{
    if (!enter) return;
    ShowBar({{mainMenu_.get(), true}, {help_.get(), true}, {action_.get(), true, L"Fix Problems"}});
}

void CKelvuDlg::SetupBackup(bool enter)
{
    if (!enter) return HideBar({mainMenu_.get(), help_.get(), fullBackup_.get(), action_.get(), second_.get()});
    ShowBar({{mainMenu_.get(), true},
             {help_.get(), true},
             {fullBackup_.get(), true},
             {action_.get(), true, L"Restore"},
             {second_.get(), true, L"Delete"}});
}

void CKelvuDlg::SetupSchedule(bool enter)
{
    if (!enter) return HideBar({mainMenu_.get(), help_.get(), action_.get(), second_.get(), third_.get()});
    ShowBar({{mainMenu_.get(), true},
             {help_.get(), true},
             {action_.get(), false, L"Edit"},
             {second_.get(), false, L"Delete"},
             {third_.get(), true, L"New"}});
}

void CKelvuDlg::SetupRemove(bool enter)
{
    if (!enter) return HideBar({mainMenu_.get(), help_.get()});
    ShowBar({{mainMenu_.get(), true}, {help_.get(), true}, {action_.get(), true, L"Remove"}});
}

void CKelvuDlg::SetupOkSettings(bool enter)
{
    if (!enter) return HideBar({mainMenu_.get(), help_.get()});
    ShowBar({{mainMenu_.get(), true}, {help_.get(), true}, {action_.get(), true, L"OK"}});
}

void CKelvuDlg::SetupOkScanArea(bool enter)
{
    SetupOkSettings(enter);
    if (!enter) Show(action_.get(), false);
}

void CKelvuDlg::ResetScanIdle()
{
    if (scanIdle_) ResetEvent(scanIdle_);
}

void CKelvuDlg::SetScanIdle()
{
    if (scanIdle_) SetEvent(scanIdle_);
}

int CKelvuDlg::ShowMessageBox(const std::wstring& text, const std::wstring& caption, int kind)
{
    return RunMessageBox(hwnd_, text, caption, kind);
}

void CKelvuDlg::ShowAbout() { RunAboutDialog(hwnd_); }

void CKelvuDlg::ShowHelp()
{
    wchar_t dir[MAX_PATH] = L"";
    GetCurrentDirectoryW(MAX_PATH, dir);
    std::wstring path = std::wstring(dir) + L"\\Help\\index.html";
    ShellExecuteW(hwnd_, L"open", path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void CKelvuDlg::RouteAction()
{
    if (!current_) return;
    switch (current_->Id()) {
    case kScanAreaPage:
    case kSettingsPage:
        ShowPage(Page(kMainPage));
        break;
    default:
        PagePrimaryAction(*current_);
        break;
    }
}

void CKelvuDlg::OnCommand(int id)
{
    switch (id) {
    case kCmdAbout: ShowAbout(); break;
    case kCmdHelp: ShowHelp(); break;
    case kCmdMainMenu: ShowPage(Page(kMainPage)); break;
    case kCmdAction: RouteAction(); break;
    case kCmdSecond:
        if (current_ && (current_->Id() == kSchedulePage || current_->Id() == kBackupPage))
            PageSecondAction(*current_);
        break;
    case kCmdThird:
        if (current_ && current_->Id() == kSchedulePage) PageThirdAction(*current_);
        break;
    case kCmdFullBackup:
        if (current_ && current_->Id() == kBackupPage) PageFullBackupAction(*current_);
        break;
    case kCmdExit: CloseSequence(); break;
    default: break;
    }
}

}  // namespace ui
