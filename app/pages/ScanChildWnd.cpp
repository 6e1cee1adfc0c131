#include "pages/ScanChildWnd.h"

namespace ui {

CScanChildWnd::CScanChildWnd() : CPageBase(kScanPage, L"Scan && Clean Windows Registry", L"Scanning the registries...") {}

void CScanChildWnd::OnPageEnter()
{
    if (!g_mainDlg) return CPageBase::OnPageEnter();
    g_mainDlg->SetupScan(true);
    CPageBase::OnPageEnter();
}

void CScanChildWnd::OnPageLeave()
{
    if (!g_mainDlg) return CPageBase::OnPageLeave();
    g_mainDlg->SetupScan(false);
    CPageBase::OnPageLeave();
}

LRESULT CScanChildWnd::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_CREATE) progress_.SetTarget(hwnd_, {20, 395, 770, 425});
    return CPageBase::HandleMessage(msg, wp, lp);
}

void CScanChildWnd::PaintPage(HDC dc, const RECT& client)
{
    CPageBase::PaintPage(dc, client);
    // One queued progress text per paint; the last one stays.
    progress_.TakeForPaint();
    progress_.Paint(dc, g_mainDlg ? g_mainDlg->StatusFont() : nullptr);
}

}  // namespace ui
