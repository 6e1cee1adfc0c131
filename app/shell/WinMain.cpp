#include <windows.h>

#include "shell/App.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int)
{
    ui::CKelvuApp app;
    return app.Run(commandLine ? commandLine : L"");
}
