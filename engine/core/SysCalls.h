// The registry and file-system calls of the scan and the fix measure, each
// a plain inline call. In the benchmark's counting build of the engine
// (TAMSEL_CALL_COUNTS defined) every call is also counted, and the counts
// are written to the file the environment variable TAMSEL_CALL_COUNTS
// names when the process ends.
#pragma once

#include <windows.h>

namespace sys {

enum class Call {
    RegOpenKeyExW,
    RegQueryInfoKeyW,
    RegEnumKeyExW,
    RegEnumValueW,
    RegQueryValueExW,
    FindFirstFileW,
    FindNextFileW,
    GetFileAttributesW,
    ShellLinkLoad,
    kCount
};

#ifdef TAMSEL_CALL_COUNTS
void Count(Call call);
#else
inline void Count(Call) {}
#endif

inline LONG OpenKey(HKEY key, const wchar_t* subKey, REGSAM access, HKEY* result)
{
    Count(Call::RegOpenKeyExW);
    return RegOpenKeyExW(key, subKey, 0, access, result);
}

inline LONG QueryKeyCounts(HKEY key, DWORD* subKeys, DWORD* values)
{
    Count(Call::RegQueryInfoKeyW);
    return RegQueryInfoKeyW(key, nullptr, nullptr, nullptr, subKeys, nullptr, nullptr, values, nullptr, nullptr,
                            nullptr, nullptr);
}

inline LONG EnumKey(HKEY key, DWORD index, wchar_t* name, DWORD* length)
{
    Count(Call::RegEnumKeyExW);
    return RegEnumKeyExW(key, index, name, length, nullptr, nullptr, nullptr, nullptr);
}

inline LONG EnumValue(HKEY key, DWORD index, wchar_t* name, DWORD* length, DWORD* type, BYTE* data, DWORD* size)
{
    Count(Call::RegEnumValueW);
    return RegEnumValueW(key, index, name, length, nullptr, type, data, size);
}

inline LONG QueryValue(HKEY key, const wchar_t* name, DWORD* type, BYTE* data, DWORD* size)
{
    Count(Call::RegQueryValueExW);
    return RegQueryValueExW(key, name, nullptr, type, data, size);
}

inline HANDLE FindFirst(const wchar_t* pattern, WIN32_FIND_DATAW* data)
{
    Count(Call::FindFirstFileW);
    return FindFirstFileW(pattern, data);
}

inline BOOL FindNext(HANDLE search, WIN32_FIND_DATAW* data)
{
    Count(Call::FindNextFileW);
    return FindNextFileW(search, data);
}

inline DWORD FileAttributes(const wchar_t* path)
{
    Count(Call::GetFileAttributesW);
    return GetFileAttributesW(path);
}

}  // namespace sys
