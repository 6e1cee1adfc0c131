#include "shell/ChildWnd.h"

#include "controls/Gdi.h"
#include "controls/MemDC.h"
#include "shell/MainDlg.h"

namespace ui {

void DrawShownText(HDC dc, const ShownText& t)
{
    if (t.text.empty()) return;
    gdi::Select font(dc, t.font);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, t.colour);
    RECT r = t.rect;
    DrawTextW(dc, t.text.c_str(), -1, &r, t.format);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
}

void DrawFocusAround(HDC dc, const ShownText& t)
{
    if (t.text.empty()) return;
    gdi::Select font(dc, t.font);
    RECT r{t.rect.left, t.rect.top, t.rect.right, t.rect.top};
    DrawTextW(dc, t.text.c_str(), -1, &r, (t.format & ~(DT_VCENTER | DT_BOTTOM)) | DT_CALCRECT);
    // Where a single line centred in its rectangle really lies.
    if ((t.format & DT_SINGLELINE) && (t.format & DT_VCENTER))
        OffsetRect(&r, 0, ((t.rect.bottom - t.rect.top) - (r.bottom - r.top)) / 2);
    InflateRect(&r, 2, 1);
    SetTextColor(dc, RGB(0, 0, 0));
    SetBkColor(dc, RGB(255, 255, 255));
    DrawFocusRect(dc, &r);
}

CMyChildWnd::CMyChildWnd(int id, std::wstring title, std::wstring subTitle, PageInstruction instruction)
    : id_(id), title_(std::move(title)), subTitle_(std::move(subTitle)), instruction_(instruction)
{
}

bool CMyChildWnd::Create(HWND parent, const RECT& r)
{
    // Named by its title, for screen readers; the main menu has none.
    const std::wstring name = title_.empty() ? L"Main Menu" : title_;
    return CreateWin(L"TamselPage", WS_EX_CONTROLPARENT, name.c_str(), WS_CHILD | WS_TABSTOP | WS_CLIPCHILDREN, r,
                     parent, static_cast<UINT>(id_));
}

void CMyChildWnd::SetDpi(int dpi)
{
    if (dpi == dpi_.value()) return;
    dpi_ = Dpi(dpi);
    if (!hwnd_) return;
    OnDpiChanged();
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (client.right > 0 && client.bottom > 0) OnSize(client.right, client.bottom);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void CMyChildWnd::OnPageLeave() { ShowWindow(hwnd_, SW_HIDE); }

void CMyChildWnd::OnPageEnter() { ShowWindow(hwnd_, SW_SHOW); }

HFONT CMyChildWnd::StatusFont() { return g_mainDlg ? g_mainDlg->StatusFont() : nullptr; }

ShownText CMyChildWnd::Instruction(const RECT& client) const
{
    ShownText t;
    if (!instruction_.text) return t;
    const PageInstruction& i = instruction_;
    const Dpi& s = dpi_;
    t.text = i.text;
    t.font = StatusFont();
    // A wrapped text must end above its rule.
    const int bottom = i.wrap && i.ruleY < i.bottom ? i.ruleY : i.bottom;
    t.rect = {s(70), s(i.top), client.right - s(i.rightInset), s(bottom)};
    t.format = i.wrap ? DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX
                      : DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    return t;
}

std::vector<ShownText> CMyChildWnd::Texts() const
{
    std::vector<ShownText> texts;
    RECT client{};
    GetClientRect(hwnd_, &client);
    if (ShownText t = Instruction(client); !t.text.empty()) texts.push_back(std::move(t));
    return texts;
}

void CMyChildWnd::PaintPage(HDC dc, const RECT& client)
{
    gdi::FillSolid(dc, client, RGB(255, 255, 255));
    const Dpi& s = dpi_;
    if (instruction_.text)
        gdi::HorizontalLine(dc, s(16), client.right - s(16), s(instruction_.ruleY), RGB(128, 128, 128));
    for (const ShownText& t : Texts()) DrawShownText(dc, t);
}

LRESULT CMyChildWnd::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_CREATE:
        OnCreate();
        return 0;
    case WM_SIZE:
        if (LOWORD(lp) > 0 && HIWORD(lp) > 0) OnSize(LOWORD(lp), HIWORD(lp));
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case WM_SETFOCUS:
        // The keyboard goes on to the page's first control.
        if (HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE); first && first != hwnd_ && IsWindowVisible(hwnd_)) {
            SetFocus(first);
            return 0;
        }
        break;
    case WM_PAINT:
        PaintBuffered(hwnd_, [this](HDC dc, const RECT& client) { PaintPage(dc, client); });
        return 0;
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(hwnd_, &client);
        PaintPage(reinterpret_cast<HDC>(wp), client);
        return 0;
    }
    case WM_TIMER:
        if (OnTimer(static_cast<UINT_PTR>(wp))) return 0;
        break;
    case WM_COMMAND: {
        LRESULT r = 0;
        if (Reflect(hwnd_, msg, wp, lp, r)) return r;
        if (OnCommand(LOWORD(wp), HIWORD(wp), reinterpret_cast<HWND>(lp))) return 0;
        // Commands of page buttons reach the main window's routing.
        return SendMessageW(GetParent(hwnd_), msg, wp, lp);
    }
    case WM_NOTIFY: {
        LRESULT r = 0;
        if (Reflect(hwnd_, msg, wp, lp, r)) return r;
        OnNotify(*reinterpret_cast<const NMHDR*>(lp));
        return 0;
    }
    default:
        break;
    }
    return CWindow::HandleMessage(msg, wp, lp);
}

}  // namespace ui
