#include "pages/ProgressListPage.h"

#include <algorithm>
#include <cwchar>

#include "controls/Gdi.h"
#include "pure/UiTexts.h"

namespace ui {

ProgressPageLayout LayoutProgressPage(int w, int h, int ruleY, const Dpi& s)
{
    ProgressPageLayout l{};
    // As wide as the instruction above: the status texts and the item
    // text have room.
    l.list = {s(70), s(std::max(50, ruleY + 6)), w - s(70), h - s(108)};
    l.progress = {s(70), h - s(96), w - s(70), h - s(76)};
    l.itemText = {s(70), h - s(60), w - s(70), h};
    return l;
}

std::wstring FormatText(const wchar_t* format, int a)
{
    wchar_t buf[512] = L"";
    swprintf(buf, 512, format, a);
    return buf;
}

std::wstring FormatText(const wchar_t* format, int a, int b)
{
    wchar_t buf[512] = L"";
    swprintf(buf, 512, format, a, b);
    return buf;
}

CProgressListPage::CProgressListPage(int id, std::wstring title, std::wstring subTitle,
                                     const ProgressPageLook& look)
    : CPageBase(id, std::move(title), std::move(subTitle), look.instruction), look_(look)
{
}

int CProgressListPage::RowOf(int index) const
{
    auto it = rows_.find(index);
    return it == rows_.end() ? -1 : it->second;
}

void CProgressListPage::OnCreate()
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    layout_ = LayoutProgressPage(client.right, client.bottom, look_.instruction.ruleY, Scaled());
    queue_.SetTarget(hwnd_, layout_.itemText);
    list_.Create(hwnd_, look_.listId, layout_.list);
    list_.SetDpi(Scaled().value());
    list_.AddColumn(look_.nameColumn, look_.nameWidth, LVCFMT_LEFT);
    list_.AddColumn(L"Status", look_.statusWidth, LVCFMT_CENTER);
    progress_.Create(hwnd_, look_.progressId, layout_.progress);
    SetWindowTextW(list_.Hwnd(), L"Categories");
    SetWindowTextW(progress_.Hwnd(), L"Progress");
}

void CProgressListPage::OnSize(int w, int h)
{
    layout_ = LayoutProgressPage(w, h, look_.instruction.ruleY, Scaled());
    queue_.SetTarget(hwnd_, layout_.itemText);
    auto move = [](HWND child, const RECT& r) {
        if (child) MoveWindow(child, r.left, r.top, r.right - r.left, r.bottom - r.top, TRUE);
    };
    move(list_.Hwnd(), layout_.list);
    move(progress_.Hwnd(), layout_.progress);
    InvalidateRect(hwnd_, nullptr, FALSE);
}

void CProgressListPage::OnDpiChanged() { list_.SetDpi(Scaled().value()); }

bool CProgressListPage::OnTimer(UINT_PTR id)
{
    if (id != kTextTimer) return false;
    if (queue_.Pending() > 0) InvalidateRect(hwnd_, &queue_.Rect(), FALSE);
    return true;
}

LRESULT CProgressListPage::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    // While the page shows, a timer paints the waiting item text: the
    // workers only store their texts, and the window paints them at a
    // steady rate of its own instead of once per text.
    if (msg == WM_SHOWWINDOW) {
        if (wp)
            SetTimer(hwnd_, kTextTimer, kTextTimerMs, nullptr);
        else
            KillTimer(hwnd_, kTextTimer);
    }
    return CPageBase::HandleMessage(msg, wp, lp);
}

void CProgressListPage::PaintPage(HDC dc, const RECT& client)
{
    // One queued item text per paint; the last one stays.
    queue_.TakeForPaint();
    CPageBase::PaintPage(dc, client);
}

std::vector<ShownText> CProgressListPage::Texts() const
{
    std::vector<ShownText> texts = CPageBase::Texts();
    // The current item text; registry data may hold control characters.
    ShownText item;
    item.text = uitext::Printable(queue_.Current());
    item.rect = layout_.itemText;
    item.font = StatusFont();
    item.format = DT_LEFT | DT_WORDBREAK | DT_EDITCONTROL | DT_NOPREFIX;
    texts.push_back(item);
    return texts;
}

void CProgressListPage::ClearRows()
{
    list_.DeleteAll();
    rows_.clear();
}

int CProgressListPage::AddEntryRow(int index, const std::wstring& name)
{
    const int row = list_.AddRow(name, kNoImage, static_cast<LPARAM>(index));
    if (row < 0) return row;
    list_.SetText(row, 1, L"");
    rows_[index] = row;
    return row;
}

void CProgressListPage::StartProgress()
{
    progress_.SetRange(0, list_.Count());
    progress_.SetPos(0);
    done_ = 0;
}

void CProgressListPage::MarkBusy(int row, const wchar_t* status)
{
    if (done_ == 0) progress_.SetPos(1);
    SetRow(row, kImageScanning, status);
}

void CProgressListPage::CountDone()
{
    ++done_;
    progress_.SetPos(done_);
}

void CProgressListPage::SetRow(int row, int image, const std::wstring& status)
{
    list_.SetImage(row, image);
    list_.SetText(row, 1, status);
}

void CProgressListPage::ShowText(const std::wstring& text)
{
    queue_.Append(text);
    InvalidateRect(hwnd_, &queue_.Rect(), FALSE);
}

}  // namespace ui
