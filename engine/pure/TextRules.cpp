#include "pure/TextRules.h"

namespace pure {

wchar_t AsciiUpper(wchar_t c)
{
    return (c >= L'a' && c <= L'z') ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

static wchar_t AsciiLower(wchar_t c)
{
    return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c - L'A' + L'a') : c;
}

std::wstring ToUpper(std::wstring_view s)
{
    std::wstring out(s);
    for (wchar_t& c : out) c = AsciiUpper(c);
    return out;
}

std::wstring ToLower(std::wstring_view s)
{
    std::wstring out(s);
    for (wchar_t& c : out) c = AsciiLower(c);
    return out;
}

bool EqualsNoCase(std::wstring_view a, std::wstring_view b)
{
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
    return true;
}

bool Contains(std::wstring_view text, std::wstring_view part)
{
    return text.find(part) != std::wstring_view::npos;
}

std::wstring InsertWow6432Node(std::wstring_view keyPath)
{
    size_t slash = keyPath.find(L'\\');
    if (slash == std::wstring_view::npos) {
        std::wstring out = L"Wow6432Node";
        if (!keyPath.empty()) {
            out += L'\\';
            out += keyPath;
        }
        return out;
    }
    std::wstring out(keyPath.substr(0, slash + 1));
    out += L"Wow6432Node";
    out += keyPath.substr(slash);
    return out;
}

}  // namespace pure
