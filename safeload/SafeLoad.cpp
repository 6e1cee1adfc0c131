#include "SafeLoad.h"

namespace safeload {
namespace {

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);

// Looked up, not imported: the program must still start where it is missing.
SetDefaultDllDirectoriesFn SetDefaultDirs()
{
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    return kernel ? reinterpret_cast<SetDefaultDllDirectoriesFn>(
                        reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")))
                  : nullptr;
}

bool g_restricted = false;

}  // namespace

bool RestrictDllSearch()
{
    SetDllDirectoryW(L"");  // the current folder out of the search, also where the call below is missing
    SetDefaultDllDirectoriesFn set = SetDefaultDirs();
    g_restricted = set && set(LOAD_LIBRARY_SEARCH_APPLICATION_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    return g_restricted;
}

std::wstring ProgramFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return std::wstring();
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

HMODULE LoadFromFolder(const std::wstring& folder, const wchar_t* name)
{
    const std::wstring dir = folder.empty() ? ProgramFolder() : folder;
    if (dir.empty()) return nullptr;
    std::wstring full = dir;
    if (full.back() != L'\\' && full.back() != L'/') full += L'\\';
    full += name;
    // With the restricted search the DLL's imports come from the program's
    // folder and System32; without it, from the DLL's own folder first.
    return LoadLibraryExW(full.c_str(), nullptr,
                          g_restricted ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS
                                       : LOAD_WITH_ALTERED_SEARCH_PATH);
}

HMODULE LoadSystemLibrary(const wchar_t* name)
{
    if (HMODULE m = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) return m;
    // Systems without the search flags refuse them as an invalid parameter:
    // name System32 in full instead.
    if (GetLastError() != ERROR_INVALID_PARAMETER) return nullptr;
    wchar_t system[MAX_PATH] = L"";
    const UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    const std::wstring full = std::wstring(system) + L"\\" + name;
    return LoadLibraryExW(full.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace safeload
