// The owner-drawn report list of the startup manager, with a gradient header.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "controls/Gdi.h"
#include "controls/HeaderCtrl.h"
#include "controls/Window.h"
#include "corvex/PtrArray.h"
#include "corvex/Records.h"

namespace ui {

class CListCtrlCl : public CControl {
public:
    CListCtrlCl();

    bool Create(HWND parent, UINT id, const RECT& r);

    // Lengths in design units (96 DPI).
    void SetRowHeight(int h) { rowHeight_ = h; }
    void SetTextColour(COLORREF c) { textColour_ = c; }
    void SetFontSize(int height, int width);
    // Fonts, row height, header and column widths at `dpi`.
    void SetDpi(int dpi);
    void SetColumnTextColour(int col, COLORREF c) { columnText_[col] = c; }
    void SetColumnBackground(int col, COLORREF c) { columnBack_[col] = c; }
    void SetCellBackground(int row, int col, COLORREF c) { cellBack_[{row, col}] = c; }
    int InsertColumn(int index, const std::wstring& title, int width);
    void SetRows(PtrArray<StartupItem>* rows) { rows_ = rows; }
    PtrArray<StartupItem>* Rows() const { return rows_; }
    const std::wstring& Alignment() const { return align_; }
    CHeaderCtrlCl& Header() { return header_; }
    HFONT Font() const { return font_.get(); }

    // Cell clicks, for the page that owns the rows: (row, column).
    std::function<void(int, int)> onClick;
    std::function<void(int, int)> onDoubleClick;

    bool OnReflect(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) override;

    // Background and text colour of a cell that is not selected.
    COLORREF CellBackground(int row, int col) const;
    COLORREF CellTextColour(int col, const std::wstring& text) const;

protected:
    LRESULT ControlMessage(UINT msg, WPARAM wp, LPARAM lp) override;

private:
    void DrawRow(const DRAWITEMSTRUCT& dis);
    std::wstring CellText(int row, int col) const;
    int HitColumn(POINT pt, int* row) const;

    CHeaderCtrlCl header_;
    int dpi_ = 96;
    int rowHeight_ = 0;
    int fontHeight_ = 12, fontWidth_ = 0;
    std::vector<int> widths_;  // design widths of the columns
    COLORREF textColour_ = RGB(0, 0, 0);
    gdi::Font font_;
    gdi::Font underlined_;
    std::map<int, COLORREF> columnText_;
    std::map<int, COLORREF> columnBack_;
    std::map<std::pair<int, int>, COLORREF> cellBack_;
    std::wstring align_;
    PtrArray<StartupItem>* rows_ = nullptr;
};

}  // namespace ui
