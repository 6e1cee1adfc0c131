#include "pure/RegeditLocation.h"

#include <vector>

#include "pure/TextRules.h"

namespace pure {
namespace {

std::vector<std::wstring_view> Components(std::wstring_view path)
{
    std::vector<std::wstring_view> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find(L'\\', start);
        if (slash == std::wstring_view::npos) slash = path.size();
        parts.push_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}

std::wstring Join(const std::vector<std::wstring_view>& parts, size_t from, size_t to)
{
    std::wstring out;
    for (size_t i = from; i < to; ++i) {
        if (i > from) out += L'\\';
        out += parts[i];
    }
    return out;
}

// The path with "Wow6432Node" inserted before component `at`, unless it is
// already there.
std::wstring InsertAt(const std::vector<std::wstring_view>& parts, size_t at)
{
    if (at < parts.size() && EqualsNoCase(parts[at], L"Wow6432Node")) return Join(parts, 0, parts.size());
    std::wstring out = Join(parts, 0, at);
    if (at > 0) out += L'\\';
    out += L"Wow6432Node";
    if (at < parts.size()) {
        out += L'\\';
        out += Join(parts, at, parts.size());
    }
    return out;
}

bool StartsWith(const std::vector<std::wstring_view>& parts, size_t from,
                std::initializer_list<const wchar_t*> names)
{
    size_t i = from;
    for (const wchar_t* name : names) {
        if (i >= parts.size() || !EqualsNoCase(parts[i], name)) return false;
        ++i;
    }
    return true;
}

}  // namespace

std::wstring Wow6432NodeLocation(std::wstring_view rootName, std::wstring_view keyPath)
{
    if (keyPath.empty()) {
        if (rootName == L"HKEY_CLASSES_ROOT") return L"Wow6432Node";
        return std::wstring();
    }
    std::vector<std::wstring_view> parts = Components(keyPath);
    if (rootName == L"HKEY_CLASSES_ROOT") return InsertAt(parts, 0);
    if (rootName == L"HKEY_LOCAL_MACHINE") {
        if (StartsWith(parts, 0, {L"SOFTWARE", L"Classes"})) return InsertAt(parts, 2);
        if (StartsWith(parts, 0, {L"SOFTWARE"})) return InsertAt(parts, 1);
        return std::wstring(keyPath);
    }
    if (rootName == L"HKEY_CURRENT_USER") {
        if (StartsWith(parts, 0, {L"Software", L"Classes"})) return InsertAt(parts, 2);
        return std::wstring(keyPath);
    }
    if (rootName == L"HKEY_USERS" && parts.size() > 1) {
        if (StartsWith(parts, 1, {L"Software", L"Classes"})) return InsertAt(parts, 3);
        std::wstring_view user = parts[0];
        if (user.size() > 8 && EqualsNoCase(user.substr(user.size() - 8), L"_Classes")) return InsertAt(parts, 1);
    }
    return std::wstring(keyPath);
}

}  // namespace pure
