#include "Interrupt.h"

#include <windows.h>

#include <string>

#include "Console.h"

namespace cli {
namespace {

// One operation at a time; the handlers run on threads of their own.
std::atomic<EngineFunctionTable*> g_engine{nullptr};
std::atomic<bool> g_canStop{false};
std::atomic<bool> g_interrupted{false};
std::atomic<bool> g_told{false};
// True from the start of the operation until its session window is gone, so
// the window never answers a query with "go ahead" (the process ends soon
// after the operation; a late refusal only shows Windows the reason once).
std::atomic<bool> g_holding{false};
const wchar_t* g_what = L"";
HANDLE g_done = nullptr;          // set when the operation has ended
HANDLE g_windowThread = nullptr;
std::atomic<DWORD> g_windowThreadId{0};

// Asks the engine to stop where it can, and says once what happens now.
void RequestStop()
{
    g_interrupted = true;
    EngineFunctionTable* engine = g_engine.load();
    if (engine && g_canStop) engine->SetStopFlag(1);
    if (g_told.exchange(true)) return;
    PrintError(g_canStop ? std::wstring(L"stopping the ") + g_what + L" after the current item"
                         : std::wstring(L"finishing the ") + g_what +
                               L" first: stopping it half-way would leave it half done");
}

// Holds the process until the operation has ended: Windows ends it when the
// handler returns (or after its own time limit, which nothing can prevent).
void WaitForTheEnd()
{
    if (g_done) WaitForSingleObject(g_done, INFINITE);
}

BOOL WINAPI OnConsoleEvent(DWORD event)
{
    if (!g_engine.load()) return FALSE;
    RequestStop();
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;  // the command goes on to its end
    WaitForTheEnd();
    return TRUE;
}

// A console program that uses user32 gets the log-off and shutdown as
// window messages, not as console events.
LRESULT CALLBACK SessionProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    switch (msg) {
    case WM_QUERYENDSESSION:
        if (!g_holding.load()) return TRUE;
        ShutdownBlockReasonCreate(hwnd, (std::wstring(L"Tamsel is running a registry ") + g_what +
                                         L"; it must end before Windows does.")
                                            .c_str());
        return FALSE;
    case WM_ENDSESSION:
        if (wp && g_engine.load()) {
            RequestStop();
            WaitForTheEnd();
        }
        return 0;
    default:
        return DefWindowProcW(hwnd, msg, wp, lp);
    }
}

DWORD WINAPI SessionThread(LPVOID ready)
{
    WNDCLASSW wc{};
    wc.lpfnWndProc = SessionProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = kSessionWindowClass;
    RegisterClassW(&wc);
    // Top-level and hidden: a message-only window gets no session messages.
    HWND hwnd = CreateWindowExW(0, kSessionWindowClass, L"TamselCli", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                wc.hInstance, nullptr);
    SetEvent(static_cast<HANDLE>(ready));
    if (!hwnd) return 0;
    MSG m;
    while (GetMessageW(&m, nullptr, 0, 0) > 0) DispatchMessageW(&m);
    ShutdownBlockReasonDestroy(hwnd);
    DestroyWindow(hwnd);
    return 0;
}

}  // namespace

InterruptGuard::InterruptGuard(EngineFunctionTable& engine, const wchar_t* what, bool canStop)
{
    g_what = what;
    g_canStop = canStop;
    g_interrupted = false;
    g_told = false;
    // Made once and kept: a handler may still be returning from its wait
    // when the next operation starts.
    if (!g_done) g_done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (g_done) ResetEvent(g_done);
    g_engine = &engine;
    g_holding = true;
    SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    DWORD id = 0;
    g_windowThread = CreateThread(nullptr, 0, SessionThread, ready, 0, &id);
    g_windowThreadId = id;
    if (g_windowThread && ready) WaitForSingleObject(ready, 5000);
    if (ready) CloseHandle(ready);
}

InterruptGuard::~InterruptGuard()
{
    g_engine = nullptr;
    if (g_done) SetEvent(g_done);
    if (g_windowThread) {
        PostThreadMessageW(g_windowThreadId, WM_QUIT, 0, 0);
        WaitForSingleObject(g_windowThread, 5000);
        CloseHandle(g_windowThread);
        g_windowThread = nullptr;
    }
    g_holding = false;
    SetConsoleCtrlHandler(OnConsoleEvent, FALSE);
}

bool InterruptGuard::Interrupted() const
{
    return g_interrupted.load();
}

}  // namespace cli
