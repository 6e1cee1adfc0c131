#include "pages/DefragChildWnd.h"

namespace ui {

CDefragChildWnd::CDefragChildWnd() : CPageBase(kDefragPage, L"Defrag", L"Compact and defrag the registry hives") {}

void CDefragChildWnd::OnPageEnter()
{
    if (!g_mainDlg) return CPageBase::OnPageEnter();
    CPageBase::OnPageEnter();
}

void CDefragChildWnd::OnPageLeave()
{
    if (!g_mainDlg) return CPageBase::OnPageLeave();
    CPageBase::OnPageLeave();
}

}  // namespace ui
