#include "shell/SettingsFile.h"

#include <windows.h>

#include <vector>

namespace ui {
namespace {

std::wstring FullPath(const wchar_t* file)
{
    const DWORD n = GetFullPathNameW(file, 0, nullptr, nullptr);
    if (n == 0) return std::wstring();
    std::vector<wchar_t> buf(n + 1);
    const DWORD m = GetFullPathNameW(file, n + 1, buf.data(), nullptr);
    return m == 0 || m > n ? std::wstring() : std::wstring(buf.data(), m);
}

bool Flushed(const std::wstring& file)
{
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    const bool ok = FlushFileBuffers(h) != FALSE;
    CloseHandle(h);
    return ok;
}

bool WriteCopy(const std::wstring& target, const std::wstring& copy, const wchar_t* section, const wchar_t* key,
               const std::wstring& value)
{
    if (!CopyFileW(target.c_str(), copy.c_str(), FALSE)) {
        if (GetLastError() != ERROR_FILE_NOT_FOUND) return false;
        DeleteFileW(copy.c_str());  // no file yet: the copy starts empty
    }
    if (!WritePrivateProfileStringW(section, key, value.c_str(), copy.c_str())) return false;
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, copy.c_str());  // flushes a cached profile
    std::vector<wchar_t> back(value.size() + 2);
    const DWORD n = GetPrivateProfileStringW(section, key, L"\x1", back.data(), static_cast<DWORD>(back.size()),
                                             copy.c_str());
    return std::wstring(back.data(), n) == value && Flushed(copy);
}

}  // namespace

bool WriteSetting(const wchar_t* section, const wchar_t* key, const std::wstring& value, const wchar_t* file)
{
    const std::wstring target = FullPath(file);
    if (target.empty()) return false;
    const std::wstring copy = target + L".new";
    if (WriteCopy(target, copy, section, key, value) &&
        MoveFileExW(copy.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    DeleteFileW(copy.c_str());
    return false;
}

}  // namespace ui
