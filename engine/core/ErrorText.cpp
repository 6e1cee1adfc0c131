#include "core/ErrorText.h"

#include <cwchar>

#include "pure/ErrorFormat.h"

std::wstring SystemMessageText(DWORD code, DWORD languageId)
{
    wchar_t* buffer = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, code, languageId, reinterpret_cast<wchar_t*>(&buffer), 0,
                             nullptr);
    std::wstring text;
    if (n != 0 && buffer) text.assign(buffer, n);
    if (buffer) LocalFree(buffer);
    return text;
}

std::wstring BaseException::MessageText() const
{
    try {
        return pure::FormatErrorReport(static_cast<int>(code_), SystemMessageText(code_));
    } catch (...) {
        return pure::kNoReportText;
    }
}

void ShortErrorText(DWORD code, wchar_t (&out)[512])
{
    wchar_t system[512] = {};
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, system, 512, nullptr);
    std::wstring text = pure::FormatShortError(code, n ? std::wstring(system, n) : std::wstring(), 512);
    wcsncpy(out, text.c_str(), 511);
    out[511] = L'\0';
}
