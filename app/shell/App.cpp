#include "shell/App.h"

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <memory>

#include "controls/ImageCache.h"
#include "shell/EngineBinding.h"
#include "shell/MainDlg.h"
#include "shell/UiThread.h"

namespace ui {
namespace {

class KernelHandle {
public:
    explicit KernelHandle(HANDLE h) : h_(h) {}
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    ~KernelHandle()
    {
        if (h_) CloseHandle(h_);
    }

private:
    HANDLE h_;
};

class ComScope {
public:
    ComScope() : ok_(SUCCEEDED(CoInitialize(nullptr))) {}
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    ~ComScope()
    {
        if (ok_) CoUninitialize();
    }

private:
    bool ok_;
};

void RunModalLoop(CKelvuDlg& dlg)
{
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (dlg.PreTranslate(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

}  // namespace

int CKelvuApp::Run(const std::wstring& commandLine)
{
    KernelHandle mutex(CreateMutexW(nullptr, FALSE, kSingleInstanceMutex));
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        MessageBoxW(nullptr, L"The application is running!", L"Tamsel", MB_OK);
        return 0;
    }
    INITCOMMONCONTROLSEX icc{sizeof(icc), 0xFF};
    InitCommonControlsEx(&icc);
    ComScope com;
    StartUiThreadDispatch();

    auto cache = std::make_unique<ImageCache>();
    g_imageCache = cache.get();

    MainDlgOptions options;
    options.commandLine = commandLine;
    auto dlg = std::make_unique<CKelvuDlg>(options);
    g_mainDlg = dlg.get();
    if (dlg->Create()) {
        ShowWindow(dlg->Hwnd(), SW_SHOW);
        UpdateWindow(dlg->Hwnd());
        RunModalLoop(*dlg);
    }

    if (g_engine && g_engine->ReleaseEngine) g_engine->ReleaseEngine();
    g_mainDlg = nullptr;
    StopUiThreadDispatch();
    dlg.reset();
    g_imageCache = nullptr;
    cache.reset();
    return 0;
}

}  // namespace ui
