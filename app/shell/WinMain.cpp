#include <windows.h>

#include "safeload/SafeLoad.h"
#include "shell/App.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int)
{
    safeload::RestrictDllSearch();
    ui::CKelvuApp app;
    return app.Run(commandLine ? commandLine : L"");
}
