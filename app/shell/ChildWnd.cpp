#include "shell/ChildWnd.h"

#include "controls/Gdi.h"
#include "controls/MemDC.h"

namespace ui {

CMyChildWnd::CMyChildWnd(int id, std::wstring title, std::wstring subTitle)
    : id_(id), title_(std::move(title)), subTitle_(std::move(subTitle))
{
}

bool CMyChildWnd::Create(HWND parent, const RECT& r)
{
    return CreateWin(L"TamselPage", WS_EX_CONTROLPARENT, L"", WS_CHILD | WS_TABSTOP | WS_CLIPCHILDREN, r,
                     parent, static_cast<UINT>(id_));
}

void CMyChildWnd::OnPageLeave() { ShowWindow(hwnd_, SW_HIDE); }

void CMyChildWnd::OnPageEnter() { ShowWindow(hwnd_, SW_SHOW); }

void CMyChildWnd::PaintPage(HDC dc, const RECT& client) { gdi::FillSolid(dc, client, RGB(255, 255, 255)); }

LRESULT CMyChildWnd::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_ERASEBKGND:
        return TRUE;
    case WM_PAINT: {
        gdi::PaintScope ps(hwnd_);
        RECT client{};
        GetClientRect(hwnd_, &client);
        // Only the invalid part is copied to the screen: a page that shows
        // progress texts repaints their small rectangle many times a second.
        RECT dirty = ps.dirty();
        if (IsRectEmpty(&dirty)) dirty = client;
        CMyMemDC mem(ps.dc(), dirty);
        PaintPage(mem.dc(), client);
        return 0;
    }
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(hwnd_, &client);
        PaintPage(reinterpret_cast<HDC>(wp), client);
        return 0;
    }
    case WM_COMMAND:
    case WM_NOTIFY: {
        LRESULT r = 0;
        if (Reflect(hwnd_, msg, wp, lp, r)) return r;
        // Commands of page buttons reach the main window's routing.
        if (msg == WM_COMMAND) return SendMessageW(GetParent(hwnd_), msg, wp, lp);
        return 0;
    }
    default:
        return CWindow::HandleMessage(msg, wp, lp);
    }
}

}  // namespace ui
