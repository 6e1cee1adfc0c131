#include "pages/SanSetting.h"

#include "pages/MessageBox.h"
#include "shell/EngineBinding.h"

namespace ui {
namespace {

constexpr wchar_t kInstruction[] =
    L"Select the areas of the registry to include in the scan,and click \"OK\"button back to main menu";

RECT BoxRect(int k)
{
    const int x = k < 6 ? 130 : 430;
    const int y = 85 + 40 * (k % 6);
    return {x, y, x + 15, y + 15};
}

RECT LabelRect(int i)
{
    const int left = 150 + 300 * (i / 6), top = 80 + 40 * (i % 6);
    return {left, top, left + 250, top + 25};
}

}  // namespace

std::wstring ScanAreaLabel(const std::wstring& categoryName)
{
    if (lstrcmpiW(categoryName.c_str(), L"Install&Uninstall Entries") == 0)
        return L"Install&&Uninstall Entries";
    if (lstrcmpiW(categoryName.c_str(), L"Sound&App Events") == 0) return L"Sound&&App Events";
    return categoryName;
}

CSanSetting::CSanSetting() : CPageBase(kScanAreaPage, L"Registry Scan Settings", L"Set the scan area") {}

void CSanSetting::CreateBoxes()
{
    for (int k = 0; k < kBoxCount; ++k) {
        Box(k).Create(hwnd_, static_cast<UINT>(kFirstBoxId + k), BoxRect(k));
        ShowWindow(Box(k).Hwnd(), SW_HIDE);
    }
    labelFont_.reset(gdi::CreateFontSimple(15));
}

void CSanSetting::OnPageEnter()
{
    CPageBase::OnPageEnter();
    if (g_mainDlg) g_mainDlg->SetupOkScanArea(true);
    ShowStored();
}

void CSanSetting::OnPageLeave()
{
    CPageBase::OnPageLeave();
    categories_ = nullptr;
    if (g_mainDlg) g_mainDlg->SetupOkScanArea(false);
}

void CSanSetting::ShowStored()
{
    categories_ = g_engine && g_engine->LoadScanSettings ? g_engine->LoadScanSettings() : nullptr;
    const int count = categories_ ? categories_->GetCount() : 0;
    // A box exists only for a category the file holds.
    for (int k = 0; k < kBoxCount; ++k) {
        const bool bound = k < count;
        if (bound) Box(k).SetChecked(categories_->At(k)->enabled != 0);
        ShowWindow(Box(k).Hwnd(), bound ? SW_SHOW : SW_HIDE);
    }
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void CSanSetting::OnBoxClicked(int k)
{
    if (!categories_ || !categories_->IsValidIndex(k) || !g_engine || !g_engine->SetCategoryEnabled) return;
    const bool wanted = Box(k).Checked();
    const std::wstring flag = wanted ? L"true" : L"false";
    g_engine->SetCategoryEnabled(categories_->At(k)->elementName, &flag);
    // The boxes show what the file holds, also when the write did not land.
    ShowStored();
    if (categories_ && categories_->IsValidIndex(k) && (categories_->At(k)->enabled != 0) != wanted)
        RunStandardBox(hwnd_, L"The scan area could not be saved in scanSetting.xml; it stays as it was.", L"Tamsel",
                       MB_OK | MB_ICONWARNING);
}

LRESULT CSanSetting::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
        case WM_CREATE:
            CreateBoxes();
            break;
        case WM_COMMAND: {
            const int id = LOWORD(wp);
            if (HIWORD(wp) == BN_CLICKED && id >= kFirstBoxId && id < kFirstBoxId + kBoxCount) {
                OnBoxClicked(id - kFirstBoxId);
                return 0;
            }
            break;
        }
        default:
            break;
    }
    return CPageBase::HandleMessage(msg, wp, lp);
}

void CSanSetting::PaintPage(HDC dc, const RECT& client)
{
    CPageBase::PaintPage(dc, client);
    const int w = client.right;
    gdi::HorizontalLine(dc, 16, w - 16, 68, RGB(128, 128, 128));
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    {
        gdi::Select font(dc, g_mainDlg ? g_mainDlg->StatusFont() : nullptr);
        RECT text{70, 24, w - 106, 74};
        DrawTextW(dc, kInstruction, -1, &text, DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
    }
    if (categories_) {
        gdi::Select font(dc, labelFont_.get());
        for (int i = 0; i < categories_->GetCount(); ++i) {
            RECT r = LabelRect(i);
            const std::wstring label = ScanAreaLabel(categories_->At(i)->categoryName);
            DrawTextW(dc, label.c_str(), -1, &r, DT_LEFT | DT_SINGLELINE | DT_VCENTER);
        }
    }
    SetBkMode(dc, oldMode);
}

}  // namespace ui
