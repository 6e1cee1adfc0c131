// The list header with a vertical gradient and per-column title alignment.
#pragma once

#include <string>
#include <vector>

#include "controls/Gdi.h"
#include "controls/Window.h"

namespace ui {

// Alignment characters: '0' left (3-pixel inset), '1' centred, '2' right
// (3-pixel inset). Anything else is centred.
UINT HeaderAlignFlags(wchar_t c);
RECT HeaderTextRect(RECT column, wchar_t c);

class CHeaderCtrlCl : public CControl {
public:
    CHeaderCtrlCl();

    void AddTitle(const std::wstring& title, wchar_t align = L'1');
    void SetAlignment(const std::wstring& align) { align_ = align; }
    const std::wstring& Alignment() const { return align_; }
    const std::vector<std::wstring>& Titles() const { return titles_; }
    HFONT Font() const { return font_.get(); }

    COLORREF gradientStart = RGB(171, 199, 235);
    int gradientStep = 8;
    COLORREF textColour = RGB(0, 0, 0);
    double heightFactor = 1.0;

    void Paint(HDC dc);
    // The title font at `dpi`.
    void SetDpi(int dpi);
    // Gives the control its title font, so that its height follows it.
    void UseOwnFont();

protected:
    LRESULT ControlMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void FillGradient(HDC dc, const RECT& r) const;

    std::vector<std::wstring> titles_;
    std::wstring align_;
    int dpi_ = 96;
    gdi::Font font_;
};

}  // namespace ui
