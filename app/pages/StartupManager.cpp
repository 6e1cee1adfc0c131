#include "pages/StartupManager.h"

#include <commctrl.h>

#include <memory>

#include "pages/MessageBox.h"
#include "pages/PendingRestart.h"
#include "pure/PageRules.h"
#include "shell/EngineBinding.h"
#include "shell/SettingsFile.h"

namespace ui {
namespace {

// Word-wrapped over (70, 10)-(W - 90, 58), above the rule at 58.
constexpr PageInstruction kInstruction = {
    L"Choose which application are launched when computer starts up.\r\nYou can enable,disable or remove a "
    L"selected item in action column.Double Click an item to learn more.",
    10, 58, 90, 58, true};
constexpr wchar_t kShowDisabledLabel[] = L"Display the \"Disabled\" Item(s).";
constexpr wchar_t kRemoveQuestion[] =
    L"\r\nAre you sure that you want to remove the selected\r\n"
    L"startup item from the startup list.\r\n\r\n\r\n"
    L"The original program will NOT be delete or \r\nuninstalled.";

bool HasEngine() { return g_engine && g_engine->LoadStartupItems; }

}  // namespace

std::wstring ReadShowDisable()
{
    wchar_t buf[260] = L"";
    GetPrivateProfileStringW(L"StartupManage", L"ShowDisable", L"", buf, 260, kSettingsFile);
    return buf;
}

bool WriteShowDisable(bool show)
{
    return WriteSetting(L"StartupManage", L"ShowDisable", show ? L"TRUE" : L"FALSE");
}

CStartupManager::CStartupManager()
    : CPageBase(kStartupPage, L"Startup Manager", L"Manage startup items to improve the system startup speed",
                kInstruction)
{
}

CStartupManager::~CStartupManager() { list_.SetRows(nullptr); }

void CStartupManager::OnCreate()
{
    list_.SetRowHeight(50);
    list_.SetDpi(Scaled().value());
    // Placed by OnSize, which follows.
    list_.Create(hwnd_, kListId, {0, 0, 0, 0});
    HWND h = list_.Hwnd();
    if (!h) return;
    SetWindowLongPtrW(h, GWL_STYLE, GetWindowLongPtrW(h, GWL_STYLE) | LVS_NOSORTHEADER | WS_HSCROLL | WS_VSCROLL);
    SetWindowLongPtrW(h, GWL_EXSTYLE, GetWindowLongPtrW(h, GWL_EXSTYLE) | WS_EX_CLIENTEDGE);
    ListView_SetExtendedListViewStyle(h, LVS_EX_GRIDLINES | LVS_EX_DOUBLEBUFFER | LVS_EX_FULLROWSELECT);
    ListView_SetBkColor(h, RGB(255, 255, 255));
    list_.SetColumnTextColour(kActionColumn, RGB(0, 0, 255));
    list_.SetColumnTextColour(kStatusColumn, RGB(0, 147, 0));
    list_.InsertColumn(kStatusColumn, L"Status", 75);
    list_.InsertColumn(kProgramColumn, L"Program", 510);
    list_.InsertColumn(kActionColumn, L"Action", 75);
    list_.SetRows(&items_);
    list_.onClick = [this](int row, int col) { OnCellClick(row, col); };
    list_.onDoubleClick = [this](int row, int col) { OnCellDoubleClick(row, col); };
    // "&Display ...": the label is drawn without prefixes; its name marks D.
    showDisabled_.Create(hwnd_, kShowDisabledId, {}, L"&Display the \"Disabled\" Item(s).");
    SetWindowTextW(list_.Hwnd(), L"Startup items");
}

void CStartupManager::OnDpiChanged() { list_.SetDpi(Scaled().value()); }

void CStartupManager::OnSize(int w, int h)
{
    const Dpi& s = Scaled();
    // The frame change makes the list measure its rows again (height 50).
    if (list_.Hwnd())
        SetWindowPos(list_.Hwnd(), nullptr, s(65), s(65), w - s(50) - s(65), h - s(35) - s(65),
                     SWP_NOZORDER | SWP_FRAMECHANGED);
    PlaceChild(showDisabled_.Hwnd(), {s(65), h - s(30), s(80), h - s(15)});
}

void CStartupManager::OnPageEnter()
{
    CPageBase::OnPageEnter();
    if (g_mainDlg) g_mainDlg->SetupRemove(true);
    if (!HasEngine()) return;
    Reload();
    const std::wstring setting = ReadShowDisable();
    FillRows(pagerules::ListsDisabled(setting));
    if (list_.Hwnd() && ListView_GetItemCount(list_.Hwnd()) > 0) {
        ListView_SetItemState(list_.Hwnd(), 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    }
    showDisabled_.SetChecked(pagerules::ShowDisabledChecked(setting));
    Recount(0);
}

void CStartupManager::OnPageLeave()
{
    CPageBase::OnPageLeave();
    if (g_mainDlg) {
        g_mainDlg->SetupRemove(false);
        g_mainDlg->SetStatusLine1(nullptr);
    }
    if (list_.Hwnd()) ListView_DeleteAllItems(list_.Hwnd());
    items_.Clear();
    total_ = enabled_ = 0;
}

void CStartupManager::Reload()
{
    if (list_.Hwnd()) ListView_DeleteAllItems(list_.Hwnd());
    // Every listed item is ours from here on; the previous ones go.
    items_.Clear();
    PtrArray<StartupItem>* listed = HasEngine() ? g_engine->LoadStartupItems() : nullptr;
    if (listed)
        for (StartupItem* item : *listed) items_.Add(std::unique_ptr<StartupItem>(item));
    total_ = items_.GetCount();
    enabled_ = 0;
}

void CStartupManager::FillRows(bool listDisabled)
{
    listingDisabled_ = listDisabled;
    HWND h = list_.Hwnd();
    if (!h) return;
    // Rows and items stay aligned: hidden (disabled) items are dropped
    // here, they are only counted.
    for (int j = items_.GetCount() - 1; j >= 0; --j)
        if (!items_[j]->enabled && !listDisabled) items_.RemoveAt(j);
    for (int j = 0; j < items_.GetCount(); ++j) {
        const StartupItem& item = *items_[j];
        const pagerules::StartupRowText text = pagerules::ListedRowText(item.enabled != 0);
        LVITEMW lv{};
        lv.mask = LVIF_TEXT;
        lv.iItem = j;
        lv.pszText = const_cast<wchar_t*>(text.status);
        ListView_InsertItem(h, &lv);
        ListView_SetItemText(h, j, kProgramColumn, const_cast<wchar_t*>(L""));
        ListView_SetItemText(h, j, kActionColumn, const_cast<wchar_t*>(text.action));
        if (item.enabled) ++enabled_;
    }
}

void CStartupManager::Recount(int delta)
{
    enabled_ += delta;
    if (!g_mainDlg) return;
    wchar_t text[160] = L"";
    wsprintfW(text, L"Total Startup items : %d ( %d Enabled and %d Disabled)", total_, enabled_, total_ - enabled_);
    g_mainDlg->SetStatusLine1(text);
}

void CStartupManager::Tell(const std::wstring& text)
{
    if (g_mainDlg) g_mainDlg->ShowMessageBox(text, L"Tamsel", kBoxInformation);
}

void CStartupManager::OnShowDisabledClicked()
{
    bool show = showDisabled_.Checked();
    if (!WriteShowDisable(show)) {
        // The box and the rows show what Registry.ini holds.
        const std::wstring setting = ReadShowDisable();
        show = pagerules::ListsDisabled(setting);
        showDisabled_.SetChecked(pagerules::ShowDisabledChecked(setting));
        Tell(L"The setting could not be saved in Registry.ini; it stays as it was.");
    }
    Reload();
    FillRows(show);
    Recount(0);
}

void CStartupManager::OnCellClick(int row, int column)
{
    if (column == kActionColumn) Toggle(row);
}

void CStartupManager::OnCellDoubleClick(int row, int column)
{
    if (column != kProgramColumn || !items_.IsValidIndex(row)) return;
    if (g_engine && g_engine->ShowFileProperties) g_engine->ShowFileProperties(&items_[row]->filePath);
}

bool CStartupManager::Disable(StartupItem& item)
{
    // The record first, so the command line is never lost.
    if (!g_engine->AddDisabledStartupItem || g_engine->AddDisabledStartupItem(&item) != 1) {
        Tell(L"The startup item could not be recorded as disabled; it stays enabled.");
        return false;
    }
    if (!g_engine->DeleteStartupEntry || g_engine->DeleteStartupEntry(&item) != 1) {
        if (g_engine->RemoveDisabledStartupItem) g_engine->RemoveDisabledStartupItem(&item);
        Tell(L"The startup entry could not be deleted from the registry; it stays enabled.");
        return false;
    }
    item.enabled = 0;
    return true;
}

bool CStartupManager::Enable(StartupItem& item)
{
    if (!g_engine->EnableStartupItem) return false;
    std::wstring current;
    int result = g_engine->EnableStartupItem(&item, 0, &current);
    if (result == 2) {
        // The program wrote a value of that name since: replaced only when asked.
        const std::wstring question = L"\r\nThe startup entry \"" + item.valueName + L"\" now starts:\r\n" + current +
                                      L"\r\n\r\nReplace it with the one that was disabled?\r\n" + item.commandLine;
        if (!g_mainDlg || g_mainDlg->ShowMessageBox(question, L"Tamsel", kBoxWarning) != 1) return false;
        result = g_engine->EnableStartupItem(&item, 1, nullptr);
    }
    if (result == 3) {
        Tell(L"The startup item is enabled, but its disabled record could not be removed.");
        return true;
    }
    if (result != 1) {
        Tell(L"The startup item could not be enabled; it stays disabled.");
        return false;
    }
    return true;
}

void CStartupManager::Toggle(int row)
{
    HWND h = list_.Hwnd();
    if (!HasEngine() || !items_.IsValidIndex(row)) return;
    if (RefuseWhileRestartPending(hwnd_)) return;
    wchar_t action[32] = L"";
    ListView_GetItemText(h, row, kActionColumn, action, 32);
    StartupItem& item = *items_[row];
    if (lstrcmpW(action, L"Disable") == 0) {
        if (!Disable(item)) return;
        const pagerules::StartupRowText text = pagerules::ToggledRowText(false);
        ListView_SetItemText(h, row, kActionColumn, const_cast<wchar_t*>(text.action));
        ListView_SetItemText(h, row, kStatusColumn, const_cast<wchar_t*>(text.status));
        if (!showDisabled_.Checked()) {
            ListView_DeleteItem(h, row);
            items_.RemoveAt(row);
        }
        Recount(-1);
    } else {
        if (!Enable(item)) return;
        const pagerules::StartupRowText text = pagerules::ToggledRowText(true);
        ListView_SetItemText(h, row, kActionColumn, const_cast<wchar_t*>(text.action));
        ListView_SetItemText(h, row, kStatusColumn, const_cast<wchar_t*>(text.status));
        Recount(+1);
    }
    InvalidateRect(h, nullptr, FALSE);
}

void CStartupManager::OnPrimaryAction()
{
    if (!g_mainDlg || !HasEngine()) return;
    if (g_mainDlg->ShowMessageBox(kRemoveQuestion, L"Tamsel", kBoxWarning) != 1) return;
    const int row = ListView_GetNextItem(list_.Hwnd(), -1, LVNI_SELECTED);
    if (!items_.IsValidIndex(row)) return;
    if (RefuseWhileRestartPending(hwnd_)) return;
    StartupItem& item = *items_[row];
    // An item Windows switched off is still in its Run key.
    const bool inRunKey = item.enabled || item.windowsDisabled;
    const bool removed = inRunKey
                             ? g_engine->DeleteStartupEntry && g_engine->DeleteStartupEntry(&item) == 1
                             : g_engine->RemoveDisabledStartupItem && g_engine->RemoveDisabledStartupItem(&item) == 1;
    if (!removed) Tell(L"The startup item could not be removed.");
    // Rows and counts from what is there now.
    Reload();
    FillRows(listingDisabled_);
    Recount(0);
}

bool CStartupManager::OnCommand(int id, int code, HWND)
{
    if (id != kShowDisabledId || code != BN_CLICKED) return false;
    OnShowDisabledClicked();
    return true;
}

void CStartupManager::PaintPage(HDC dc, const RECT& client)
{
    CPageBase::PaintPage(dc, client);
    if (GetFocus() == showDisabled_.Hwnd()) DrawFocusAround(dc, ShowDisabledLabel(client));
}

ShownText CStartupManager::ShowDisabledLabel(const RECT& client) const
{
    ShownText label;
    label.text = kShowDisabledLabel;
    const Dpi& s = Scaled();
    label.rect = {s(85), client.bottom - s(31), client.right - s(50), client.bottom - s(14)};
    label.font = StatusFont();
    label.format = DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
    return label;
}

std::vector<ShownText> CStartupManager::Texts() const
{
    std::vector<ShownText> texts = CPageBase::Texts();
    RECT client{};
    GetClientRect(hwnd_, &client);
    texts.push_back(ShowDisabledLabel(client));
    return texts;
}

}  // namespace ui
