// Corvex.dll: a thin wrapper around the engine library. Work starts at the
// first table call, never here.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID)
{
    return TRUE;
}
