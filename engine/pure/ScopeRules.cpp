#include "pure/ScopeRules.h"

#include <initializer_list>

#include "pure/TextRules.h"

namespace pure {
namespace {

bool ContainsAny(std::wstring_view upperName, std::initializer_list<std::wstring_view> parts)
{
    for (std::wstring_view part : parts)
        if (Contains(upperName, part)) return true;
    return false;
}

bool IsAnyNoCase(std::wstring_view name, std::initializer_list<std::wstring_view> names)
{
    for (std::wstring_view n : names)
        if (EqualsNoCase(name, n)) return true;
    return false;
}

bool ComScope(std::wstring_view tree, std::wstring_view n, int d)
{
    if (EqualsNoCase(tree, L"clsid")) {
        if (d == 1) return true;
        if (d == 2)
            return ContainsAny(n, {L"PROGID", L"INPROCSERVER32", L"TYPELIB", L"LOCALSERVER32", L"INPROCHANDLER",
                                   L"DEFAULTICON", L"PERSISTENTHANDLER", L"TREATAS", L"TOOLBOXBITMAP32"});
        return false;
    }
    if (EqualsNoCase(tree, L"typelib")) {
        if (d == 1 || d == 2) return true;
        if (d == 3) return !Contains(n, L"FLAGS");
        if (d == 4) return Contains(n, L"WIN32");
        return false;
    }
    if (EqualsNoCase(tree, L"interface")) {
        if (d == 1) return true;
        if (d == 2) return ContainsAny(n, {L"PROXYSTUBCLSID", L"TYPELIB"});
        return false;
    }
    if (EqualsNoCase(tree, L"appid")) return d == 1 && !IsGuidString(n);
    return false;
}

}  // namespace

bool IsGuidString(std::wstring_view text)
{
    return text.size() == 38 && text.front() == L'{' && text.back() == L'}';
}

bool IsExtensionName(std::wstring_view text)
{
    return !text.empty() && text.front() == L'.';
}

bool ShouldScanSubKey(std::wstring_view category, std::wstring_view entrySubKey, std::wstring_view n, int d)
{
    if (EqualsNoCase(category, L"COM/ActiveX Entries")) return ComScope(entrySubKey, n, d);
    if (EqualsNoCase(category, L"Application Paths")) return d == 1;
    if (EqualsNoCase(category, L"File Extensions")) return d == 1 || d == 2;
    if (EqualsNoCase(category, L"File Associations")) {
        if (d == 1)
            return !IsAnyNoCase(n, {L"clsid", L"interface", L"typelib", L"appid", L"Installer", L"Wow6432Node"});
        if (d == 2)
            return ContainsAny(n, {L"OPENWITHPROGIDS", L"PERSISTENTHANDLER", L"SHELLEX", L"DEFAULTICON", L"SHELL",
                                   L"CLSID", L"CURVER"});
        return d >= 3;
    }
    if (IsAnyNoCase(category, {L"Install&Uninstall Entries", L"Font Entries", L"Shared DLLS", L"Help Files",
                               L"History Lists"}))
        return true;
    if (EqualsNoCase(category, L"Program Shortcuts"))
        return !ContainsAny(n, {L"LOCAL SETTINGS", L"COOKIES", L"NETHOOD", L"PRINTHOOD", L"SENDTO", L"TEMPLATES"});
    if (EqualsNoCase(category, L"Sound&App Events")) {
        if (d == 1) return !Contains(n, L"EVENTLABELS");
        if (d == 2) return !Contains(n, L"NAMES");
        return true;
    }
    return false;  // "Windows Startup Items" and unknown categories: only the entry's own key
}

}  // namespace pure
