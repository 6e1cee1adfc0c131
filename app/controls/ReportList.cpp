#include "controls/ReportList.h"

#include <cstdint>

#include "controls/Dpi.h"
#include "controls/ImageCache.h"

namespace ui {
namespace {

// The 16 x 16 picture at `size` x `size`, nearest pixel (the status
// pictures are simple shapes); blank for a missing or odd-sized file.
gdi::Bitmap StatusPicture(const CImage* image, int size)
{
    uint32_t* bits = nullptr;
    gdi::Bitmap out(gdi::CreateDib32(size, size, reinterpret_cast<void**>(&bits)));
    if (!out || !bits || !image || image->IsEmpty() || image->width != 16 || image->height != 16) return out;
    DIBSECTION dib{};
    if (GetObjectW(image->bitmap.get(), sizeof dib, &dib) != sizeof dib || !dib.dsBm.bmBits) return out;
    GdiFlush();
    const auto* source = static_cast<const uint32_t*>(dib.dsBm.bmBits);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) bits[y * size + x] = source[(y * 16 / size) * 16 + x * 16 / size];
    return out;
}

// Built per list from the cached skin images; a missing file leaves a blank
// image in its place, so the indices never shift.
HIMAGELIST CreateStatusImages(int size)
{
    HIMAGELIST list = ImageList_Create(size, size, ILC_COLOR32, 3, 0);
    if (!list) return nullptr;
    for (const wchar_t* path :
         {L"./images/check-green-16x16.png", L"./images/scanning-16x16.png", L"./images/warning-16x16.png"}) {
        gdi::Bitmap picture = StatusPicture(LoadCachedImage(path), size);
        ImageList_Add(list, picture.get(), nullptr);
    }
    return list;
}

}  // namespace

CReportList::~CReportList()
{
    if (images_) ImageList_Destroy(images_);
}

bool CReportList::Create(HWND parent, UINT id, const RECT& r, DWORD extraStyle, bool checkBoxes, bool statusImages)
{
    // This object destroys the image list; the control must not do it too.
    const DWORD style = WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SHAREIMAGELISTS | extraStyle;
    // A list with a thin border has no sunken edge.
    HWND h = CreateChild(WC_LISTVIEWW, L"", style, r, parent, id, (style & WS_BORDER) ? 0 : WS_EX_CLIENTEDGE);
    if (!h) return false;
    Attach(h);
    DWORD ex = LVS_EX_GRIDLINES | LVS_EX_FULLROWSELECT;
    if (checkBoxes) ex |= LVS_EX_CHECKBOXES;
    ListView_SetExtendedListViewStyle(h, ex);
    if (!statusImages) return true;
    images_ = CreateStatusImages(Dpi(dpi_)(16));
    if (images_) ListView_SetImageList(h, images_, LVSIL_SMALL);
    return true;
}

void CReportList::SetDpi(int dpi)
{
    if (dpi == dpi_ || !hwnd_) return;
    dpi_ = dpi;
    // The list's own font is the system's, at the system DPI.
    font_.reset(dpi == SystemDpi() ? nullptr : gdi::CreateUiFont(dpi, SystemDpi()));
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), TRUE);
    if (images_) {
        ImageList_Destroy(images_);
        images_ = CreateStatusImages(Dpi(dpi)(16));
        ListView_SetImageList(hwnd_, images_, LVSIL_SMALL);
    }
    for (size_t i = 0; i < widths_.size(); ++i) ListView_SetColumnWidth(hwnd_, static_cast<int>(i), Dpi(dpi)(widths_[i]));
}

void CReportList::AddColumn(const std::wstring& title, int width, int format)
{
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    col.fmt = format;
    col.cx = Dpi(dpi_)(width);
    col.pszText = const_cast<wchar_t*>(title.c_str());
    const int index = static_cast<int>(widths_.size());
    ListView_InsertColumn(hwnd_, index, &col);
    // The first column of a list view is always left-aligned; a centred
    // first column is set afterwards.
    if (index == 0 && format != LVCFMT_LEFT) {
        col.mask = LVCF_FMT;
        ListView_SetColumn(hwnd_, 0, &col);
    }
    widths_.push_back(width);
}

int CReportList::Count() const { return ListView_GetItemCount(hwnd_); }

int CReportList::AddRow(const std::wstring& text, int image, LPARAM data)
{
    LVITEMW item{};
    item.mask = LVIF_TEXT | LVIF_PARAM | LVIF_IMAGE;
    item.iItem = Count();
    item.pszText = const_cast<wchar_t*>(text.c_str());
    item.iImage = image;
    item.lParam = data;
    return ListView_InsertItem(hwnd_, &item);
}

void CReportList::DeleteAll() { ListView_DeleteAllItems(hwnd_); }
void CReportList::DeleteRow(int row) { ListView_DeleteItem(hwnd_, row); }

void CReportList::SetText(int row, int column, const std::wstring& text)
{
    ListView_SetItemText(hwnd_, row, column, const_cast<wchar_t*>(text.c_str()));
}

std::wstring CReportList::Text(int row, int column) const
{
    // Grown until the text fits: row texts carry whole registry paths.
    std::wstring buf(256, L'\0');
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buf.data();
        item.cchTextMax = static_cast<int>(buf.size());
        const int n = static_cast<int>(
            SendMessageW(hwnd_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (n < static_cast<int>(buf.size()) - 1 || buf.size() >= 65536) {
            buf.resize(static_cast<size_t>(n < 0 ? 0 : n));
            return buf;
        }
        buf.assign(buf.size() * 2, L'\0');
    }
}

void CReportList::SetImage(int row, int image)
{
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    item.iImage = image;
    ListView_SetItem(hwnd_, &item);
}

int CReportList::Image(int row) const
{
    LVITEMW item{};
    item.mask = LVIF_IMAGE;
    item.iItem = row;
    if (!ListView_GetItem(hwnd_, &item)) return kNoImage;
    return item.iImage < 0 ? kNoImage : item.iImage;
}

LPARAM CReportList::Data(int row) const
{
    LVITEMW item{};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    return ListView_GetItem(hwnd_, &item) ? item.lParam : 0;
}

void CReportList::SetChecked(int row, bool checked) { ListView_SetCheckState(hwnd_, row, checked ? TRUE : FALSE); }
bool CReportList::Checked(int row) const { return ListView_GetCheckState(hwnd_, row) != 0; }

void CReportList::Select(int row)
{
    ListView_SetItemState(hwnd_, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_SetItemState(hwnd_, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    ListView_EnsureVisible(hwnd_, row, FALSE);
}

int CReportList::SelectedCount() const { return static_cast<int>(ListView_GetSelectedCount(hwnd_)); }
int CReportList::NextSelected(int after) const { return ListView_GetNextItem(hwnd_, after, LVNI_SELECTED); }

int CReportList::BecameSelected(const NMLISTVIEW& change)
{
    const bool selected = (change.uChanged & LVIF_STATE) && change.iItem >= 0 &&
                          (change.uNewState & LVIS_SELECTED) && !(change.uOldState & LVIS_SELECTED);
    return selected ? change.iItem : -1;
}

int CReportList::CheckChange(const NMLISTVIEW& change)
{
    if (!(change.uChanged & LVIF_STATE) || change.iItem < 0) return -1;
    const UINT now = change.uNewState & LVIS_STATEIMAGEMASK;
    if (now == 0) return -1;
    const bool checked = now == INDEXTOSTATEIMAGEMASK(2);
    const bool wasChecked = (change.uOldState & LVIS_STATEIMAGEMASK) == INDEXTOSTATEIMAGEMASK(2);
    return checked == wasChecked ? -1 : checked ? 1 : 0;
}

void CReportList::SetRedraw(bool on)
{
    SendMessageW(hwnd_, WM_SETREDRAW, on ? TRUE : FALSE, 0);
    if (on) InvalidateRect(hwnd_, nullptr, TRUE);
}

}  // namespace ui
