#include "core/SystemFacts.h"

SystemFacts SystemFacts::Detect()
{
    SystemFacts facts;
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
    auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "IsWow64Process")));
    BOOL wow = FALSE;
    if (isWow64 && isWow64(GetCurrentProcess(), &wow) && wow) facts.isWow64Process = true;
#ifdef _WIN64
    facts.is64BitWindows = true;
#else
    facts.is64BitWindows = facts.isWow64Process;
#endif
    facts.disableRedirection = reinterpret_cast<Wow64DisableFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64DisableWow64FsRedirection")));
    facts.revertRedirection = reinterpret_cast<Wow64RevertFn>(
        reinterpret_cast<void*>(GetProcAddress(kernel, "Wow64RevertWow64FsRedirection")));
    return facts;
}
