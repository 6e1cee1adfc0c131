#include "pages/CheckBoxPage.h"

namespace ui {

CCheckBoxPage::CCheckBoxPage(int id, std::wstring title, std::wstring subTitle, PageInstruction instruction,
                             int firstBoxId, int boxCount)
    : CPageBase(id, std::move(title), std::move(subTitle), instruction),
      firstBoxId_(firstBoxId),
      boxes_(static_cast<size_t>(boxCount))
{
}

void CCheckBoxPage::OnCreate()
{
    OnDpiChanged();
    for (int i = 0; i < BoxCount(); ++i)
        Box(i).Create(hwnd_, static_cast<UINT>(firstBoxId_ + i), Scaled()(BoxRect(i)));
    NameBoxes();
}

void CCheckBoxPage::NameBoxes()
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    for (int i = 0; i < BoxCount() && i < LabelCount(); ++i) {
        ShownText label = Label(i, client);
        // A label drawn without prefix processing keeps its ampersands.
        std::wstring name;
        for (wchar_t c : label.text) {
            if (c == L'&' && (label.format & DT_NOPREFIX)) name += L'&';
            name += c;
        }
        SetWindowTextW(Box(i).Hwnd(), name.c_str());
    }
}

void CCheckBoxPage::PaintPage(HDC dc, const RECT& client)
{
    CPageBase::PaintPage(dc, client);
    HWND focus = GetFocus();
    for (int i = 0; i < BoxCount() && i < LabelCount(); ++i)
        if (Box(i).Hwnd() == focus) DrawFocusAround(dc, Label(i, client));
}

void CCheckBoxPage::OnDpiChanged() { labelFont_.reset(gdi::CreateFontSimple(Scaled()(15))); }

void CCheckBoxPage::OnSize(int, int)
{
    for (int i = 0; i < BoxCount(); ++i) PlaceChild(Box(i).Hwnd(), Scaled()(BoxRect(i)));
}

bool CCheckBoxPage::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED || id < firstBoxId_ || id >= firstBoxId_ + BoxCount()) return false;
    OnBoxClicked(id - firstBoxId_);
    return true;
}

std::vector<ShownText> CCheckBoxPage::Texts() const
{
    std::vector<ShownText> texts = CPageBase::Texts();
    RECT client{};
    GetClientRect(hwnd_, &client);
    for (int i = 0; i < LabelCount(); ++i) texts.push_back(Label(i, client));
    return texts;
}

}  // namespace ui
