#include "support/ProgramWindow.h"

#include "app/AppTestEnv.h"
#include "shell/EngineBinding.h"
#include "shell/UiThread.h"

namespace testenv {

ProgramWindow::ProgramWindow(const std::wstring& tag) : folder_(tag)
{
    copied_ = CopyDeliverables(folder_.path());
    if (copied_) engine_ = LoadLibraryW(folder_.File(L"Corvex.dll").c_str());
    dispatching_ = ui::StartUiThreadDispatch();
    ui::g_imageCache = &cache_;
}

ProgramWindow::~ProgramWindow()
{
    Close();
    if (ui::g_engine && ui::g_engine->ReleaseEngine) ui::g_engine->ReleaseEngine();
    ui::g_engine = nullptr;
    if (dispatching_) ui::StopUiThreadDispatch();
    ui::g_imageCache = nullptr;
}

ui::CKelvuDlg* ProgramWindow::Open()
{
    Close();
    ui::MainDlgOptions o;
    o.trayIcon = false;
    o.quitOnDestroy = false;
    o.folder = folder_.path();
    dlg_ = std::make_unique<ui::CKelvuDlg>(o);
    ui::g_mainDlg = dlg_.get();
    if (!dlg_->Create()) {
        Close();
        return nullptr;
    }
    ShowWindow(dlg_->Hwnd(), SW_SHOW);
    apptest::Pump(100);
    return dlg_.get();
}

void ProgramWindow::Close()
{
    if (dlg_ && !dlg_->Closed()) DestroyWindow(dlg_->Hwnd());
    ui::g_mainDlg = nullptr;
    dlg_.reset();
}

}  // namespace testenv
