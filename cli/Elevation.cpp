#include "Elevation.h"

#include <windows.h>

namespace cli {

bool ProcessIsElevated()
{
    wchar_t forced[4] = L"";
    if (GetEnvironmentVariableW(L"TAMSELCLI_NOT_ELEVATED", forced, 4) > 0) return false;
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    TOKEN_ELEVATION elevation{};
    DWORD size = 0;
    const bool elevated = GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
                          elevation.TokenIsElevated != 0;
    CloseHandle(token);
    return elevated;
}

}  // namespace cli
