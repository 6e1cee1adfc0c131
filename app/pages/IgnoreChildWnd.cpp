#include "pages/IgnoreChildWnd.h"

#include <algorithm>

#include "pages/MessageBox.h"
#include "pure/UiTexts.h"
#include "shell/EngineBinding.h"

namespace ui {
namespace {

// One line over (70, 24)-(W - 106, 74), the rule at 68.
constexpr PageInstruction kInstruction = {
    L"Select an item and click the \"Remove\" button to remove the item from the Ignore List", 24, 74, 106, 68,
    false};
constexpr wchar_t kAllGroups[] = L"ALL Categories";
constexpr wchar_t kMasterRow[] = L"  Check ALL  ";

}  // namespace

std::wstring IgnoreEntryText(const RegEntryProb& entry)
{
    std::wstring text = entry.is64View ? L"(win64)" : L" (win32) ";
    text += entry.rootName;
    text += L'\\';
    text += entry.keyPath;
    text += L'\\';
    text += entry.valueName;
    return text;
}

CIgnoreChildWnd::CIgnoreChildWnd()
    : CPageBase(kIgnorePage, L"Registry Ignored List", L"Manage the items ignored by the scanner", kInstruction)
{
}

void CIgnoreChildWnd::OnCreate()
{
    // Placed by OnSize, which follows.
    groups_.Create(hwnd_, kGroupListId, {}, LVS_SHOWSELALWAYS | LVS_SINGLESEL, false, false);
    groups_.AddColumn(L"Category", 210);
    entries_.Create(hwnd_, kEntryListId, {}, LVS_SHOWSELALWAYS, true, false);
    entries_.AddColumn(L"Description", 441);
    SetWindowTextW(groups_.Hwnd(), L"Categories");
    SetWindowTextW(entries_.Hwnd(), L"Ignored entries");
    ListView_SetExtendedListViewStyleEx(groups_.Hwnd(), LVS_EX_ONECLICKACTIVATE, LVS_EX_ONECLICKACTIVATE);
    ListView_SetExtendedListViewStyleEx(entries_.Hwnd(), LVS_EX_ONECLICKACTIVATE, LVS_EX_ONECLICKACTIVATE);
    OnDpiChanged();
}

void CIgnoreChildWnd::OnDpiChanged()
{
    groups_.SetDpi(Scaled().value());
    entries_.SetDpi(Scaled().value());
}

void CIgnoreChildWnd::OnSize(int w, int h)
{
    const Dpi& s = Scaled();
    PlaceChild(groups_.Hwnd(), {s(40), s(80), s(250), h - s(50)});
    PlaceChild(entries_.Hwnd(), {s(275), s(80), w - s(25), h - s(50)});
    // The group names need no horizontal scroll bar.
    RECT client{};
    GetClientRect(groups_.Hwnd(), &client);
    ListView_SetColumnWidth(groups_.Hwnd(), 0, client.right - GetSystemMetrics(SM_CXVSCROLL));
    FitEntryColumn();
}

void CIgnoreChildWnd::FitEntryColumn()
{
    // As wide as the longest row (in the list's own font), and never
    // narrower than the list.
    RECT client{};
    GetClientRect(entries_.Hwnd(), &client);
    int width = client.right - GetSystemMetrics(SM_CXVSCROLL);
    for (int row = 0; row < entries_.Count(); ++row) {
        const std::wstring text = entries_.Text(row, 0);
        const int need = ListView_GetStringWidth(entries_.Hwnd(), text.c_str()) + Scaled()(40);
        width = std::max(width, need);
    }
    ListView_SetColumnWidth(entries_.Hwnd(), 0, width);
}

void CIgnoreChildWnd::OnPageEnter()
{
    CPageBase::OnPageEnter();
    if (g_mainDlg) g_mainDlg->SetupRemove(true);
    Fill();
}

void CIgnoreChildWnd::OnPageLeave()
{
    CPageBase::OnPageLeave();
    filling_ = true;
    entries_.DeleteAll();
    groups_.DeleteAll();
    refs_.clear();
    filling_ = false;
    list_ = nullptr;
    if (!g_mainDlg) return;
    g_mainDlg->SetupRemove(false);
    g_mainDlg->SetStatusLine1(nullptr);
}

void CIgnoreChildWnd::Fill()
{
    list_ = g_engine && g_engine->GetIgnoreList ? g_engine->GetIgnoreList() : nullptr;
    groups_.SetRedraw(false);
    filling_ = true;
    groups_.DeleteAll();
    groups_.AddRow(kAllGroups);
    int total = 0;
    if (list_)
        for (const RegScanCategory* group : *list_) {
            // The count a group shows is the entries it holds.
            const int count = group->problems.GetCount();
            groups_.AddRow(uitext::WithCount(group->name, count));
            total += count;
        }
    groups_.SetText(0, 0, uitext::WithCount(kAllGroups, total));
    filling_ = false;
    groups_.Select(0);  // lists every entry
    groups_.SetRedraw(true);
    SetFocus(groups_.Hwnd());
    UpdateRemoveButton();
}

void CIgnoreChildWnd::ShowEntriesOf(int groupRow)
{
    entries_.SetRedraw(false);
    filling_ = true;
    entries_.DeleteAll();
    refs_.clear();
    entries_.AddRow(kMasterRow);
    auto add = [&](int g) {
        const RegScanCategory& group = *list_->At(g);
        for (int e = 0; e < group.problems.GetCount(); ++e) {
            const std::wstring text = uitext::Printable(IgnoreEntryText(*group.problems[e]));
            if (entries_.AddRow(text) < 0) continue;
            refs_.push_back({g, e});
        }
    };
    if (list_) {
        if (groupRow == 0) {
            for (int g = 0; g < list_->GetCount(); ++g) add(g);
        } else if (list_->IsValidIndex(groupRow - 1)) {
            add(groupRow - 1);
        }
    }
    filling_ = false;
    FitEntryColumn();
    entries_.SetRedraw(true);
    UpdateRemoveButton();
}

void CIgnoreChildWnd::SetAllChecks(bool checked)
{
    filling_ = true;
    for (int row = 0; row < entries_.Count(); ++row) entries_.SetChecked(row, checked);
    filling_ = false;
}

void CIgnoreChildWnd::OnEntryChanged(const NMLISTVIEW& change)
{
    if (filling_) return;
    const int checked = CReportList::CheckChange(change);
    if (checked < 0) return;
    // The master row's check goes to every row.
    if (change.iItem == 0) SetAllChecks(checked == 1);
    UpdateRemoveButton();
}

void CIgnoreChildWnd::OnEntryClicked(const NMITEMACTIVATE& click)
{
    if (click.iItem < 0) return;
    // A click on the check box itself is toggled by the list; anywhere else
    // on the row toggles it here.
    LVHITTESTINFO hit{};
    hit.pt = click.ptAction;
    ListView_SubItemHitTest(entries_.Hwnd(), &hit);
    if (hit.flags & LVHT_ONITEMSTATEICON) return;
    entries_.SetChecked(click.iItem, !entries_.Checked(click.iItem));
}

void CIgnoreChildWnd::UpdateRemoveButton()
{
    bool any = false;
    for (int row = 1; row < entries_.Count() && !any; ++row) any = entries_.Checked(row);
    if (g_mainDlg) g_mainDlg->EnableButton(kCmdAction, any);
}

void CIgnoreChildWnd::OnPrimaryAction()
{
    if (!g_mainDlg || !list_ || !g_engine || !g_engine->RemoveIgnoreItem) return;
    if (g_mainDlg->ShowMessageBox(L"Are you sure to Remove the Selected Items?", L"Tamsel", kBoxWarning) != 1)
        return;
    // Rows list each group's entries in ascending order, so an entry's index
    // drops by the number of entries of its group removed before it.
    std::vector<EntryRef> doomed;
    for (int row = 1; row < entries_.Count(); ++row)
        if (entries_.Checked(row) && static_cast<size_t>(row - 1) < refs_.size())
            doomed.push_back(refs_[static_cast<size_t>(row - 1)]);
    std::vector<int> removedIn(static_cast<size_t>(list_->GetCount()), 0);
    for (const EntryRef& ref : doomed) {
        int& removed = removedIn[static_cast<size_t>(ref.group)];
        try {
            g_engine->RemoveIgnoreItem(ref.group, ref.entry - removed);
        } catch (const EngineInvalidArgument&) {
            break;  // the list is not what the rows show: reread it
        }
        ++removed;
    }
    Fill();
}

bool CIgnoreChildWnd::OnNotify(const NMHDR& hdr)
{
    if (hdr.idFrom == kGroupListId && hdr.hwndFrom == groups_.Hwnd()) {
        if (hdr.code != LVN_ITEMCHANGED) return false;
        const int row = CReportList::BecameSelected(reinterpret_cast<const NMLISTVIEW&>(hdr));
        if (!filling_ && row >= 0) ShowEntriesOf(row);
        return true;
    }
    if (hdr.idFrom == kEntryListId && hdr.hwndFrom == entries_.Hwnd()) {
        if (hdr.code == LVN_ITEMCHANGED) {
            OnEntryChanged(reinterpret_cast<const NMLISTVIEW&>(hdr));
            return true;
        }
        if (hdr.code == NM_CLICK) {
            OnEntryClicked(reinterpret_cast<const NMITEMACTIVATE&>(hdr));
            return true;
        }
    }
    return false;
}

}  // namespace ui
