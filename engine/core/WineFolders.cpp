#include "core/WineFolders.h"

#include <windows.h>

#include <vector>

namespace wine {

bool IsRunningUnderWine()
{
    static const bool wine = [] {
        HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
        return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
    }();
    return wine;
}

std::wstring FontFolder()
{
    if (!IsRunningUnderWine()) return std::wstring();
    // Wine gives its programs WINEDATADIR as an NT path: "\??\Z:\usr\share\wine".
    std::vector<wchar_t> value(32768);
    const DWORD n = GetEnvironmentVariableW(L"WINEDATADIR", value.data(), static_cast<DWORD>(value.size()));
    if (n == 0 || n >= value.size()) return std::wstring();
    std::wstring folder(value.data(), n);
    if (folder.rfind(L"\\??\\", 0) == 0) folder.erase(0, 4);
    if (folder.size() < 3 || folder[1] != L':') return std::wstring();
    if (folder.back() == L'\\') folder.pop_back();
    return folder + L"\\fonts";
}

}  // namespace wine
