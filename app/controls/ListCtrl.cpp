#include "controls/ListCtrl.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>

#include "controls/Dpi.h"
#include "pure/UiTexts.h"

namespace ui {

CListCtrlCl::CListCtrlCl() { SetFontSize(12, 0); }

bool CListCtrlCl::Create(HWND parent, UINT id, const RECT& r)
{
    HWND h = CreateChild(WC_LISTVIEWW, L"",
                         WS_VISIBLE | WS_BORDER | WS_TABSTOP | LVS_REPORT | LVS_OWNERDRAWFIXED | LVS_SINGLESEL,
                         r, parent, id);
    if (!h) return false;
    Attach(h);
    ListView_SetExtendedListViewStyle(h, LVS_EX_FULLROWSELECT);
    header_.Attach(ListView_GetHeader(h));
    header_.UseOwnFont();
    return true;
}

void CListCtrlCl::SetFontSize(int height, int width)
{
    fontHeight_ = height;
    fontWidth_ = width;
    const Dpi s(dpi_);
    font_.reset(gdi::CreateFontSimple(s(height), 0, false, L"Arial", s(width)));
    underlined_.reset(gdi::CreateFontSimple(s(height), 0, true, L"Arial", s(width)));
}

void CListCtrlCl::SetDpi(int dpi)
{
    if (dpi == dpi_) return;
    dpi_ = dpi;
    SetFontSize(fontHeight_, fontWidth_);
    header_.SetDpi(dpi);
    if (!hwnd_) return;
    for (size_t i = 0; i < widths_.size(); ++i) ListView_SetColumnWidth(hwnd_, static_cast<int>(i), Dpi(dpi)(widths_[i]));
    // A frame change makes the list measure its rows again.
    SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_FRAMECHANGED);
}

int CListCtrlCl::InsertColumn(int index, const std::wstring& title, int width)
{
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    col.fmt = LVCFMT_CENTER;
    col.cx = Dpi(dpi_)(width);
    col.pszText = const_cast<wchar_t*>(title.c_str());
    int r = static_cast<int>(SendMessageW(hwnd_, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&col)));
    if (r >= 0) widths_.insert(widths_.begin() + std::min<size_t>(static_cast<size_t>(r), widths_.size()), width);
    header_.AddTitle(title, L'1');
    align_.push_back(L'1');
    return r;
}

COLORREF CListCtrlCl::CellBackground(int row, int col) const
{
    COLORREF c = ListView_GetBkColor(hwnd_);
    if (c == CLR_NONE) c = GetSysColor(COLOR_WINDOW);
    auto it = columnBack_.find(col);
    if (it != columnBack_.end()) c = it->second;
    auto cell = cellBack_.find({row, col});
    if (cell != cellBack_.end()) c = cell->second;
    return c;
}

COLORREF CListCtrlCl::CellTextColour(int col, const std::wstring& text) const
{
    if (col == 0 && lstrcmpiW(text.c_str(), L"Disable") == 0) return RGB(255, 0, 0);
    auto it = columnText_.find(col);
    return it != columnText_.end() ? it->second : textColour_;
}

std::wstring CListCtrlCl::CellText(int row, int col) const
{
    wchar_t buf[1024] = L"";
    ListView_GetItemText(hwnd_, row, col, buf, 1024);
    return buf;
}

void CListCtrlCl::DrawRow(const DRAWITEMSTRUCT& dis)
{
    const int row = static_cast<int>(dis.itemID);
    const bool selected = (dis.itemState & ODS_SELECTED) != 0;
    HWND header = ListView_GetHeader(hwnd_);
    const int columns = static_cast<int>(SendMessageW(header, HDM_GETITEMCOUNT, 0, 0));
    HDC dc = dis.hDC;
    SetBkMode(dc, TRANSPARENT);
    for (int col = 0; col < columns; ++col) {
        RECT cell{};
        ListView_GetSubItemRect(hwnd_, row, col, LVIR_BOUNDS, &cell);
        if (col == 0 && columns > 1) {
            RECT next{};
            ListView_GetSubItemRect(hwnd_, row, 1, LVIR_BOUNDS, &next);
            cell.right = next.left;
        }
        gdi::FillSolid(dc, cell, selected ? RGB(228, 228, 240) : CellBackground(row, col));
        if (col == 1 && rows_ && rows_->IsValidIndex(row)) {
            const StartupItem* item = rows_->At(row);
            const Dpi s(dpi_);
            gdi::Select sel(dc, underlined_.get());
            SetTextColor(dc, RGB(0, 0, 255));
            RECT line{cell.left + s(15), cell.top, cell.right, cell.top + s(9 + 12)};
            // A program without a description is named by its file.
            const std::wstring name = uitext::Printable(
                uitext::StartupItemName(item->description, item->filePath, item->commandLine));
            DrawTextW(dc, name.c_str(), -1, &line, DT_SINGLELINE | DT_BOTTOM | DT_END_ELLIPSIS | DT_NOPREFIX);
            gdi::Select plain(dc, font_.get());
            SetTextColor(dc, RGB(0, 0, 0));
            RECT second{line.left + s(5), line.top + s(15), cell.right, line.bottom + s(15)};
            // An item Windows switched off says where that switch lives.
            const std::wstring shown =
                item->windowsDisabled ? item->commandLine + L"   (switched off by Windows: " + item->approvedKey + L")"
                                      : item->commandLine;
            const std::wstring command = uitext::Printable(shown);
            DrawTextW(dc, command.c_str(), -1, &second, DT_SINGLELINE | DT_BOTTOM | DT_END_ELLIPSIS | DT_NOPREFIX);
            continue;
        }
        std::wstring text = CellText(row, col);
        gdi::Select sel(dc, col == 2 ? underlined_.get() : font_.get());
        SetTextColor(dc, selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : CellTextColour(col, text));
        wchar_t a = col < static_cast<int>(align_.size()) ? align_[static_cast<size_t>(col)] : L'1';
        RECT t = HeaderTextRect(cell, a);
        DrawTextW(dc, text.c_str(), -1, &t, HeaderAlignFlags(a) | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    }
}

int CListCtrlCl::HitColumn(POINT pt, int* row) const
{
    LVHITTESTINFO hit{};
    hit.pt = pt;
    SendMessageW(hwnd_, LVM_SUBITEMHITTEST, 0, reinterpret_cast<LPARAM>(&hit));
    *row = hit.iItem;
    return hit.iSubItem;
}

bool CListCtrlCl::OnReflect(UINT msg, WPARAM, LPARAM lp, LRESULT& result)
{
    if (msg == WM_DRAWITEM) {
        DrawRow(*reinterpret_cast<DRAWITEMSTRUCT*>(lp));
        result = TRUE;
        return true;
    }
    if (msg == WM_MEASUREITEM) {
        auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        if (rowHeight_ > 0) mis->itemHeight = static_cast<UINT>(Dpi(dpi_)(rowHeight_));
        result = TRUE;
        return true;
    }
    return false;
}

LRESULT CListCtrlCl::ControlMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_LBUTTONDOWN || msg == WM_LBUTTONDBLCLK) {
        LRESULT r = Default(msg, wp, lp);
        int row = -1;
        int col = HitColumn({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)}, &row);
        auto& handler = msg == WM_LBUTTONDOWN ? onClick : onDoubleClick;
        if (row >= 0 && handler) handler(row, col);
        return r;
    }
    return Default(msg, wp, lp);
}

}  // namespace ui
