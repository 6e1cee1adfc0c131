// Each callback acts only when its target page is the current page. Window
// work runs on the UI thread while the worker waits; progress texts, and the
// defrag map ranges and status texts, only go into the page's own stores on
// the worker thread. A worker's final callback always counts it as finished
// and always sets the idle event, so closing never waits on a report that
// was dropped because the user had left the page. A map redraw ends with
// OnDefragIdle, which the defrag page counts; that page stays current while
// its worker runs, since leaving it waits for the worker.
#include "shell/UiCallbacks.h"

#include <cwctype>

#include "shell/ChildWnd.h"
#include "shell/EngineBinding.h"
#include "shell/MainDlg.h"
#include "shell/ProgressTextQueue.h"
#include "shell/UiThread.h"

namespace ui {
namespace {

// The target page when it is current, else null. Reads single words that
// only the UI thread writes.
CMyChildWnd* CurrentTarget(int id)
{
    CKelvuDlg* dlg = g_mainDlg;
    if (!dlg) return nullptr;
    CMyChildWnd* page = dlg->Page(id);
    return page && page == dlg->CurrentPage() ? page : nullptr;
}

template <class F>
void OnPage(int id, F action)
{
    RunOnUiThread([&] {
        if (CMyChildWnd* page = CurrentTarget(id)) action(*page);
    });
}

bool IsClearMarker(const std::wstring& text, int count)
{
    if (count != 0 || text.size() != 4) return false;
    for (size_t i = 0; i < 4; ++i)
        if (std::towupper(text[i]) != L"TCTC"[i]) return false;
    return true;
}

void AppendProgress(int id, const std::wstring* text, bool allowClear, int count)
{
    CMyChildWnd* page = CurrentTarget(id);
    ProgressTextQueue* queue = page ? page->ProgressQueue() : nullptr;
    if (!queue) return;
    static const std::wstring kNone;
    const std::wstring& t = text ? *text : kNone;  // one report per examined item: no copy
    if (allowClear && IsClearMarker(t, count))
        queue->Clear();
    else
        queue->Append(t);
}

void WorkerDone()
{
    if (CKelvuDlg* dlg = g_mainDlg) dlg->Workers().Finished();
}

void SetIdle()
{
    if (CKelvuDlg* dlg = g_mainDlg) dlg->SetScanIdle();
}

void CORVEX_CALL OnScanStarted()
{
    OnPage(kScanPage, [](CMyChildWnd& p) { p.OnScanStarted(g_engine ? g_engine->GetScanCategories() : nullptr); });
}
// Before a row shows its final status, every queued text gets painted.
void DrainProgress(int id)
{
    CMyChildWnd* page = CurrentTarget(id);
    ProgressTextQueue* queue = page ? page->ProgressQueue() : nullptr;
    if (queue && !IsUiThread()) queue->DrainWait(g_mainDlg->Hwnd());
}

// The engine's scan threads wait while a callback runs, so only a finished
// category waits for its texts to be painted; a begun one shows at once.
bool CategoryDone(int index)
{
    const PtrArray<XMLElement>* list = g_engine && g_engine->GetScanCategories ? g_engine->GetScanCategories() : nullptr;
    return list && list->IsValidIndex(index) && list->At(index)->scanState == 2;
}

void CORVEX_CALL OnScanCategory(int index)
{
    if (CategoryDone(index)) DrainProgress(kScanPage);
    OnPage(kScanPage, [&](CMyChildWnd& p) { p.OnScanCategory(index); });
}
void CORVEX_CALL OnScanItem(const std::wstring* text, int count) { AppendProgress(kScanPage, text, true, count); }
void CORVEX_CALL OnScanFinished(int)
{
    SetIdle();
    OnPage(kScanPage, [](CMyChildWnd&) {
        if (!g_mainDlg->IsClosing()) g_mainDlg->ShowPage(g_mainDlg->Page(kSelectPage));
    });
    WorkerDone();
}
void CORVEX_CALL OnFixProgress(int index)
{
    DrainProgress(kCleanPage);
    OnPage(kCleanPage, [&](CMyChildWnd& p) { p.OnFixProgress(index); });
}
void CORVEX_CALL OnFixItem(const std::wstring* text, int) { AppendProgress(kCleanPage, text, false, 1); }
void CORVEX_CALL OnFixFinished(int result)
{
    SetIdle();
    OnPage(kCleanPage, [&](CMyChildWnd& p) {
        if (!g_mainDlg->IsClosing()) p.OnFixFinished(result);
    });
    WorkerDone();
}
void CORVEX_CALL OnBackupFinished(int kind)
{
    OnPage(kind == 0 ? kBackupPage : kCleanPage, [&](CMyChildWnd& p) {
        if (!g_mainDlg->IsClosing()) p.OnBackupFinished(kind);
    });
    WorkerDone();
}
void CORVEX_CALL OnRestoreFinished(const std::wstring*)
{
    OnPage(kBackupPage, [](CMyChildWnd& p) {
        g_mainDlg->EnableButton(kCmdFullBackup, true);
        g_mainDlg->EnableButton(kCmdMainMenu, true);
        p.OnRestoreFinished();
    });
    WorkerDone();
}
void CORVEX_CALL OnDefragPhase(int) {}
void CORVEX_CALL OnDefragItem(int hive, int kind)
{
    OnPage(kDefragPage, [&](CMyChildWnd& p) { p.OnDefragItem(hive, kind); });
}
void CORVEX_CALL OnDefragDetail(int, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t,
                                uint32_t)
{
}
void CORVEX_CALL OnDefragDrawRange(uint32_t totalLo, uint32_t totalHi, uint32_t firstLo, uint32_t firstHi,
                                   uint32_t endLo, uint32_t endHi, int colour)
{
    auto wide = [](uint32_t lo, uint32_t hi) { return (static_cast<uint64_t>(hi) << 32) | lo; };
    if (CMyChildWnd* page = CurrentTarget(kDefragPage))
        page->OnDefragDrawRange(wide(totalLo, totalHi), wide(firstLo, firstHi), wide(endLo, endHi), colour);
}
void CORVEX_CALL OnDefragClearMap()
{
    if (CMyChildWnd* page = CurrentTarget(kDefragPage)) page->OnDefragClearMap();
}
void CORVEX_CALL OnDefragStatusText(const std::wstring* text)
{
    if (CMyChildWnd* page = CurrentTarget(kDefragPage)) page->OnDefragStatusText(text ? *text : std::wstring());
}
void CORVEX_CALL OnDefragFinished(int phase, int result)
{
    if (CMyChildWnd* page = CurrentTarget(kDefragPage); page && !IsUiThread()) page->DrainDefragStatus();
    OnPage(kDefragPage, [&](CMyChildWnd& p) { p.OnDefragFinished(phase, result); });
    WorkerDone();
}
void CORVEX_CALL OnDefragBusy()
{
    OnPage(kDefragPage, [](CMyChildWnd& p) { p.OnDefragBusy(); });
}
void CORVEX_CALL OnDefragIdle(PtrArray<HiveItem>*)
{
    bool ended = false;
    OnPage(kDefragPage, [&](CMyChildWnd& p) { ended = p.OnDefragIdle(); });
    if (ended) WorkerDone();
}

UiCallbackTable g_callbacks = {
    OnScanStarted,  OnScanCategory,    OnScanItem,       OnScanFinished,     OnFixProgress, OnFixItem,
    OnFixFinished,  OnBackupFinished,  OnRestoreFinished, OnDefragPhase,     OnDefragItem,  OnDefragDetail,
    OnDefragDrawRange, OnDefragClearMap, OnDefragStatusText, OnDefragFinished, OnDefragBusy, OnDefragIdle,
};

}  // namespace

UiCallbackTable* CallbackTable() { return &g_callbacks; }

}  // namespace ui
