#include "ToolFactsDetect.h"

#include <windows.h>

#include "TamselVersion.h"

namespace cli {
namespace {

using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
using WineGetVersionFn = const char*(CDECL*)();

bool IsWow64()
{
    auto isWow64 = reinterpret_cast<IsWow64ProcessFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "IsWow64Process")));
    BOOL wow64 = FALSE;
    return isWow64 && isWow64(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring Widen(const char* text)
{
    std::wstring wide;
    for (; text && *text; ++text) wide += static_cast<wchar_t>(static_cast<unsigned char>(*text));
    return wide;
}

}  // namespace

ToolFacts DetectToolFacts()
{
    ToolFacts facts;
    facts.version = Widen(TAMSEL_VERSION_STR);
    facts.x64Build = sizeof(void*) == 8;
    facts.windows64 = facts.x64Build || IsWow64();
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto wineVersion = reinterpret_cast<WineGetVersionFn>(
        reinterpret_cast<void*>(ntdll ? GetProcAddress(ntdll, "wine_get_version") : nullptr));
    if (wineVersion) {
        facts.underWine = true;
        facts.wineVersion = Widen(wineVersion());
    }
    return facts;
}

}  // namespace cli
