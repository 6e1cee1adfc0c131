#include "controls/HeaderCtrl.h"

#include <commctrl.h>

#include <algorithm>

#include "controls/Dpi.h"
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

void CHeaderCtrlCl::SetDpi(int dpi)
{
    dpi_ = dpi > 0 ? dpi : 96;
    font_.reset(gdi::CreateFontSimple(Dpi(dpi_)(15), 0, false));
    UseOwnFont();
}

void CHeaderCtrlCl::UseOwnFont()
{
    // The control sizes itself by the font it is given: the titles' own.
    if (hwnd_) SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
}

void CHeaderCtrlCl::AddTitle(const std::wstring& title, wchar_t align)
{
    titles_.push_back(title);
    align_.push_back(align);
}

void CHeaderCtrlCl::FillGradient(HDC dc, const RECT& r) const
{
    // The same fall over a taller header: the step per line shrinks with
    // the DPI (kept in 1/96ths of a step).
    const int start[3] = {GetRValue(gradientStart), GetGValue(gradientStart), GetBValue(gradientStart)};
    for (int y = r.top; y < r.bottom; ++y) {
        const int fall = (y - r.top) * gradientStep * 96 / dpi_;
        gdi::FillSolid(dc, {r.left, y, r.right, y + 1},
                       RGB(std::max(0, start[0] - fall), std::max(0, start[1] - fall), std::max(0, start[2] - fall)));
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
