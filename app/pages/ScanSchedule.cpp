#include "pages/ScanSchedule.h"

namespace ui {

CScanSchedule::CScanSchedule() : CPageBase(kSchedulePage, L"Scan Schedule", L"Schedule Tamsel to run the scan settings at a pre specified date and time") {}

void CScanSchedule::OnPageEnter()
{
    if (!g_mainDlg) return CPageBase::OnPageEnter();
    g_mainDlg->SetupSchedule(true);
    CPageBase::OnPageEnter();
}

void CScanSchedule::OnPageLeave()
{
    if (!g_mainDlg) return CPageBase::OnPageLeave();
    g_mainDlg->SetupSchedule(false);
    CPageBase::OnPageLeave();
}

}  // namespace ui
