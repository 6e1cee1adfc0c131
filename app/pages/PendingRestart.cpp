#include "pages/PendingRestart.h"

#include "pages/MessageBox.h"
#include "shell/EngineBinding.h"

namespace ui {

bool RestartPending()
{
    return g_engine && g_engine->GetPendingCompaction && g_engine->GetPendingCompaction() != 0;
}

bool RefuseWhileRestartPending(HWND owner)
{
    if (!RestartPending()) return false;
    RunStandardBox(owner, kRestartFirstText, L"Tamsel", MB_OK | MB_ICONWARNING);
    return true;
}

}  // namespace ui
