#include "pure/LongPath.h"

#include <vector>

namespace pure {
namespace {

bool IsSeparator(wchar_t c)
{
    return c == L'\\' || c == L'/';
}

bool IsAsciiLetter(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

// The components of `rest`, with "." and ".." applied.
std::vector<std::wstring_view> Components(std::wstring_view rest)
{
    std::vector<std::wstring_view> parts;
    size_t at = 0;
    while (at < rest.size()) {
        size_t end = at;
        while (end < rest.size() && !IsSeparator(rest[end])) ++end;
        const std::wstring_view part = rest.substr(at, end - at);
        if (part == L"..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != L".") {
            parts.push_back(part);
        }
        at = end + 1;
    }
    if (!parts.empty()) {
        std::wstring_view& last = parts.back();
        while (!last.empty() && (last.back() == L' ' || last.back() == L'.')) last.remove_suffix(1);
        if (last.empty()) parts.pop_back();
    }
    return parts;
}

// Takes one component off the front of `text` (up to a separator).
std::wstring_view TakeComponent(std::wstring_view& text)
{
    size_t end = 0;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    const std::wstring_view part = text.substr(0, end);
    text.remove_prefix(end < text.size() ? end + 1 : end);
    return part;
}

}  // namespace

std::wstring LongPathForm(std::wstring_view path)
{
    static constexpr std::wstring_view kPrefix = L"\\\\?\\";
    if (path.substr(0, kPrefix.size()) == kPrefix) return std::wstring(path);

    std::wstring out(kPrefix);
    std::wstring_view rest;
    if (path.size() >= 3 && IsAsciiLetter(path[0]) && path[1] == L':' && IsSeparator(path[2])) {
        out.append(path.substr(0, 2));
        rest = path.substr(3);
    } else if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        rest = path.substr(2);
        const std::wstring_view server = TakeComponent(rest);
        const std::wstring_view share = TakeComponent(rest);
        if (server.empty() || share.empty() || server == L"." || server == L"?") return std::wstring();
        out.append(L"UNC\\").append(server).append(L"\\").append(share);
    } else {
        return std::wstring();
    }
    const std::vector<std::wstring_view> parts = Components(rest);
    if (parts.empty()) out += L'\\';
    for (std::wstring_view part : parts) out.append(L"\\").append(part);
    return out;
}

}  // namespace pure
