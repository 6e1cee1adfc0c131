#include "pages/BackupRestoreChildWnd.h"

#include <algorithm>

#include "pages/MessageBox.h"
#include "pages/PendingRestart.h"
#include "pure/BackupStamp.h"
#include "shell/EngineBinding.h"

namespace ui {
namespace {

// Word-wrapped over (70, 24)-(W - 106, 74), the rule at 68.
constexpr PageInstruction kInstruction = {
    L"To return any previous configuration, simply select an item from the list below and click on the "
    L"\"Restore\" button to start the restore process.",
    24, 74, 106, 68, true};

int OperationResult()
{
    return g_engine && g_engine->GetOperationResult ? g_engine->GetOperationResult() : 0;
}

// The user's long date and time form of a stamp.
std::wstring FormatStamp(const BackupStamp& s)
{
    SYSTEMTIME t{};
    t.wYear = static_cast<WORD>(s.year);
    t.wMonth = static_cast<WORD>(s.month);
    t.wDay = static_cast<WORD>(s.day);
    t.wHour = static_cast<WORD>(s.hour);
    t.wMinute = static_cast<WORD>(s.minute);
    t.wSecond = static_cast<WORD>(s.second);
    wchar_t date[128] = L"", time[64] = L"";
    if (!GetDateFormatW(LOCALE_USER_DEFAULT, DATE_LONGDATE, &t, nullptr, date, 128)) return L"";
    if (!GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &t, nullptr, time, 64)) return L"";
    return std::wstring(date) + L" " + time;
}

}  // namespace

CBackupRestoreChildWnd::CBackupRestoreChildWnd()
    : CPageBase(kBackupPage, L"Restore Windows Registry",
                L"Restore previous backup registry or take full backup registry", kInstruction)
{
}

RECT CBackupRestoreChildWnd::ResultRect() const
{
    RECT client{};
    GetClientRect(hwnd_, &client);
    const Dpi& s = Scaled();
    return {s(50), client.bottom - s(95), client.right - s(50), client.bottom - s(70)};
}

void CBackupRestoreChildWnd::OnPageEnter()
{
    CPageBase::OnPageEnter();
    if (g_mainDlg) g_mainDlg->SetupBackup(true);
    SetResult(L"");
    list_.DeleteAll();
    rows_.clear();
    list_.AddRow(L"Preparing Backup List ...");
    UpdateWindow(list_.Hwnd());
    Refresh();
}

void CBackupRestoreChildWnd::OnPageLeave()
{
    CPageBase::OnPageLeave();
    list_.DeleteAll();
    rows_.clear();
    if (g_mainDlg) g_mainDlg->SetupBackup(false);
}

std::wstring CBackupRestoreChildWnd::NameOf(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < rows_.size() ? rows_[static_cast<size_t>(row)].name : L"";
}

void CBackupRestoreChildWnd::Refresh()
{
    PtrArray<BackupEntry>* backups = g_engine && g_engine->ListBackups ? g_engine->ListBackups() : nullptr;
    std::vector<std::pair<std::wstring, int>> entries;  // name, kind
    if (backups)
        for (const BackupEntry* e : *backups)
            if (e) entries.emplace_back(e->fileName, e->kind);
    // The file system gives no order (NTFS sorts, others do not): by name,
    // which is by time for the names the store makes.
    std::sort(entries.begin(), entries.end());

    list_.SetRedraw(false);
    list_.DeleteAll();
    rows_.clear();
    for (const auto& [name, kind] : entries) {
        const std::optional<BackupStamp> stamp = ParseBackupStamp(name);
        Row row{name, stamp ? FormatStamp(*stamp) : std::wstring(), false};
        row.valid = !row.stamp.empty();
        const int r = list_.AddRow(row.valid ? row.stamp : name, row.valid ? kImageDone : kImageWarning);
        if (r < 0) continue;
        list_.SetText(r, 1, kind == 0 ? L"Full registry backup" : L"Partial registry backup");
        rows_.push_back(std::move(row));
    }
    list_.SetRedraw(true);
    UpdateButtons();
}

int CBackupRestoreChildWnd::FirstValidSelected() const
{
    for (int r = list_.NextSelected(-1); r >= 0; r = list_.NextSelected(r))
        if (static_cast<size_t>(r) < rows_.size() && rows_[static_cast<size_t>(r)].valid) return r;
    return -1;
}

void CBackupRestoreChildWnd::UpdateButtons()
{
    if (!g_mainDlg) return;
    const bool can = !busy_ && FirstValidSelected() >= 0;
    g_mainDlg->EnableButton(kCmdAction, can);
    g_mainDlg->EnableButton(kCmdSecond, can);
    g_mainDlg->EnableButton(kCmdFullBackup, !busy_);
    g_mainDlg->EnableButton(kCmdMainMenu, !busy_);
}

void CBackupRestoreChildWnd::SetBusy(bool busy)
{
    busy_ = busy;
    EnableWindow(list_.Hwnd(), busy ? FALSE : TRUE);
    UpdateButtons();
    SetCursor(LoadCursorW(nullptr, busy ? IDC_WAIT : IDC_ARROW));
}

void CBackupRestoreChildWnd::SetResult(const std::wstring& text)
{
    result_ = text;
    const RECT r = ResultRect();
    InvalidateRect(hwnd_, &r, FALSE);
}

void CBackupRestoreChildWnd::OnFullBackupAction()
{
    if (busy_ || !g_mainDlg || !g_engine || !g_engine->StartFullBackup) return;
    SetBusy(true);
    SetResult(L"Taking a full registry backup ...");
    g_mainDlg->Workers().Started();
    g_engine->StartFullBackup();
}

void CBackupRestoreChildWnd::OnPrimaryAction()
{
    if (busy_ || !g_mainDlg || !g_engine || !g_engine->StartRestore) return;
    const int row = FirstValidSelected();
    if (row < 0) return;
    if (RefuseWhileRestartPending(hwnd_)) return;
    const Row& chosen = rows_[static_cast<size_t>(row)];
    // A restore replaces each saved key's subtree: ask first.
    const std::wstring text = L"Restore the registry from the backup of " + chosen.stamp +
                              L"?\r\nChanges made since then to the saved keys will be lost.";
    if (g_mainDlg->ShowMessageBox(text, L"Tamsel", kBoxWarning) != 1) return;
    const std::wstring name = chosen.name;
    SetBusy(true);
    SetResult(L"Restoring the registry ...");
    g_mainDlg->Workers().Started();
    g_engine->StartRestore(&name);
}

void CBackupRestoreChildWnd::OnSecondAction()
{
    if (busy_ || !g_mainDlg || !g_engine || !g_engine->DeleteBackup || FirstValidSelected() < 0) return;
    if (g_mainDlg->ShowMessageBox(L"Are you sure to delete the backup?", L"Tamsel", kBoxWarning) != 1) return;
    std::vector<std::wstring> doomed;
    int last = -1;
    for (int r = list_.NextSelected(-1); r >= 0; r = list_.NextSelected(r))
        if (static_cast<size_t>(r) < rows_.size() && rows_[static_cast<size_t>(r)].valid) {
            doomed.push_back(rows_[static_cast<size_t>(r)].name);
            last = r;
        }
    std::wstring failed;
    for (const std::wstring& name : doomed)
        if (g_engine->DeleteBackup(&name) != 1) failed += L"\r\n" + name;
    Refresh();
    // The list shows what is on disk; what stayed is said.
    if (!failed.empty())
        RunStandardBox(hwnd_, L"These backups could not be deleted:" + failed, L"Tamsel", MB_OK | MB_ICONWARNING);
    // The selection keeps its place, on the last row when the list got shorter.
    const int row = std::min(last, list_.Count() - 1);
    if (row >= 0) list_.Select(row);
    SetFocus(list_.Hwnd());
    UpdateButtons();
}

void CBackupRestoreChildWnd::OnBackupFinished(int kind)
{
    if (kind != 0 || !busy_) return;
    Refresh();
    SetBusy(false);
    SetResult(OperationResult() == 1 ? L"Full registry backup completed."
                                     : L"The full registry backup failed.");
}

void CBackupRestoreChildWnd::OnRestoreFinished()
{
    if (!busy_) return;
    SetBusy(false);
    SetResult(OperationResult() == 1 ? L"The registry was restored."
                                     : L"The restore failed or was incomplete.");
}

void CBackupRestoreChildWnd::OnCreate()
{
    // Placed by OnSize, which follows.
    list_.Create(hwnd_, kListId, {}, LVS_SHOWSELALWAYS);
    ListView_SetExtendedListViewStyleEx(list_.Hwnd(), LVS_EX_FLATSB, LVS_EX_FLATSB);
    list_.AddColumn(L"Backup Time Stamp", 300);
    list_.AddColumn(L"Type", 150, LVCFMT_CENTER);
    SetWindowTextW(list_.Hwnd(), L"Backups");
    OnDpiChanged();
}

void CBackupRestoreChildWnd::OnDpiChanged() { list_.SetDpi(Scaled().value()); }

void CBackupRestoreChildWnd::OnSize(int w, int h)
{
    const Dpi& s = Scaled();
    PlaceChild(list_.Hwnd(), {s(50), s(85), w - s(50), h - s(100)});
}

bool CBackupRestoreChildWnd::OnNotify(const NMHDR& hdr)
{
    if (hdr.idFrom != kListId || hdr.hwndFrom != list_.Hwnd() || hdr.code != LVN_ITEMCHANGED) return false;
    const auto& change = reinterpret_cast<const NMLISTVIEW&>(hdr);
    if ((change.uChanged & LVIF_STATE) && ((change.uNewState ^ change.uOldState) & LVIS_SELECTED)) UpdateButtons();
    return true;
}

LRESULT CBackupRestoreChildWnd::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_SETCURSOR && busy_) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return TRUE;
    }
    return CPageBase::HandleMessage(msg, wp, lp);
}

std::vector<ShownText> CBackupRestoreChildWnd::Texts() const
{
    std::vector<ShownText> texts = CPageBase::Texts();
    ShownText result;
    result.text = result_;
    result.rect = ResultRect();
    result.font = StatusFont();
    texts.push_back(result);
    return texts;
}

}  // namespace ui
