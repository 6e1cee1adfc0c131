#include "pages/ScanChildWnd.h"

namespace ui {
namespace {

// clang-format off
const ProgressPageLook kLook = {
    // one line over (70, 5)-(W - 90, 30), the rule at 30
    {L"Scanning your registry,click \"Stop Scan\"button to stop scanning and view the scan results.", 5, 30, 90,
     30, false},
    1600, 1601, L"Category", 300, 300,
};
// clang-format on

}  // namespace

CScanChildWnd::CScanChildWnd()
    : CProgressListPage(kScanPage, L"Scan && Clean Windows Registry", L"Scanning the registries...", kLook)
{
}

void CScanChildWnd::OnCreate()
{
    CProgressListPage::OnCreate();
    // Until the first category list arrives.
    List().AddRow(L"Preparing Scanning Categories ...");
}

void CScanChildWnd::OnPageEnter()
{
    CProgressListPage::OnPageEnter();
    if (!g_mainDlg) return;
    g_mainDlg->SetupScan(true);
    g_mainDlg->ResetScanIdle();
    categories_ = nullptr;
    if (!g_engine || !g_engine->StartScan) return;
    g_mainDlg->Workers().Started();
    if (!g_engine->StartScan()) {
        // No scan thread, so no report will end this page: let the user leave.
        g_mainDlg->Workers().Finished();
        g_mainDlg->SetScanIdle();
        g_mainDlg->EnableButton(kCmdMainMenu, true);
    }
}

void CScanChildWnd::OnPageLeave()
{
    CProgressListPage::OnPageLeave();
    ClearRows();
    categories_ = nullptr;
    if (!g_mainDlg) return;
    g_mainDlg->SetupScan(false);
    g_mainDlg->SetStatusLine1(nullptr);
}

void CScanChildWnd::OnAppClosing()
{
    if (g_mainDlg) g_mainDlg->EnableButton(kCmdAction, false);
    if (g_engine && g_engine->SetStopFlag) g_engine->SetStopFlag(1);
}

void CScanChildWnd::OnPrimaryAction()
{
    if (g_engine && g_engine->SetStopFlag) g_engine->SetStopFlag(1);
    if (g_mainDlg) g_mainDlg->EnableButton(kCmdAction, false);
}

void CScanChildWnd::ShowProblemTotal()
{
    const int total = g_engine && g_engine->GetProblemCount ? g_engine->GetProblemCount() : 0;
    g_mainDlg->SetStatusLine1(FormatText(L"Total problem(s) found: %d", total).c_str());
}

void CScanChildWnd::OnScanStarted(PtrArray<XMLElement>* categories)
{
    categories_ = categories;
    if (!categories_) return;
    ClearRows();
    for (int i = 0; i < categories_->GetCount(); ++i) {
        const XMLElement* c = categories_->At(i);
        if (c && c->enabled) AddEntryRow(i, c->categoryName);
    }
    g_mainDlg->EnableButton(kCmdAction, true);
    StartProgress();
    ShowProblemTotal();
}

void CScanChildWnd::OnScanCategory(int index)
{
    if (!categories_ || !categories_->IsValidIndex(index)) return;
    const XMLElement* c = categories_->At(index);
    const int row = RowOf(index);
    if (!c || row < 0) return;
    switch (c->scanState) {
        case 0:
            SetRow(row, kNoImage, L"");
            break;
        case 1:
            MarkBusy(row, L"Scanning...");
            break;
        case 2:
            // The reporting thread has already waited for the queued texts.
            CountDone();
            if (c->foundCount > 0) {
                SetRow(row, kImageWarning, FormatText(L"%d problem(s)", c->foundCount));
                ShowProblemTotal();
            } else {
                SetRow(row, kImageDone, L"No Problem");
            }
            break;
        default:
            break;
    }
}

}  // namespace ui
