// Report texts for system error codes, apart from the system call that
// supplies the message.
#pragma once

#include <string>

namespace pure {

inline constexpr size_t kReportTextLimit = 499;  // characters, of a 500-character buffer
inline constexpr wchar_t kNoSystemText[] = L"Sorry, cannot find FormatMessage error info.";
inline constexpr wchar_t kNoReportText[] = L"Sorry, cannot find this error info.";

// "Error (code <code>): <text>", code as signed decimal, cut at 499
// characters. An empty system text is replaced by kNoSystemText.
std::wstring FormatErrorReport(int code, const std::wstring& systemText);

// "[<code>] <text>" with the code unsigned and the text's trailing spaces,
// tabs, line feeds and carriage returns stripped; cut to fit `capacity`
// characters including the terminator.
std::wstring FormatShortError(unsigned long code, const std::wstring& systemText, size_t capacity);

}  // namespace pure
