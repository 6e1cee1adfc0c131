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

}  // namespace ui
