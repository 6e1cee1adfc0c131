#include "pages/SelectCleanChildWnd.h"

namespace ui {

CSelectCleanChildWnd::CSelectCleanChildWnd() : CPageBase(kSelectPage, L"Select Problems To Fix", L"Select which errors to be fixed") {}

void CSelectCleanChildWnd::OnPageEnter()
{
    if (!g_mainDlg) return CPageBase::OnPageEnter();
    g_mainDlg->SetupSelect(true);
    CPageBase::OnPageEnter();
}

void CSelectCleanChildWnd::OnPageLeave()
{
    if (!g_mainDlg) return CPageBase::OnPageLeave();
    g_mainDlg->SetupSelect(false);
    CPageBase::OnPageLeave();
}

}  // namespace ui
