/* A DLL planted where no DLL may be taken from (the current folder, PATH).
   Loading it leaves "<its own path>.loaded" beside it. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        WCHAR path[MAX_PATH + 8];
        DWORD n = GetModuleFileNameW(instance, path, MAX_PATH);
        if (n > 0 && n < MAX_PATH) {
            lstrcatW(path, L".loaded");
            HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
            if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
        }
    }
    return TRUE;
}

/* The engine's export name, so a program that took it would go on to call it. */
__declspec(dllexport) void* toEngineInitGetUIInterface(void* callbacks, void** out)
{
    if (out) *out = NULL;
    return callbacks;
}
