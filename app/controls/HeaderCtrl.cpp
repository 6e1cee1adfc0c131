#include "controls/HeaderCtrl.h"

#include <commctrl.h>

#include <algorithm>

#include "controls/MemDC.h"

namespace ui {

UINT HeaderAlignFlags(wchar_t c)
{
    switch (c) {
    case L'0': return DT_LEFT;
    case L'2': return DT_RIGHT;
    default: return DT_CENTER;
    }
}

RECT HeaderTextRect(RECT column, wchar_t c)
{
    if (c == L'0') column.left += 3;
    if (c == L'2') column.right -= 3;
    return column;
}

CHeaderCtrlCl::CHeaderCtrlCl() : font_(gdi::CreateFontSimple(15, 0, false)) {}

void CHeaderCtrlCl::AddTitle(const std::wstring& title, wchar_t align)
{
    titles_.push_back(title);
    align_.push_back(align);
}

void CHeaderCtrlCl::FillGradient(HDC dc, const RECT& r) const
{
    int red = GetRValue(gradientStart), green = GetGValue(gradientStart), blue = GetBValue(gradientStart);
    for (int y = r.top; y < r.bottom; ++y) {
        gdi::FillSolid(dc, {r.left, y, r.right, y + 1}, RGB(red, green, blue));
        red = std::max(0, red - gradientStep);
        green = std::max(0, green - gradientStep);
        blue = std::max(0, blue - gradientStep);
    }
}

void CHeaderCtrlCl::Paint(HDC dc)
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    gdi::Select sel(dc, font_.get());
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, textColour);
    const int count = static_cast<int>(SendMessageW(hwnd_, HDM_GETITEMCOUNT, 0, 0));
    int right = client.left;
    for (int i = 0; i < count; ++i) {
        RECT col{};
        SendMessageW(hwnd_, HDM_GETITEMRECT, i, reinterpret_cast<LPARAM>(&col));
        FillGradient(dc, col);
        wchar_t a = i < static_cast<int>(align_.size()) ? align_[static_cast<size_t>(i)] : L'1';
        RECT t = HeaderTextRect(col, a);
        if (i < static_cast<int>(titles_.size()))
            DrawTextW(dc, titles_[static_cast<size_t>(i)].c_str(), -1, &t,
                      HeaderAlignFlags(a) | DT_VCENTER | DT_SINGLELINE);
        right = std::max(right, static_cast<int>(col.right));
    }
    if (right < client.right) FillGradient(dc, {right, client.top, client.right, client.bottom});
}

LRESULT CHeaderCtrlCl::ControlMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_PAINT: {
        gdi::PaintScope ps(hwnd_);
        RECT client{};
        GetClientRect(hwnd_, &client);
        CMyMemDC mem(ps.dc(), client);
        Paint(mem.dc());
        return 0;
    }
    case WM_PRINTCLIENT:
        Paint(reinterpret_cast<HDC>(wp));
        return 0;
    case WM_ERASEBKGND:
        return TRUE;
    case HDM_LAYOUT: {
        LRESULT r = Default(msg, wp, lp);
        auto* layout = reinterpret_cast<HDLAYOUT*>(lp);
        if (layout && layout->pwpos && heightFactor != 1.0) {
            int h = static_cast<int>(layout->pwpos->cy * heightFactor);
            layout->prc->top += h - layout->pwpos->cy;
            layout->pwpos->cy = h;
        }
        return r;
    }
    default:
        return Default(msg, wp, lp);
    }
}

}  // namespace ui
