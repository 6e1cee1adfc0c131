// What the running system is. Two facts, because they answer different
// questions: whether the registry has a 64-bit and a 32-bit view (64-bit
// Windows), and whether this process is a 32-bit one under WOW64 (only then do
// the file-system redirection switches exist for it).
#pragma once

#include <windows.h>

using Wow64DisableFn = BOOL(WINAPI*)(PVOID* oldValue);
using Wow64RevertFn = BOOL(WINAPI*)(PVOID oldValue);

struct SystemFacts {
    bool is64BitWindows = false;
    bool isWow64Process = false;
    Wow64DisableFn disableRedirection = nullptr;
    Wow64RevertFn revertRedirection = nullptr;

    static SystemFacts Detect();
};
