// The main window's messages: painting, custom caption, closing, tray.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

#include "controls/ImageDraw.h"
#include "controls/MemDC.h"
#include "res/ResourceIds.h"
#include "shell/MainDlg.h"
#include "shell/ShutdownBlock.h"
#include "shell/Messages.h"

namespace ui {

namespace {
constexpr UINT kTrayId = 128;
constexpr UINT kSysAboutId = 0x10;
constexpr COLORREF kFrameColour = RGB(132, 172, 221);
constexpr COLORREF kHeaderLine = RGB(215, 223, 233);

void PumpOnce()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

// Waits up to 10 ms for `h` (or just pumps when null), pumping messages.
bool WaitSlice(HANDLE h)
{
    DWORD n = h ? 1 : 0;
    DWORD r = MsgWaitForMultipleObjects(n, h ? &h : nullptr, FALSE, 10, QS_ALLINPUT);
    PumpOnce();
    return h && r == WAIT_OBJECT_0;
}
}  // namespace

namespace {
bool IsPushButton(HWND h)
{
    wchar_t cls[16] = L"";
    if (!h || !GetClassNameW(h, cls, 16) || lstrcmpiW(cls, L"Button") != 0) return false;
    const LONG_PTR type = GetWindowLongPtrW(h, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_OWNERDRAW;
}
}  // namespace

bool CKelvuDlg::PreTranslate(MSG& msg)
{
    if (Closed()) return false;
    RelayToTooltip(msg);
    const bool key = msg.message == WM_KEYDOWN || msg.message == WM_KEYUP;
    if (key && msg.wParam == VK_ESCAPE) return true;
    if (key && msg.wParam == VK_RETURN) {
        // The dialog manager would send IDOK, which is "Exit" here: Enter
        // clicks the focused button, and any other control gets the key.
        HWND focus = GetFocus();
        if (!IsPushButton(focus) || !IsChild(hwnd_, focus)) return false;
        if (msg.message == WM_KEYDOWN && IsWindowEnabled(focus)) SendMessageW(focus, BM_CLICK, 0, 0);
        return true;
    }
    return IsDialogMessageW(hwnd_, &msg) != FALSE;
}

void CKelvuDlg::RelayToTooltip(const MSG& msg)
{
    if (!tooltip_ || msg.message < WM_MOUSEFIRST || msg.message > WM_MOUSELAST) return;
    MSG copy = msg;
    SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&copy));
}

void CKelvuDlg::Paint(HDC dc, const RECT& client)
{
    const int w = client.right, h = client.bottom;
    const Dpi& s = dpi_;
    const int dpi = s.value(), header = HeaderHeight(), bottom = BottomHeight();
    const RECT bar{0, h - bottom, w, h};
    if (current_ && current_->Id() == kMainPage) {
        DrawRepeatDown(dc, bgMain_, bar, 0, dpi);
        for (const ShownText& t : Texts()) DrawShownText(dc, t);
        return;
    }
    DrawRepeatDown(dc, bgMain_, {0, 0, w, header}, 0, dpi);
    DrawNatural(dc, titleLogo_, s(25), s(12), dpi);
    // The sub-navigation strip, bottom-aligned to the header's lower edge.
    if (!subnaviRight_->IsEmpty() || !subnaviMiddle_->IsEmpty()) {
        const SIZE rightSize = ImageSize(subnaviRight_, dpi), middleSize = ImageSize(subnaviMiddle_, dpi);
        const SIZE leftSize = ImageSize(subnaviLeft_, dpi);
        int right = w;
        if (!subnaviRight_->IsEmpty()) {
            right = w - rightSize.cx;
            DrawNatural(dc, subnaviRight_, right, header - rightSize.cy, dpi);
        }
        DrawRepeatAcross(dc, subnaviMiddle_, {right - s(192), header - middleSize.cy, right, header}, dpi);
        if (!subnaviLeft_->IsEmpty())
            DrawNatural(dc, subnaviLeft_, right - s(192) - leftSize.cx, header - leftSize.cy, dpi);
    }
    DrawRepeatDown(dc, bgMain_, bar, 0, dpi);
    for (const ShownText& t : Texts()) DrawShownText(dc, t);
    gdi::FrameSolid(dc, client, kFrameColour);
    gdi::HorizontalLine(dc, 0, w, h - bottom, kFrameColour);
    gdi::HorizontalLine(dc, 0, w, header, kHeaderLine);
}

RECT CKelvuDlg::CaptionRect(int which) const
{
    RECT wr{};
    GetWindowRect(hwnd_, &wr);
    const int f = GetSystemMetrics(SM_CYFIXEDFRAME);
    const int w = (wr.right - wr.left) - f;
    switch (which) {
    case 0: return {3, f, 3 + 25, f + 25};
    case 1: return {w - 68, f + 2, w - 31, f + 17};
    default: return {w - 37, f + 2, w, f + 17};
    }
}

void CKelvuDlg::DrawCaption()
{
    if (!hwnd_) return;
    RECT wr{};
    GetWindowRect(hwnd_, &wr);
    const int f = GetSystemMetrics(SM_CYFIXEDFRAME);
    const int cap = GetSystemMetrics(SM_CYCAPTION);
    const RECT strip{f, f, (wr.right - wr.left) - f, f + cap};
    gdi::WindowDC wdc(hwnd_, true);
    CMyMemDC mem(wdc.get(), strip);
    HDC dc = mem.dc();
    gdi::FillSolid(dc, strip, RGB(40, 90, 170));
    DrawRepeatAcross(dc, titleBarBg_, strip);
    int bitmapId = captionBitmap_ ? captionBitmap_ : IDB_TAMSEL_CAPTION;
    if (HBITMAP bmp = static_cast<HBITMAP>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(bitmapId),
                                                      IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION))) {
        gdi::Bitmap owned(bmp);
        BITMAP info{};
        GetObjectW(bmp, sizeof(info), &info);
        RECT m = CaptionRect(1);
        gdi::MemoryDC src(dc);
        gdi::Select sel(src.get(), bmp);
        BitBlt(dc, m.left, m.top, info.bmWidth, info.bmHeight, src.get(), 0, 0, SRCCOPY);
    }
    {
        gdi::Select sel(dc, captionFont_.get());
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(255, 255, 255));
        TextOutW(dc, 30, 8, L"Tamsel", 6);
    }
    if (icon_) DrawIconEx(dc, 3, f, icon_, 25, 25, 0, nullptr, DI_NORMAL);
}

int CKelvuDlg::CaptionButtonAt(POINT screen) const
{
    RECT wr{};
    GetWindowRect(hwnd_, &wr);
    POINT p{screen.x - wr.left, screen.y - wr.top};
    RECT close = CaptionRect(2), min = CaptionRect(1), icon = CaptionRect(0);
    if (PtInRect(&close, p)) return 2;
    if (PtInRect(&min, p)) return 1;
    if (PtInRect(&icon, p)) return 0;
    return -1;
}

void CKelvuDlg::UpdateTooltipRects()
{
    if (!tooltip_) return;
    // Tool rectangles are in client coordinates: the caption lies above 0.
    POINT origin{0, 0};
    ClientToScreen(hwnd_, &origin);
    RECT wr{};
    GetWindowRect(hwnd_, &wr);
    for (UINT id = 1; id <= 2; ++id) {
        RECT r = CaptionRect(static_cast<int>(id));
        OffsetRect(&r, wr.left - origin.x, wr.top - origin.y);
        TOOLINFOW ti{};
        ti.cbSize = sizeof(ti);
        ti.hwnd = hwnd_;
        ti.uId = id;
        ti.rect = r;
        SendMessageW(tooltip_, TTM_NEWTOOLRECTW, 0, reinterpret_cast<LPARAM>(&ti));
    }
}

void CKelvuDlg::OnNcMouseMove(POINT screen)
{
    int hit = CaptionButtonAt(screen);
    int want = hit == 2 ? IDB_TAMSEL_CAPTION_CLOSE_HOT : hit == 1 ? IDB_TAMSEL_CAPTION_MIN_HOT : IDB_TAMSEL_CAPTION;
    if (want != captionBitmap_) {
        captionBitmap_ = want;
        DrawCaption();
    }
    if (tooltip_) {
        POINT c = screen;
        ScreenToClient(hwnd_, &c);
        MSG m{hwnd_, WM_MOUSEMOVE, 0, MAKELPARAM(c.x, c.y), static_cast<DWORD>(GetMessageTime()), screen};
        SendMessageW(tooltip_, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&m));
    }
}

bool CKelvuDlg::OnNcButtonUp(POINT screen)
{
    int hit = CaptionButtonAt(screen);
    if (hit == 0) return true;
    if (hit == 2 || hit == 1) {
        if (tooltip_) SendMessageW(tooltip_, TTM_POP, 0, 0);
        PostMessageW(hwnd_, WM_SYSCOMMAND, hit == 2 ? SC_CLOSE : SC_MINIMIZE, 0);
        return true;
    }
    return false;
}

void CKelvuDlg::AddTrayIcon()
{
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof(nid);
    nid.hWnd = hwnd_;
    nid.uID = kTrayId;
    nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
    nid.uCallbackMessage = kMsgTrayNotify;
    nid.hIcon = icon_;
    lstrcpynW(nid.szTip, L"Quorv Software\r\nTamsel", ARRAYSIZE(nid.szTip));
    trayAdded_ = Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
}

void CKelvuDlg::HideToTray()
{
    ShowWindow(hwnd_, SW_HIDE);
    if (!trayAdded_) return;
    NOTIFYICONDATAW nid{};
    nid.cbSize = sizeof(nid);
    nid.hWnd = hwnd_;
    nid.uID = kTrayId;
    nid.uFlags = NIF_INFO;
    nid.uTimeout = 3000;
    nid.dwInfoFlags = NIIF_NONE;
    lstrcpynW(nid.szInfoTitle, L"Tip", ARRAYSIZE(nid.szInfoTitle));
    lstrcpynW(nid.szInfo, L"Tamsel", ARRAYSIZE(nid.szInfo));
    Shell_NotifyIconW(NIM_MODIFY, &nid);
}

void CKelvuDlg::OnTrayNotify(LPARAM lp)
{
    if (lp == WM_LBUTTONUP) {
        ShowWindow(hwnd_, SW_SHOWNORMAL);
    } else if (lp == WM_RBUTTONDOWN) {
        HMENU menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, kCmdExit, L"Exit(&X)");
        POINT pt{};
        GetCursorPos(&pt);
        SetForegroundWindow(hwnd_);
        TrackPopupMenu(menu, TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwnd_, nullptr);
        DestroyMenu(menu);
    }
}

void CKelvuDlg::OnTaskbarMenu()
{
    HMENU menu = LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_TAMSEL_TASKBAR_MENU));
    if (!menu) return;
    HMENU sub = GetSubMenu(menu, 0);
    const bool minimised = IsIconic(hwnd_) != FALSE;
    EnableMenuItem(sub, ID_TAMSEL_RESTORE_ITEM, MF_BYCOMMAND | (minimised ? MF_ENABLED : MF_GRAYED));
    EnableMenuItem(sub, ID_TAMSEL_MINIMIZE_ITEM, MF_BYCOMMAND | (minimised ? MF_GRAYED : MF_ENABLED));
    SetForegroundWindow(hwnd_);
    POINT pt{};
    GetCursorPos(&pt);
    UINT cmd = static_cast<UINT>(TrackPopupMenu(sub, TPM_BOTTOMALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD, pt.x,
                                                pt.y, 0, hwnd_, nullptr));
    DestroyMenu(menu);
    switch (cmd) {
    case ID_TAMSEL_ABOUT_ITEM: OnCommand(kCmdAbout); break;
    case ID_TAMSEL_RESTORE_ITEM: SendMessageW(hwnd_, WM_SYSCOMMAND, SC_RESTORE, 0); break;
    case ID_TAMSEL_MINIMIZE_ITEM: SendMessageW(hwnd_, WM_SYSCOMMAND, SC_MINIMIZE, 0); break;
    case ID_TAMSEL_CLOSE_ITEM: SendMessageW(hwnd_, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    default: break;
    }
}

void CKelvuDlg::OnSysClose()
{
    if (ProgramSettingIsTrue(L"AskClickXButton")) {
        if (ShowMessageBox(L"Are you sure to exit?", L"Tamsel", 8001) == 1)
            SendMessageW(hwnd_, WM_CLOSE, 0, 0);
        else
            HideToTray();
        return;
    }
    if (ProgramSettingIsTrue(L"MinAppClickXButton")) {
        HideToTray();
        return;
    }
    SendMessageW(hwnd_, WM_CLOSE, 0, 0);
}

void CKelvuDlg::CloseSequence()
{
    if (closing_) return;
    closing_ = true;
    if (current_) current_->OnAppClosing();
    if (scanIdle_) {
        int slice = 0;
        while (slice < options_.closeWaitSlices && !WaitSlice(scanIdle_)) ++slice;
        if (slice >= options_.closeWaitSlices && WaitForSingleObject(scanIdle_, 0) != WAIT_OBJECT_0)
            SetStatusLine1(L"Waiting for the running operation to stop...");
    }
    // Every worker makes its final callback before anything it uses goes.
    while (workers_.Running() > 0) WaitSlice(nullptr);
    if (scanIdle_) {
        CloseHandle(scanIdle_);
        scanIdle_ = nullptr;
    }
    DestroyWindow(hwnd_);
}

bool CKelvuDlg::OnQueryEndSession()
{
    // Held up while any engine worker runs, with the reason Windows shows.
    if (workers_.Running() > 0) {
        SetShutdownReason(hwnd_, kShutdownBlockReason);
        shutdownBlocked_ = true;
        return false;
    }
    if (shutdownBlocked_) SetShutdownReason(hwnd_, nullptr);
    shutdownBlocked_ = false;
    return true;
}

void CKelvuDlg::OnSessionEnding()
{
    // Windows ends the process once this returns: the running work stops at
    // its next safe point (a scan or fix between items) or is finished (a
    // backup or restore) first, as when the window is closed.
    if (shutdownBlocked_) SetShutdownReason(hwnd_, nullptr);
    shutdownBlocked_ = false;
    CloseSequence();
}

void CKelvuDlg::OnSysCommand(WPARAM wp, LPARAM, bool* handled)
{
    *handled = true;
    switch (wp & 0xFFF0) {
    case SC_CLOSE: OnSysClose(); return;
    case kSysAboutId: ShowAbout(); return;
    default: *handled = false; return;
    }
}

LRESULT CKelvuDlg::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_PAINT:
        PaintBuffered(hwnd_, [this](HDC dc, const RECT& client) { Paint(dc, client); });
        DrawCaption();
        return 0;
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(hwnd_, &client);
        Paint(reinterpret_cast<HDC>(wp), client);
        return 0;
    }
    case WM_NCPAINT:
    case WM_NCACTIVATE:
    case WM_MOVE:
    case WM_NOTIFY: {
        LRESULT r = CWindow::HandleMessage(msg, wp, lp);
        DrawCaption();
        if (msg == WM_MOVE) UpdateTooltipRects();
        return r;
    }
    case WM_SIZE:
        if (LOWORD(lp) && HIWORD(lp)) Layout(LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_ACTIVATE: {
        // The keyboard comes back to where it was, or to the page.
        HWND focus = GetFocus();
        if (LOWORD(wp) == WA_INACTIVE) {
            if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
            return CWindow::HandleMessage(msg, wp, lp);
        }
        if (HIWORD(wp)) return CWindow::HandleMessage(msg, wp, lp);  // minimised
        const bool usable = lastFocus_ && IsWindow(lastFocus_) && IsChild(hwnd_, lastFocus_) &&
                            IsWindowVisible(lastFocus_) && IsWindowEnabled(lastFocus_);
        if (usable)
            SetFocus(lastFocus_);
        else
            FocusPage();
        return 0;
    }
    case WM_DPICHANGED: {
        // Another monitor: the system suggests the window's new place.
        ApplyDpi(LOWORD(wp), reinterpret_cast<const RECT*>(lp));
        return 0;
    }
    case WM_NCMOUSEMOVE:
        OnNcMouseMove({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
        return Default(msg, wp, lp);
    case WM_NCLBUTTONDOWN:
        if (CaptionButtonAt({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}) >= 1) return 0;
        return Default(msg, wp, lp);
    case WM_NCLBUTTONUP:
        if (OnNcButtonUp({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)})) return 0;
        return Default(msg, wp, lp);
    case WM_COMMAND: {
        LRESULT r = 0;
        if (Reflect(hwnd_, msg, wp, lp, r)) return r;
        OnCommand(LOWORD(wp));
        return 0;
    }
    case WM_SYSCOMMAND: {
        bool handled = false;
        OnSysCommand(wp, lp, &handled);
        return handled ? 0 : Default(msg, wp, lp);
    }
    case 0x313:  // right click on the taskbar button
        OnTaskbarMenu();
        return 0;
    case kMsgTrayNotify:
        if (wp == kTrayId) OnTrayNotify(lp);
        return 0;
    case WM_CLOSE:
        CloseSequence();
        return 0;
    case WM_QUERYENDSESSION:
        return OnQueryEndSession() ? TRUE : FALSE;
    case WM_ENDSESSION:
        if (wp) OnSessionEnding();
        return 0;
    case WM_DESTROY:
        if (trayAdded_) {
            NOTIFYICONDATAW nid{};
            nid.cbSize = sizeof(nid);
            nid.hWnd = hwnd_;
            nid.uID = kTrayId;
            Shell_NotifyIconW(NIM_DELETE, &nid);
            trayAdded_ = false;
            if (HWND tray = FindWindowW(L"Shell_TrayWnd", nullptr)) PostMessageW(tray, WM_PAINT, 0, 0);
        }
        for (auto& p : pages_)
            if (p) p->Destroy();
        help_.reset();
        mainMenu_.reset();
        action_.reset();
        second_.reset();
        third_.reset();
        fullBackup_.reset();
        for (auto& s : status_) s.reset();
        if (options_.quitOnDestroy) PostQuitMessage(0);
        return 0;
    default:
        return CWindow::HandleMessage(msg, wp, lp);
    }
}

}  // namespace ui
