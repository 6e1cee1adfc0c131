#include "pure/KeyLocation.h"

#include "pure/TextRules.h"

namespace pure {
namespace {

bool StartsWithNoCase(std::wstring_view text, std::wstring_view head)
{
    return text.size() >= head.size() && EqualsNoCase(text.substr(0, head.size()), head);
}

}  // namespace

bool LocationFromSystemName(std::wstring_view systemName, std::wstring_view userSid, KeyLocation& out)
{
    constexpr std::wstring_view kMachine = L"\\REGISTRY\\MACHINE\\";
    constexpr std::wstring_view kUser = L"\\REGISTRY\\USER\\";
    constexpr std::wstring_view kClasses = L"_Classes";
    if (StartsWithNoCase(systemName, kMachine)) {
        const std::wstring_view rest = systemName.substr(kMachine.size());
        if (rest.empty()) return false;
        out = {L"HKEY_LOCAL_MACHINE", std::wstring(rest)};
        return true;
    }
    if (!StartsWithNoCase(systemName, kUser)) return false;
    const std::wstring_view rest = systemName.substr(kUser.size());
    const size_t slash = rest.find(L'\\');
    if (slash == std::wstring_view::npos || slash == 0 || slash + 1 == rest.size()) return false;
    std::wstring_view hive = rest.substr(0, slash);
    const std::wstring_view below = rest.substr(slash + 1);
    const bool classes = hive.size() > kClasses.size() &&
                         EqualsNoCase(hive.substr(hive.size() - kClasses.size()), kClasses);
    const std::wstring_view sid = classes ? hive.substr(0, hive.size() - kClasses.size()) : hive;
    if (!userSid.empty() && EqualsNoCase(sid, userSid)) {
        out = {L"HKEY_CURRENT_USER", (classes ? L"Software\\Classes\\" : L"") + std::wstring(below)};
        return true;
    }
    out = {L"HKEY_USERS", std::wstring(hive) + L"\\" + std::wstring(below)};
    return true;
}

}  // namespace pure
