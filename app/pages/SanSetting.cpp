#include "pages/SanSetting.h"

#include "pages/MessageBox.h"
#include "shell/EngineBinding.h"

namespace ui {
namespace {

// Word-wrapped over (70, 24)-(W - 106, 68), above the rule at 68.
constexpr PageInstruction kInstruction = {
    L"Select the areas of the registry to include in the scan,and click \"OK\"button back to main menu", 24, 68,
    106, 68, true};

}  // namespace

std::wstring ScanAreaLabel(const std::wstring& categoryName)
{
    if (lstrcmpiW(categoryName.c_str(), L"Install&Uninstall Entries") == 0)
        return L"Install&&Uninstall Entries";
    if (lstrcmpiW(categoryName.c_str(), L"Sound&App Events") == 0) return L"Sound&&App Events";
    return categoryName;
}

CSanSetting::CSanSetting()
    : CCheckBoxPage(kScanAreaPage, L"Registry Scan Settings", L"Set the scan area", kInstruction, kFirstBoxId,
                    kBoxCount)
{
}

RECT CSanSetting::BoxRect(int k) const
{
    const int x = k < 6 ? 130 : 430;
    const int y = 85 + 40 * (k % 6);
    return {x, y, x + 15, y + 15};
}

int CSanSetting::LabelCount() const { return categories_ ? categories_->GetCount() : 0; }

ShownText CSanSetting::Label(int i, const RECT&) const
{
    const int left = 150 + 300 * (i / 6), top = 80 + 40 * (i % 6);
    ShownText t;
    t.text = ScanAreaLabel(categories_->At(i)->categoryName);
    t.rect = Scaled()(RECT{left, top, left + 250, top + 25});
    t.font = LabelFont();
    t.format = DT_LEFT | DT_SINGLELINE | DT_VCENTER;
    return t;
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
    NameBoxes();
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

}  // namespace ui
