// The plain report list of the scan, selection and clean pages: a system
// list view with grid lines and full-row select, optional check boxes, and
// the shared 16 x 16 status images.
#pragma once

#include <windows.h>

#include <commctrl.h>

#include <string>
#include <vector>

#include "controls/Gdi.h"

#include "controls/Window.h"

namespace ui {

// Indices into the status image list.
enum StatusImage : int {
    kNoImage = -1,
    kImageDone = 0,      // green check
    kImageScanning = 1,
    kImageWarning = 2,
};

class CReportList : public CControl {
public:
    CReportList() = default;
    ~CReportList() override;

    // `extraStyle` adds list-view styles (LVS_SHOWSELALWAYS...; WS_BORDER
    // for a thin border instead of the sunken edge), `checkBoxes`
    // the check-box column; `statusImages` false leaves the rows without the
    // image column.
    bool Create(HWND parent, UINT id, const RECT& r, DWORD extraStyle = 0, bool checkBoxes = false,
                bool statusImages = true);
    // `width` in design units (96 DPI).
    void AddColumn(const std::wstring& title, int width, int format = LVCFMT_LEFT);
    // Font, status images and the columns' design widths at `dpi`.
    void SetDpi(int dpi);

    int Count() const;
    // Appends a row; returns its index or -1.
    int AddRow(const std::wstring& text, int image = kNoImage, LPARAM data = 0);
    void DeleteAll();
    void DeleteRow(int row);
    void SetText(int row, int column, const std::wstring& text);
    std::wstring Text(int row, int column) const;
    void SetImage(int row, int image);
    int Image(int row) const;  // kNoImage when the row shows none
    LPARAM Data(int row) const;
    void SetChecked(int row, bool checked);
    bool Checked(int row) const;
    void Select(int row);  // selects and focuses the row, deselecting the others
    int SelectedCount() const;
    int NextSelected(int after) const;  // -1 starts at the top; -1 at the end
    void SetRedraw(bool on);

    // Of a list's LVN_ITEMCHANGED: the row that became selected, else -1.
    static int BecameSelected(const NMLISTVIEW& change);
    // Of a list's LVN_ITEMCHANGED: 1 when a row's box became checked, 0
    // when it became unchecked, -1 when its check did not change (selection
    // and focus changes carry the check bits unchanged, or none).
    static int CheckChange(const NMLISTVIEW& change);

private:
    HIMAGELIST images_ = nullptr;
    std::vector<int> widths_;  // design widths of the columns
    int dpi_ = 96;
    gdi::Font font_;
};

}  // namespace ui
