#include "report/LocalTime.h"

#include <windows.h>

#include <cwchar>

namespace report {

std::wstring LocalTimeText()
{
    SYSTEMTIME t{};
    GetLocalTime(&t);
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u-%02u-%02u %02u:%02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                  t.wSecond);
    return text;
}

}  // namespace report
