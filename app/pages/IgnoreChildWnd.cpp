#include "pages/IgnoreChildWnd.h"

namespace ui {

CIgnoreChildWnd::CIgnoreChildWnd() : CPageBase(kIgnorePage, L"Registry Ignored List", L"Manage the items ignored by the scanner") {}

void CIgnoreChildWnd::OnPageEnter()
{
    if (!g_mainDlg) return CPageBase::OnPageEnter();
    g_mainDlg->SetupRemove(true);
    CPageBase::OnPageEnter();
}

void CIgnoreChildWnd::OnPageLeave()
{
    if (!g_mainDlg) return CPageBase::OnPageLeave();
    g_mainDlg->SetupRemove(false);
    CPageBase::OnPageLeave();
}

}  // namespace ui
