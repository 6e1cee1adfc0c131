#include "pages/SanSetting.h"

namespace ui {

CSanSetting::CSanSetting() : CPageBase(kScanAreaPage, L"Registry Scan Settings", L"Set the scan area") {}

void CSanSetting::OnPageEnter()
{
    if (!g_mainDlg) return CPageBase::OnPageEnter();
    g_mainDlg->SetupOkScanArea(true);
    CPageBase::OnPageEnter();
}

void CSanSetting::OnPageLeave()
{
    if (!g_mainDlg) return CPageBase::OnPageLeave();
    g_mainDlg->SetupOkScanArea(false);
    CPageBase::OnPageLeave();
}

}  // namespace ui
