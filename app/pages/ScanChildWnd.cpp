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

}  // namespace ui
