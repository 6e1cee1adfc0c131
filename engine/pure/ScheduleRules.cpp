#include "pure/ScheduleRules.h"

#include "pure/TextRules.h"

namespace pure {
namespace {

std::wstring_view Unquoted(std::wstring_view text)
{
    while (!text.empty() && text.front() == L' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"') text = text.substr(1, text.size() - 2);
    return text;
}

std::wstring_view FileNameOf(std::wstring_view path)
{
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring_view::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool IsOwnScanTask(std::wstring_view application, std::wstring_view parameters, std::wstring_view programPath)
{
    application = Unquoted(application);
    programPath = Unquoted(programPath);
    if (application.empty() || programPath.empty()) return false;
    if (EqualsNoCase(application, programPath)) return true;
    return EqualsNoCase(FileNameOf(application), FileNameOf(programPath)) &&
           EqualsNoCase(Unquoted(parameters), kScanTaskArgument);
}

}  // namespace pure
