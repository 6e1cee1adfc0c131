// TamselWindowBench: one scan run from the program's scan page, as a user
// starts it from the main menu, in the current folder's settings.
//   TamselWindowBench [ROUNDS]
// Prints per round "ms=N problems=N started=N scanned=N shown=N threads=N"
// (from the scan page's start until the selection page is current; of that,
// until OnScanStarted, until OnScanFinished, and from OnScanFinished until
// the selection page was current and filled) and at the end "peak=N".
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
// psapi.h needs the types of windows.h.
#include <psapi.h>

#include <cstdio>
#include <cwchar>
#include <memory>

#include "controls/ImageCache.h"
#include "shell/EngineBinding.h"
#include "shell/MainDlg.h"
#include "shell/UiCallbacks.h"
#include "shell/UiThread.h"

namespace {

// When the scan callbacks arrived: the program's own handlers run as
// always, after the time is taken.
LARGE_INTEGER g_started{};
LARGE_INTEGER g_finished{};
void(CORVEX_CALL* g_onStarted)() = nullptr;
void(CORVEX_CALL* g_onFinished)(int) = nullptr;
void CORVEX_CALL TimedStarted()
{
    QueryPerformanceCounter(&g_started);
    g_onStarted();
}
void CORVEX_CALL TimedFinished(int stopped)
{
    QueryPerformanceCounter(&g_finished);
    g_onFinished(stopped);
}

unsigned long long PeakWorkingSet()
{
    PROCESS_MEMORY_COUNTERS pmc{};
    pmc.cb = sizeof pmc;
    return GetProcessMemoryInfo(GetCurrentProcess(), &pmc, sizeof pmc) ? pmc.PeakWorkingSetSize : 0;
}

// Pumps messages until the selection page is current or the window is gone.
bool PumpUntilSelectPage(ui::CKelvuDlg& dlg, DWORD timeoutMs)
{
    const ULONGLONG end = GetTickCount64() + timeoutMs;
    while (GetTickCount64() < end) {
        if (dlg.Closed()) return false;
        if (dlg.CurrentPage() == dlg.Page(ui::kSelectPage)) return true;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    return false;
}

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    const int rounds = argc > 1 ? _wtoi(argv[1]) : 1;
    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    InitCommonControlsEx(&icc);
    if (FAILED(CoInitialize(nullptr))) return 2;
    ui::StartUiThreadDispatch();
    auto cache = std::make_unique<ui::ImageCache>();
    ui::g_imageCache = cache.get();
    ui::MainDlgOptions options;
    options.trayIcon = false;
    options.quitOnDestroy = false;
    UiCallbackTable* callbacks = ui::CallbackTable();
    g_onStarted = callbacks->OnScanStarted;
    g_onFinished = callbacks->OnScanFinished;
    callbacks->OnScanStarted = &TimedStarted;
    callbacks->OnScanFinished = &TimedFinished;
    auto dlg = std::make_unique<ui::CKelvuDlg>(options);
    ui::g_mainDlg = dlg.get();
    int rc = 0;
    if (!dlg->Create()) {
        std::fprintf(stderr, "TamselWindowBench: the main window or the engine is missing\n");
        rc = 2;
    } else {
        ShowWindow(dlg->Hwnd(), SW_SHOW);
        UpdateWindow(dlg->Hwnd());
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        for (int i = 0; i < rounds && rc == 0; ++i) {
            dlg->ShowPage(dlg->Page(ui::kMainPage));
            LARGE_INTEGER t0, t1;
            QueryPerformanceCounter(&t0);
            dlg->ShowPage(dlg->Page(ui::kScanPage));
            if (!PumpUntilSelectPage(*dlg, 1800 * 1000)) {
                std::fprintf(stderr, "TamselWindowBench: the scan did not end\n");
                rc = 2;
                break;
            }
            QueryPerformanceCounter(&t1);
            auto ms = [&](const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
                return static_cast<long long>((b.QuadPart - a.QuadPart) * 1000 / f.QuadPart);
            };
            std::printf("ms=%lld problems=%d started=%lld scanned=%lld shown=%lld threads=%d\n", ms(t0, t1),
                        ui::g_engine->GetProblemCount(), ms(t0, g_started), ms(t0, g_finished), ms(g_finished, t1),
                        ui::g_engine->GetScanThreads ? ui::g_engine->GetScanThreads() : 0);
            std::fflush(stdout);
        }
        std::printf("peak=%llu\n", PeakWorkingSet());
        DestroyWindow(dlg->Hwnd());
    }
    if (ui::g_engine && ui::g_engine->ReleaseEngine) ui::g_engine->ReleaseEngine();
    ui::g_mainDlg = nullptr;
    ui::StopUiThreadDispatch();
    dlg.reset();
    ui::g_imageCache = nullptr;
    cache.reset();
    CoUninitialize();
    return rc;
}
