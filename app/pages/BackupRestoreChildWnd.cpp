#include "pages/BackupRestoreChildWnd.h"

namespace ui {

CBackupRestoreChildWnd::CBackupRestoreChildWnd() : CPageBase(kBackupPage, L"Restore Windows Registry", L"Restore previous backup registry or take full bakeup registry") {}

void CBackupRestoreChildWnd::OnPageEnter()
{
    if (!g_mainDlg) return CPageBase::OnPageEnter();
    g_mainDlg->SetupBackup(true);
    CPageBase::OnPageEnter();
}

void CBackupRestoreChildWnd::OnPageLeave()
{
    if (!g_mainDlg) return CPageBase::OnPageLeave();
    g_mainDlg->SetupBackup(false);
    CPageBase::OnPageLeave();
}

}  // namespace ui
