#include "pages/StartupManager.h"

namespace ui {

CStartupManager::CStartupManager() : CPageBase(kStartupPage, L"Startup Manager", L"Manage startup items to improve the system startup speed") {}

void CStartupManager::OnPageEnter()
{
    if (!g_mainDlg) return CPageBase::OnPageEnter();
    g_mainDlg->SetupRemove(true);
    CPageBase::OnPageEnter();
}

void CStartupManager::OnPageLeave()
{
    if (!g_mainDlg) return CPageBase::OnPageLeave();
    g_mainDlg->SetupRemove(false);
    CPageBase::OnPageLeave();
}

}  // namespace ui
