#include "pages/ProgramSettings.h"

namespace ui {

CProgramSettings::CProgramSettings() : CPageBase(kSettingsPage, L"Program Settings", L"Set program running style mentioned below") {}

void CProgramSettings::OnPageEnter()
{
    if (!g_mainDlg) return CPageBase::OnPageEnter();
    g_mainDlg->SetupOkSettings(true);
    CPageBase::OnPageEnter();
}

void CProgramSettings::OnPageLeave()
{
    if (!g_mainDlg) return CPageBase::OnPageLeave();
    g_mainDlg->SetupOkSettings(false);
    CPageBase::OnPageLeave();
}

}  // namespace ui
