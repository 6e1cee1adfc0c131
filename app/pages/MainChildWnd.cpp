#include "pages/MainChildWnd.h"

namespace ui {

CMainChildWnd::CMainChildWnd() : CPageBase(kMainPage, L"", L"") {}

void CMainChildWnd::OnPageEnter()
{
    if (!g_mainDlg) return CPageBase::OnPageEnter();
    g_mainDlg->SetupMainMenu(true);
    CPageBase::OnPageEnter();
}

void CMainChildWnd::OnPageLeave()
{
    if (!g_mainDlg) return CPageBase::OnPageLeave();
    g_mainDlg->SetupMainMenu(false);
    CPageBase::OnPageLeave();
}

}  // namespace ui
