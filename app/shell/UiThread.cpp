#include "shell/UiThread.h"

#include <atomic>

#include "shell/Messages.h"

namespace ui {
namespace {

std::atomic<HWND> g_dispatch{nullptr};
std::atomic<DWORD> g_uiThreadId{0};

LRESULT CALLBACK DispatchProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp)
{
    if (msg == kMsgRunOnUi) {
        (*reinterpret_cast<const std::function<void()>*>(lp))();
        return 1;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

bool StartUiThreadDispatch()
{
    if (g_dispatch.load()) return true;
    HINSTANCE inst = GetModuleHandleW(nullptr);
    WNDCLASSW wc{};
    wc.lpfnWndProc = &DispatchProc;
    wc.hInstance = inst;
    wc.lpszClassName = L"TamselUiDispatch";
    RegisterClassW(&wc);
    HWND h = CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, inst, nullptr);
    if (!h) return false;
    g_uiThreadId = GetCurrentThreadId();
    g_dispatch = h;
    return true;
}

void StopUiThreadDispatch()
{
    HWND h = g_dispatch.exchange(nullptr);
    if (h) DestroyWindow(h);
    g_uiThreadId = 0;
}

bool IsUiThread() { return g_uiThreadId.load() == GetCurrentThreadId(); }

bool RunOnUiThread(const std::function<void()>& work)
{
    if (IsUiThread()) {
        work();
        return true;
    }
    HWND h = g_dispatch.load();
    if (!h) return false;
    return SendMessageW(h, kMsgRunOnUi, 0, reinterpret_cast<LPARAM>(&work)) == 1;
}

}  // namespace ui
