#include "pure/ErrorFormat.h"

namespace pure {

std::wstring FormatErrorReport(int code, const std::wstring& systemText)
{
    std::wstring text = L"Error (code ";
    text += std::to_wstring(code);
    text += L"): ";
    text += systemText.empty() ? std::wstring(kNoSystemText) : systemText;
    if (text.size() > kReportTextLimit) text.resize(kReportTextLimit);
    return text;
}

std::wstring FormatShortError(unsigned long code, const std::wstring& systemText, size_t capacity)
{
    std::wstring body = systemText;
    while (!body.empty()) {
        wchar_t c = body.back();
        if (c != L' ' && c != L'\t' && c != L'\n' && c != L'\r') break;
        body.pop_back();
    }
    std::wstring text = L"[" + std::to_wstring(code) + L"] " + body;
    if (capacity == 0) return std::wstring();
    if (text.size() > capacity - 1) text.resize(capacity - 1);
    return text;
}

}  // namespace pure
