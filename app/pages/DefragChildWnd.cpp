#include "pages/DefragChildWnd.h"

#include <commctrl.h>

#include <algorithm>

#include "pages/MessageBox.h"
#include "pages/PendingRestart.h"
#include "pure/PageRules.h"
#include "shell/EngineBinding.h"

namespace ui {
namespace {

// Word-wrapped over (70, 4)-(W - 29, 36), above the rule at 36.
constexpr PageInstruction kInstruction = {
    L"Automatic to analyze your system registry,click \"Defragment\"button to defrag and compact your system "
    L"registry.",
    4, 36, 29, 36, true};
constexpr int kSizeWidth = 70;
constexpr int kStatusWidth = 150;
constexpr UINT_PTR kPaintTimer = 1;
constexpr UINT kPaintTimerMs = 40;

}  // namespace

CDefragChildWnd::CDefragChildWnd()
    : CPageBase(kDefragPage, L"Defrag", L"Compact and defrag the registry hives", kInstruction)
{
}

CDefragChildWnd::~CDefragChildWnd() = default;

void CDefragChildWnd::OnCreate()
{
    OnDpiChanged();
    // Placed by OnSize, which follows.
    if (!list_.Create(hwnd_, kListId, {}, WS_BORDER)) return;
    list_.AddColumn(L"files", 150);
    list_.AddColumn(L"size", kSizeWidth);
    list_.AddColumn(L"compact", kSizeWidth);
    list_.AddColumn(L"status", kStatusWidth);
    SetWindowTextW(list_.Hwnd(), L"Hives");
    list_.SetDpi(Scaled().value());
    SetTimer(hwnd_, kPaintTimer, kPaintTimerMs, nullptr);
}

void CDefragChildWnd::OnDpiChanged()
{
    legendFont_.reset(gdi::CreateFontSimple(Scaled()(12)));
    list_.SetDpi(Scaled().value());
}

void CDefragChildWnd::OnSize(int w, int h)
{
    // The map takes five twelfths of the width, the list of hives the rest:
    // its status texts ("compacted, fragmented") need the room.
    const Dpi& s = Scaled();
    const int margin = s(29), top = s(42), b = h - s(36);
    const int mapRight = margin + (w - 2 * margin) * 5 / 12, listLeft = mapRight + s(12), listRight = w - margin;
    map_.Reset(hwnd_, w, h, {margin, top, mapRight, b});
    statusRect_ = {listLeft, b - s(38), listRight, b + s(12)};
    if (!list_.Hwnd()) return RequestRedraw();
    PlaceChild(list_.Hwnd(), {listLeft, top, listRight, b - s(70)});
    // The file names take what the sizes and states leave.
    RECT client{};
    GetClientRect(list_.Hwnd(), &client);
    const int files = client.right - GetSystemMetrics(SM_CXVSCROLL) - 2 * s(kSizeWidth) - s(kStatusWidth);
    ListView_SetColumnWidth(list_.Hwnd(), 0, std::max(files, s(kSizeWidth)));
    RequestRedraw();
}

void CDefragChildWnd::OnDefragDrawRange(uint64_t total, uint64_t first, uint64_t end, int colour)
{
    map_.DrawRange(total, first, end, colour);
}

void CDefragChildWnd::OnDefragClearMap() { map_.Clear(); }

void CDefragChildWnd::OnDefragStatusText(const std::wstring& text)
{
    status_.Append(text);
}

void CDefragChildWnd::DrainDefragStatus()
{
    // Each paint shows one text; nothing paints while the window is hidden
    // or minimised, and no worker waits longer than two seconds.
    for (int i = 0; i < 200 && status_.Pending() > 0; ++i) {
        HWND main = g_mainDlg ? g_mainDlg->Hwnd() : nullptr;
        if (!main || !IsWindowVisible(main) || IsIconic(main) || !IsWindowVisible(hwnd_)) break;
        InvalidateRect(hwnd_, &statusRect_, FALSE);
        Sleep(10);
    }
    if (status_.Pending() > 0) {
        status_.SkipToLast();
        InvalidateRect(hwnd_, &statusRect_, FALSE);
    }
}

void CDefragChildWnd::ShowAction(const wchar_t* caption, bool enabled)
{
    if (!g_mainDlg) return;
    g_mainDlg->SetActionButtonText(caption);
    g_mainDlg->EnableButton(kCmdAction, enabled);
    if (CMyButton* b = g_mainDlg->Button(kCmdAction)) {
        ShowWindow(b->Hwnd(), SW_SHOW);
        InvalidateRect(b->Hwnd(), nullptr, FALSE);
    }
}

void CDefragChildWnd::StartWorker(Worker kind)
{
    worker_ = static_cast<int>(kind);
    if (g_mainDlg) {
        g_mainDlg->Workers().Started();
        g_mainDlg->EnableButton(kCmdMainMenu, false);
    }
}

void CDefragChildWnd::EndWorker() { worker_ = static_cast<int>(Worker::None); }

void CDefragChildWnd::RequestRedraw()
{
    switch (CurrentWorker()) {
    case Worker::Analysis:
        redrawAfterWorker_ = true;
        return;
    case Worker::Run:
        // The run redraws the map itself once it draws; before, afterwards.
        if (RunningFlag() == 0)
            __atomic_store_n(&redraw_, 1, __ATOMIC_SEQ_CST);
        else
            redrawAfterWorker_ = true;
        return;
    case Worker::Redraw:
        __atomic_store_n(&redraw_, 1, __ATOMIC_SEQ_CST);
        return;
    case Worker::None:
        break;
    }
    if ((state_ != kAnalysed && state_ != kFinished) || !g_engine || !g_engine->StartMapRedraw) return;
    if (g_mainDlg && g_mainDlg->IsClosing()) return;
    StartWorker(Worker::Redraw);
    if (g_engine->StartMapRedraw() == 0) {
        EndWorker();
        if (g_mainDlg) {
            g_mainDlg->Workers().Finished();
            g_mainDlg->EnableButton(kCmdMainMenu, true);
        }
    }
}

void CDefragChildWnd::OnPageEnter()
{
    // Take the size the main window gives a page now, so the map does not
    // change size under the analysis that starts below.
    if (HWND parent = GetParent(hwnd_)) {
        RECT client{};
        GetClientRect(parent, &client);
        const int top = g_mainDlg ? g_mainDlg->HeaderHeight() : Scaled()(CKelvuDlg::kHeaderHeight);
        const int bottom = g_mainDlg ? g_mainDlg->BottomHeight() : Scaled()(CKelvuDlg::kBottomHeight);
        MoveWindow(hwnd_, 0, top, client.right, client.bottom - bottom - top, FALSE);
    }
    CPageBase::OnPageEnter();
    list_.DeleteAll();
    hives_ = nullptr;
    total_ = 0;
    state_ = kNothingDone;
    redrawAfterWorker_ = false;
    status_.Clear();
    __atomic_store_n(&running_, 2, __ATOMIC_SEQ_CST);
    __atomic_store_n(&redraw_, 0, __ATOMIC_SEQ_CST);
    map_.Clear();
    if (!g_mainDlg) return;
    if (CMyButton* b = g_mainDlg->Button(kCmdMainMenu)) ShowWindow(b->Hwnd(), SW_SHOW);
    g_mainDlg->EnableButton(kCmdMainMenu, false);
    if (CMyButton* b = g_mainDlg->Button(kCmdHelp)) ShowWindow(b->Hwnd(), SW_SHOW);
    if (CMyButton* b = g_mainDlg->Button(kCmdSecond)) ShowWindow(b->Hwnd(), SW_HIDE);
    ShowAction(L"Defragment", false);
    if (!g_engine || !g_engine->StartDefragAnalysis) {
        g_mainDlg->EnableButton(kCmdMainMenu, true);
        return;
    }
    if (RestartPending()) {
        // Compacted hives wait for their restart: offer it again instead of
        // compacting over them.
        status_.Append(kRestartFirstText);
        state_ = kFinished;
        ShowAction(L"Reboot", true);
        g_mainDlg->EnableButton(kCmdMainMenu, true);
        return;
    }
    StartWorker(Worker::Analysis);
    g_engine->StartDefragAnalysis(&running_, &redraw_);
}

void CDefragChildWnd::WaitForWorker()
{
    if (CurrentWorker() == Worker::None) return;
    if (CurrentWorker() == Worker::Run && g_engine && g_engine->StopDefrag) g_engine->StopDefrag();
    for (int slice = 0; slice < 5000 && CurrentWorker() != Worker::None; ++slice) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

void CDefragChildWnd::OnPageLeave()
{
    // Nothing of the engine's defragmentation state goes while a worker uses it.
    WaitForWorker();
    const bool idle = CurrentWorker() == Worker::None;
    CPageBase::OnPageLeave();
    if (g_mainDlg) {
        g_mainDlg->EnableButton(kCmdMainMenu, true);
        for (int id : {kCmdMainMenu, kCmdHelp, kCmdAction, kCmdSecond})
            if (CMyButton* b = g_mainDlg->Button(id)) ShowWindow(b->Hwnd(), SW_HIDE);
    }
    list_.DeleteAll();
    hives_ = nullptr;
    status_.Clear();
    if (idle && g_engine && g_engine->ReleaseDefrag) g_engine->ReleaseDefrag();
}

void CDefragChildWnd::OnAppClosing()
{
    if (g_mainDlg) g_mainDlg->EnableButton(kCmdAction, false);
    if (g_engine && g_engine->StopDefrag) g_engine->StopDefrag();
}

void CDefragChildWnd::ApplyRow(int row, const HiveItem& hive, int kind)
{
    const pagerules::HiveRowChange change =
        pagerules::HiveRow(hive.state, hive.flags, kind, hive.compactCopy != nullptr,
                           hive.compactCopy ? hive.compactCopy->size : 0);
    if (change.image != pagerules::kImageUnchanged) list_.SetImage(row, change.image);
    if (!change.compact.empty()) list_.SetText(row, 2, change.compact);
    if (!change.status.empty()) list_.SetText(row, 3, change.status);
}

void CDefragChildWnd::InsertRows()
{
    list_.DeleteAll();
    if (!hives_) return;
    for (int i = 0; i < hives_->GetCount(); ++i) {
        const HiveItem& hive = *hives_->At(i);
        const int row = list_.AddRow(hive.keyName, kNoImage);
        list_.SetText(row, 1, pagerules::SizeText(hive.size));
        ApplyRow(row, hive, 0);
    }
}

void CDefragChildWnd::OnDefragItem(int index, int kind)
{
    if (!hives_ || !hives_->IsValidIndex(index) || index >= list_.Count()) return;
    ApplyRow(index, *hives_->At(index), kind);
}

void CDefragChildWnd::OnDefragFinished(int phase, int result)
{
    EndWorker();
    if (!g_mainDlg || g_mainDlg->IsClosing()) return;
    if (phase == 1 && result == 0) {
        hives_ = g_engine && g_engine->GetHiveList ? g_engine->GetHiveList() : nullptr;
        total_ = g_engine && g_engine->GetDefragSize ? g_engine->GetDefragSize() : 0;
        InsertRows();
        // A run over no hive would only ask for a restart.
        ShowAction(L"Defragment", list_.Count() > 0);
        state_ = kAnalysed;
    } else if (phase == 3) {
        // Also after an aborted run: hives compacted before it may be swapped.
        ShowAction(L"Reboot", true);
        if (CMyButton* b = g_mainDlg->Button(kCmdSecond)) ShowWindow(b->Hwnd(), SW_HIDE);
        state_ = kFinished;
    }
    if (redrawAfterWorker_) {
        redrawAfterWorker_ = false;
        RequestRedraw();
    }
    if (CurrentWorker() == Worker::None) g_mainDlg->EnableButton(kCmdMainMenu, true);
}

void CDefragChildWnd::OnDefragBusy()
{
    if (g_mainDlg) g_mainDlg->EnableButton(kCmdMainMenu, false);
}

bool CDefragChildWnd::OnDefragIdle()
{
    if (CurrentWorker() != Worker::Redraw) return false;
    EndWorker();
    if (g_mainDlg && !g_mainDlg->IsClosing()) g_mainDlg->EnableButton(kCmdMainMenu, true);
    return true;
}

void CDefragChildWnd::AskReboot()
{
    if (RunStandardBox(g_mainDlg->Hwnd(), L"Do you want to reboot your computer now?", L"Reboot", MB_YESNO) != IDYES)
        return;
    if (!RestartComputer())
        g_mainDlg->ShowMessageBox(L"The computer could not be restarted.", L"Tamsel", kBoxInformation);
}

void CDefragChildWnd::OnPrimaryAction()
{
    if (!g_mainDlg || !g_engine) return;
    if (CurrentWorker() == Worker::Run) {
        // The run ends between hives; "Reboot" comes back with its end.
        ShowAction(L"Reboot", false);
        if (g_engine->StopDefrag) g_engine->StopDefrag();
        return;
    }
    if (CurrentWorker() != Worker::None || RunningFlag() != 2) return;
    if (state_ == kAnalysed) {
        if (g_mainDlg->ShowMessageBox(kCompactWarning, L"Tamsel", kBoxWarning) != 1) return;
        if (!g_engine->StartDefrag) return;
        ShowAction(L"Stop", true);
        StartWorker(Worker::Run);
        g_engine->StartDefrag();
    } else if (state_ == kFinished) {
        AskReboot();
    }
}

void CDefragChildWnd::OnSelectionChanged(const NMLISTVIEW& change)
{
    if (!(change.uChanged & LVIF_STATE) || !((change.uOldState ^ change.uNewState) & LVIS_SELECTED)) return;
    if (CurrentWorker() != Worker::None || RunningFlag() != 2 || !hives_ || !hives_->IsValidIndex(change.iItem))
        return;
    HiveItem* hive = hives_->At(change.iItem);
    if (change.uNewState & LVIS_SELECTED)
        hive->flags |= 4;
    else
        hive->flags &= ~4;
    if (g_engine && g_engine->UpdateDefragItem) g_engine->UpdateDefragItem(hive);
}

bool CDefragChildWnd::OnTimer(UINT_PTR id)
{
    if (id != kPaintTimer) return false;
    if (map_.TakeDirty()) InvalidateRect(hwnd_, &map_.Rect(), FALSE);
    if (status_.Pending() > 0) InvalidateRect(hwnd_, &statusRect_, FALSE);
    return true;
}

bool CDefragChildWnd::OnNotify(const NMHDR& hdr)
{
    if (hdr.hwndFrom != list_.Hwnd() || hdr.code != LVN_ITEMCHANGED) return false;
    OnSelectionChanged(reinterpret_cast<const NMLISTVIEW&>(hdr));
    return true;
}

LRESULT CDefragChildWnd::HandleMessage(UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == WM_DESTROY) KillTimer(hwnd_, kPaintTimer);
    return CPageBase::HandleMessage(msg, wp, lp);
}

std::vector<ShownText> CDefragChildWnd::Texts() const
{
    std::vector<ShownText> texts = CPageBase::Texts();
    for (ShownText& label : map_.LegendTexts(legendFont_.get(), Scaled())) texts.push_back(std::move(label));
    return texts;
}

void CDefragChildWnd::PaintPage(HDC dc, const RECT& client)
{
    SetThreadExecutionState(ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
    CPageBase::PaintPage(dc, client);
    map_.Paint(dc);
    map_.PaintLegendSquares(dc, legendFont_.get(), Scaled());
    // One waiting text per paint that shows the status line.
    RECT clip{}, shown{};
    if (GetClipBox(dc, &clip) == NULLREGION || IntersectRect(&shown, &clip, &statusRect_)) status_.TakeForPaint();
    ShownText status;
    status.text = status_.Current();
    status.rect = statusRect_;
    status.font = StatusFont();
    status.format = DT_LEFT | DT_WORDBREAK | DT_NOPREFIX;
    DrawShownText(dc, status);
}

}  // namespace ui
