#include "shell/LastScan.h"

#include <windows.h>

namespace ui::lastscan {
namespace {

constexpr wchar_t kFile[] = L".\\LastScan.ini";
constexpr wchar_t kSection[] = L"ScanStatus";

}  // namespace

std::wstring Read(const wchar_t* key)
{
    wchar_t buf[50] = L"";
    GetPrivateProfileStringW(kSection, key, L"", buf, 50, kFile);
    return buf;
}

bool Write(const wchar_t* key, const std::wstring& value)
{
    return WritePrivateProfileStringW(kSection, key, value.c_str(), kFile) != FALSE;
}

bool Write(const wchar_t* key, int value) { return Write(key, std::to_wstring(value)); }

}  // namespace ui::lastscan
