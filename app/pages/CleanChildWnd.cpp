#include "pages/CleanChildWnd.h"

#include <thread>

#include "pages/MessageBox.h"
#include "shell/LastScan.h"
#include "shell/Messages.h"
#include "shell/RestorePoint.h"
#include "shell/UiThread.h"

namespace ui {
namespace {

// clang-format off
const ProgressPageLook kLook = {
    // word-wrapped over (70, 5)-(W - 50, 50), above the rule at 50
    {L"Before fix the specified errors,program will automatic backup the partial registry, "
     L"then will fix all the specified errors.When fixing,you can cancel to fix error,"
     L"Click \"Scan Again\"button back to scan again.",
     5, 50, 50, 50, true},
    1605, 1606, L"Category", 250, 350,
};
// clang-format on

constexpr wchar_t kNotFixedText[] =
    L"%d registry item were not fixed because they are being used by other applications."
    L"close other applications and try it again.";

using CountSlot = int (CORVEX_CALL* EngineFunctionTable::*)();
int EngineCount(CountSlot slot)
{
    return g_engine && g_engine->*slot ? (g_engine->*slot)() : 0;
}

}  // namespace

CCleanChildWnd::CCleanChildWnd()
    : CProgressListPage(kCleanPage, L"Clean Registry", L"Fix the specified errors", kLook)
{
}

LRESULT CCleanChildWnd::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kMsgAskFixWithoutBackup) {
        AskFixWithoutBackup();
        return 0;
    }
    return CProgressListPage::HandleMessage(msg, wp, lp);
}

void CCleanChildWnd::ShowActionButton(const wchar_t* caption, bool enabled)
{
    g_mainDlg->SetActionButtonText(caption);
    g_mainDlg->EnableButton(kCmdAction, enabled);
    if (CMyButton* b = g_mainDlg->Button(kCmdAction)) {
        ShowWindow(b->Hwnd(), SW_SHOW);
        InvalidateRect(b->Hwnd(), nullptr, FALSE);
    }
}

void CCleanChildWnd::ShowFixedTotal()
{
    g_mainDlg->SetStatusLine2(
        FormatText(L"Total problem(s) fixed: %d", EngineCount(&EngineFunctionTable::GetFixedCount)).c_str());
}

void CCleanChildWnd::OnPageEnter()
{
    CProgressListPage::OnPageEnter();
    if (!g_mainDlg) return;
    if (CMyButton* b = g_mainDlg->Button(kCmdMainMenu)) ShowWindow(b->Hwnd(), SW_SHOW);
    g_mainDlg->EnableButton(kCmdMainMenu, false);
    if (CMyButton* b = g_mainDlg->Button(kCmdHelp)) ShowWindow(b->Hwnd(), SW_SHOW);
    ShowActionButton(L"Cancel", false);

    g_mainDlg->ResetScanIdle();
    state_ = kRunning;
    fixing_ = false;
    // Texts left from an earlier visit must not come first.
    ProgressQueue()->Clear();

    results_ = g_engine && g_engine->GetScanResults ? g_engine->GetScanResults() : nullptr;
    restorePointWanted_ = results_ && ProgramSettingIsTrue(L"CreateRestorePoint");
    if (restorePointWanted_) {
        StartRestorePoint();
        return;
    }
    ShowText(L"Partially backup registry before fix ...");
    StartBackup();
}

// The restore point is begun on a worker of its own: on Windows it takes
// seconds, and the window must stay responsive.
void CCleanChildWnd::StartRestorePoint()
{
    ShowText(L"Creating a restore point ...");
    g_mainDlg->Workers().Started();
    std::thread([this] {
        const std::optional<INT64> point = BeginRestorePoint();
        if (!RunOnUiThread([&] { OnRestorePointBegun(point); }) && point) EndRestorePoint(*point, false);
        if (CKelvuDlg* dlg = g_mainDlg) dlg->Workers().Finished();
    }).detach();
}

void CCleanChildWnd::OnRestorePointBegun(std::optional<INT64> point)
{
    if (!g_mainDlg || g_mainDlg->IsClosing() || g_mainDlg->CurrentPage() != this || !results_ ||
        state_ != kRunning) {
        if (point) EndRestorePoint(*point, false);
        if (g_mainDlg) g_mainDlg->SetScanIdle();
        return;
    }
    restorePoint_ = point;
    ShowText(L"Partially backup registry before fix ...");
    StartBackup();
}

std::wstring CCleanChildWnd::EndRestorePointText(bool keep)
{
    if (!restorePointWanted_) return L"";
    restorePointWanted_ = false;
    if (!restorePoint_) return L" No restore point was created.";
    EndRestorePoint(*restorePoint_, keep);
    restorePoint_.reset();
    return L"";
}

void CCleanChildWnd::StartBackup()
{
    if (!results_ || !g_engine->StartPartialBackup) {
        // Nothing to back up or fix, and no report will come: let the user leave.
        g_mainDlg->SetScanIdle();
        g_mainDlg->EnableButton(kCmdMainMenu, true);
        return;
    }
    g_mainDlg->Workers().Started();
    g_engine->StartPartialBackup(results_);
}

void CCleanChildWnd::OnPageLeave()
{
    CProgressListPage::OnPageLeave();
    ClearRows();
    results_ = nullptr;
    fixing_ = false;
    if (restorePoint_) EndRestorePoint(*restorePoint_, false);
    restorePoint_.reset();
    restorePointWanted_ = false;
    if (!g_mainDlg) return;
    if (CMyButton* b = g_mainDlg->Button(kCmdHelp)) ShowWindow(b->Hwnd(), SW_HIDE);
    g_mainDlg->SetStatusLine1(nullptr);
    g_mainDlg->SetStatusLine2(nullptr);
}

void CCleanChildWnd::OnAppClosing()
{
    if (g_mainDlg) g_mainDlg->EnableButton(kCmdAction, false);
    if (g_engine && g_engine->SetStopFlag) g_engine->SetStopFlag(1);
    // No fix to wait for: a running backup is waited for as a worker, and
    // no fix starts after it while closing.
    if (g_mainDlg && !fixing_) g_mainDlg->SetScanIdle();
}

void CCleanChildWnd::OnPrimaryAction()
{
    switch (state_) {
        case kCompleted:
            g_mainDlg->ShowPage(g_mainDlg->Page(kMainPage));
            break;
        case kStopped:
            g_mainDlg->ShowPage(g_mainDlg->Page(kScanPage));
            break;
        default:
            // "Cancel": the fix stops between entries; the backup cannot be stopped.
            if (!fixing_) break;
            if (g_engine && g_engine->SetStopFlag) g_engine->SetStopFlag(1);
            g_mainDlg->EnableButton(kCmdAction, false);
            break;
    }
}

void CCleanChildWnd::OnBackupFinished(int kind)
{
    if (kind != 1 || !results_ || state_ != kRunning || fixing_) return;
    if (EngineCount(&EngineFunctionTable::GetOperationResult) == 1) {
        StartFixing();
        return;
    }
    // Asked once the backup worker has returned, so no worker waits on the box.
    PostMessageW(hwnd_, kMsgAskFixWithoutBackup, 0, 0);
}

void CCleanChildWnd::AskFixWithoutBackup()
{
    if (!g_mainDlg || g_mainDlg->CurrentPage() != this || !results_ || fixing_ || state_ != kRunning) return;
    const bool fix =
        !g_mainDlg->IsClosing() && g_mainDlg->ShowMessageBox(
                                       L"The registry backup could not be completed.\r\nFix the selected "
                                       L"problems without a backup?",
                                       L"Tamsel", kBoxWarning) == 1;
    if (g_mainDlg->IsClosing() || g_mainDlg->CurrentPage() != this) {
        g_mainDlg->SetScanIdle();
        return;
    }
    if (fix)
        StartFixing();
    else
        FixNothing();
}

void CCleanChildWnd::StartFixing()
{
    ClearRows();
    for (int k = 0; k < results_->GetCount(); ++k) {
        const RegScanCategory* e = results_->At(k);
        if (e && e->problemCount > 0) AddEntryRow(k, e->name);
    }
    g_mainDlg->EnableButton(kCmdAction, true);
    StartProgress();
    g_mainDlg->SetStatusLine1(
        FormatText(L"Total problem(s) found: %d", EngineCount(&EngineFunctionTable::GetProblemCount))
            .c_str());
    ShowFixedTotal();
    fixing_ = true;
    g_mainDlg->Workers().Started();
    if (!g_engine->StartFix || !g_engine->StartFix()) {
        // No fix thread: end as a stopped fix so every entry reads "canceled".
        g_mainDlg->Workers().Finished();
        g_mainDlg->SetScanIdle();
        OnFixFinished(kStopped);
    }
}

void CCleanChildWnd::FixNothing()
{
    g_mainDlg->SetScanIdle();
    state_ = kCompleted;
    g_mainDlg->EnableButton(kCmdMainMenu, true);
    ShowActionButton(L"OK", true);
    ShowText(L"The registry backup could not be completed. Nothing was fixed." + EndRestorePointText(false));
    const int fixed = EngineCount(&EngineFunctionTable::GetFixedCount);
    lastscan::Write(lastscan::kFixedCount, fixed);
    lastscan::Write(lastscan::kRemainCount, ListedProblems());
}

int CCleanChildWnd::ListedProblems() const
{
    int n = 0;
    for (const RegScanCategory* e : *results_)
        if (e && e->problemCount > 0) n += e->problemCount;
    return n;
}

void CCleanChildWnd::OnFixProgress(int index)
{
    if (!results_ || !results_->IsValidIndex(index)) return;
    const RegScanCategory* e = results_->At(index);
    const int row = RowOf(index);
    if (!e || row < 0) return;
    switch (e->fixState) {
        case 0:
            SetRow(row, kNoImage, L"");
            break;
        case 1:
            MarkBusy(row, L"fixing...");
            break;
        case 2: {
            std::wstring status = FormatText(L"%d of %d problem(s) fixed", e->fixedCount, e->problemCount);
            // (A comma apart: "3 of 5 problem(s) fixed, 2 ignored".)
            if (e->ignoredCount > 0) status += FormatText(L", %d ignored", e->ignoredCount);
            // The reporting thread has already waited for the queued texts.
            CountDone();
            SetRow(row, e->notFixedCount > 0 ? kImageWarning : kImageDone, status);
            break;
        }
        default:
            break;
    }
}

void CCleanChildWnd::OnFixFinished(int result)
{
    g_mainDlg->SetScanIdle();
    if (g_mainDlg->IsClosing() || !results_) return;
    fixing_ = false;
    state_ = result;
    g_mainDlg->EnableButton(kCmdMainMenu, true);
    const int fixed = EngineCount(&EngineFunctionTable::GetFixedCount);
    const std::wstring pointText = EndRestorePointText(fixed > 0);
    int remain = 0;
    if (result == kCompleted) {
        ShowActionButton(L"OK", true);
        for (const RegScanCategory* e : *results_)
            if (e && e->problemCount > 0) remain += e->notFixedCount;
        const std::wstring text =
            remain > 0 ? FormatText(kNotFixedText, remain) : std::wstring(L"fix finished successfully");
        ShowText(text + pointText);
    } else if (result == kStopped) {
        ShowActionButton(L"Scan Again", true);
        CReportList& list = List();
        for (int row = 0; row < list.Count(); ++row) {
            const int k = static_cast<int>(list.Data(row));
            const RegScanCategory* e = results_->IsValidIndex(k) ? results_->At(k) : nullptr;
            if (!e) continue;
            if (row < DoneCount()) {
                // Finished entries keep what they could not fix.
                remain += e->notFixedCount;
            } else {
                list.SetText(row, 1, L"canceled");
                remain += e->problemCount;
            }
        }
        ShowText(FormatText(kNotFixedText, remain) + pointText);
    }
    ShowFixedTotal();
    lastscan::Write(lastscan::kFixedCount, fixed);
    lastscan::Write(lastscan::kRemainCount, remain);
}

}  // namespace ui
