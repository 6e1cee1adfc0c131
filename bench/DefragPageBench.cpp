// The defrag page's full map paint on the simulated 2 TiB volume: a map
// redraw started by the page (its resize) until the redraw's last report,
// with the page current in the real main window, against the engine's map
// walk with a callback that only counts the ranges, over the same volume in
// the same run. Prints figures only. Needs a display (Xvfb).
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <memory>

#include "BenchVolume.h"
#include "controls/ImageCache.h"
#include "core/Callbacks.h"
#include "defrag/DefragOps.h"
#include "defrag/DefragState.h"
#include "pages/DefragChildWnd.h"
#include "shell/EngineBinding.h"
#include "shell/MainDlg.h"
#include "shell/UiCallbacks.h"
#include "shell/UiThread.h"

namespace {

uint64_t g_ranges = 0;
void CORVEX_CALL CountRange(uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t, int) { ++g_ranges; }

double Seconds(std::chrono::steady_clock::time_point since)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

template <class Done>
bool PumpUntil(Done done, DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return true;
}

}  // namespace

int wmain()
{
    vol::SimVolume sim(bench::kTotal, 4096);
    bench::FillVolume(sim);

    // The analysis opens the simulated volume and finds no hive.
    defrag::Seams seams;
    seams.hivelistRoot = HKEY_CURRENT_USER;
    seams.hivelistPath = L"Software\\Tamsel bench\\no hivelist";
    seams.openVolume = [&sim](const std::wstring&, uint32_t*) { return std::make_unique<bench::VolumeProxy>(sim); };
    defrag::SetSeams(&seams);

    EngineFunctionTable* engine = nullptr;
    toEngineInitGetUIInterface(ui::CallbackTable(), &engine);
    ui::g_engine = engine;
    ui::ImageCache cache;
    ui::g_imageCache = &cache;
    if (!ui::StartUiThreadDispatch()) return 1;
    ui::MainDlgOptions o;
    o.bindEngine = false;
    o.trayIcon = false;
    o.quitOnDestroy = false;
    auto dlg = std::make_unique<ui::CKelvuDlg>(o);
    ui::g_mainDlg = dlg.get();
    if (!dlg->Create()) return 1;
    ShowWindow(dlg->Hwnd(), SW_SHOW);
    auto* page = static_cast<ui::CDefragChildWnd*>(dlg->Page(ui::kDefragPage));
    auto idle = [&] { return page->CurrentWorker() == ui::CDefragChildWnd::Worker::None; };

    auto t0 = std::chrono::steady_clock::now();
    dlg->ShowPage(page);
    if (!PumpUntil(idle, 600000)) return 2;
    const double analysis = Seconds(t0);

    // A resize makes the idle page redraw the whole map (StartMapRedraw to
    // OnDefragIdle); the surface is recreated first.
    RECT r{};
    GetClientRect(page->Hwnd(), &r);
    t0 = std::chrono::steady_clock::now();
    SetWindowPos(page->Hwnd(), nullptr, 0, 0, r.right, r.bottom - 1, SWP_NOMOVE | SWP_NOZORDER);
    if (page->CurrentWorker() != ui::CDefragChildWnd::Worker::Redraw) return 3;
    if (!PumpUntil(idle, 600000)) return 4;
    const double pageMap = Seconds(t0);

    // The engine's walk alone, reporting to a counter.
    UiCallbackTable counting{};
    counting.OnDefragDrawRange = CountRange;
    ui::SetTable(&counting);
    defrag::DefragContext* ctx = defrag::Context();
    if (!ctx) return 5;
    t0 = std::chrono::steady_clock::now();
    defrag::DrawVolumeMap(*ctx, false);
    const double walk = Seconds(t0);
    ui::SetTable(ui::CallbackTable());

    std::printf("clusters %llu, map ranges %llu, map %ld x %ld pixels\n",
                static_cast<unsigned long long>(bench::kTotal), static_cast<unsigned long long>(g_ranges),
                page->MapRect().right - page->MapRect().left, page->MapRect().bottom - page->MapRect().top);
    std::printf("analysis on entry            %.4f s\n", analysis);
    std::printf("DrawVolumeMap, counting      %.4f s\n", walk);
    std::printf("page map redraw (to idle)    %.4f s  ratio %.2f (target at most 3)\n", pageMap, pageMap / walk);

    dlg->ShowPage(dlg->Page(ui::kMainPage));
    DestroyWindow(dlg->Hwnd());
    ui::g_mainDlg = nullptr;
    dlg.reset();
    ui::StopUiThreadDispatch();
    ui::g_imageCache = nullptr;
    defrag::SetSeams(nullptr);
    return 0;
}
