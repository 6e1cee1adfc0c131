#include "pages/CleanChildWnd.h"

namespace ui {

CCleanChildWnd::CCleanChildWnd() : CPageBase(kCleanPage, L"Clean Registry", L"Fix the specified erros") {}

void CCleanChildWnd::OnPageEnter()
{
    if (!g_mainDlg) return CPageBase::OnPageEnter();
    CPageBase::OnPageEnter();
}

void CCleanChildWnd::OnPageLeave()
{
    if (!g_mainDlg) return CPageBase::OnPageLeave();
    CPageBase::OnPageLeave();
}

LRESULT CCleanChildWnd::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_CREATE) progress_.SetTarget(hwnd_, {20, 395, 770, 425});
    return CPageBase::HandleMessage(msg, wp, lp);
}

void CCleanChildWnd::PaintPage(HDC dc, const RECT& client)
{
    CPageBase::PaintPage(dc, client);
    // One queued progress text per paint; the last one stays.
    progress_.TakeForPaint();
    progress_.Paint(dc, g_mainDlg ? g_mainDlg->StatusFont() : nullptr);
}

}  // namespace ui
