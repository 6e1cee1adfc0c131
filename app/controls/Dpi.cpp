#include "controls/Dpi.h"

#include "controls/Gdi.h"

namespace ui {

int SystemDpi()
{
    gdi::WindowDC screen(nullptr);
    const int dpi = screen.get() ? GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? dpi : layout::kDesignDpi;
}

int WindowDpi(HWND hwnd)
{
    // Windows 10 1607 and later; older systems have one DPI for all.
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    if (getDpiForWindow && hwnd) {
        const UINT dpi = getDpiForWindow(hwnd);
        if (dpi > 0) return static_cast<int>(dpi);
    }
    return SystemDpi();
}

}  // namespace ui
